// The installer's expected texts, script lines and values, read from the
// files in tests/data (the one copy that the C++, Python and shell tests
// share). Texts come back as the ANSI (code page 1252) bytes that the
// simulated platform records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace test_data {

// A message text by its block name in messages.txt ("existing", "question",
// "download", "monitor", "usage", "title"), its lines joined by line feeds.
std::string Message(const std::string& name);

// The print script's bytes for a Ghostscript path and a program folder
// (closed with "\"), given as they must appear in the script.
std::string PrintScript(const std::string& ghostscript, const std::string& programFolder);
// The access script's bytes.
std::string AccessScript();
// The command line that installs the printer, for a program folder (closed
// with "\").
std::string PrinterCommand(const std::string& programFolder);

// A registry value as it must be stored: type and bytes.
struct Value {
  std::string name;
  std::uint32_t type = 0;
  std::string data;
};
// The port's values in the order they are written, for a program folder.
std::vector<Value> PortValues(const std::string& programFolder);
// The printer's driver data values in the order they are written.
std::vector<Value> DriverDataValues();

// The installer's exit code for an end of its run by its name in
// exit_codes.tsv ("completed", "failure", "printer_installed",
// "ghostscript_cancelled", "download_question", "monitor_missing",
// "usage_error", "ghostscript_missing", "printer_not_created").
int ExitCode(const std::string& name);

}  // namespace test_data
