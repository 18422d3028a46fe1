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
// "download", "monitor", "usage", "title", ...), its lines joined by line
// feeds, a line "{stays}" replaced by the block "stays".
std::string Message(const std::string& name);

// The print script's bytes for a Ghostscript path and a program folder
// (closed with "\"), given as they must appear in the script.
std::string PrintScript(const std::string& ghostscript, const std::string& programFolder);
// The access entry the output folder receives: SID, mask, ACE flags.
struct Access {
  std::string sid;
  std::uint32_t mask = 0;
  std::uint32_t flags = 0;
};
Access OutputFolderAccess();
// The record an earlier run left in a log (without the byte-order mark):
// one line, closed with CR LF.
std::string EarlierLog();
// The command line that installs the printer, for a program folder (closed
// with "\").
std::string PrinterCommand(const std::string& programFolder);
// The port and the driver model that command line names (after /r and /m).
std::string PrinterPort();
std::string DriverModel();

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
// "usage_error", "ghostscript_missing", "printer_not_created",
// "protected_print", "not_installed", "removal_clean", ...).
int ExitCode(const std::string& name);

// A message box a scenario must show: its block name in messages.txt, its
// buttons ("ok", "yesno", "yesnocancel") and icon ("warning", "question",
// "error").
struct Box {
  std::string message, buttons, icon;
};
// A REG_SZ value stored before a run; the key below HKEY_LOCAL_MACHINE.
struct StoredValue {
  std::string key, name, text;
};
// One row of scenarios.txt, defaults filled in (the file's header explains
// each field).
struct Scenario {
  std::string name;
  std::string runs = "both";
  std::string args;
  std::string ghostscript = "default";
  std::string monitor = "setup";
  bool printer = false;
  std::vector<StoredValue> registry;
  std::string blocked;
  std::string locale;
  std::vector<std::string> steps;
  std::vector<Box> boxes;
  std::string opens;
  bool quiet = false;               // no window at all, PrintUIEntry with /q
  std::string station = "visible";  // "hidden", "session0", "unknown" (see the file's header)
  std::string printui = "works";    // "fails": exit code 1, no printer
  std::string log;                  // "all", "none", "linked", "planted", "link"
  std::string output;               // "link", "foreign", "raced": c:\Daten as a user left it
  std::string package;              // "writable": others may write the program folder
  bool plant = false;               // programs planted where a search finds them
  std::string folder;               // the folder a box names ({folder})
  bool installed = false;           // a quiet installation prepares the machine
  std::vector<std::string> changes; // "ghostscript_moved", "port_value", "printer_gone", "wpp"
  bool dependent = false;           // a service depending on the spooler runs
  std::string spooler;              // "no_restart"
  std::string deletePrinter;        // "fails"
  bool administrator = true;        // "admin = no": false
  std::string left;                 // "printer"
  std::string via;                  // "removal_script": the Wine runner starts Entfernen.cmd
  std::string end, setup, outcome;
};
// Every scenario of scenarios.txt in file order; throws on an unknown key,
// a bad value or a missing end, setup or outcome.
std::vector<Scenario> Scenarios();

}  // namespace test_data
