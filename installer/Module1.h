// The installer of the PDF printer "DUR-Orarudi": Main and its stages, run
// one after another in a single pass.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace Module1 {

class RunLog;

// The values Main keeps for one run; each stage reads what it needs and sets
// what it produces.
struct RunValues {
  std::u16string printerName;      // "DUR-Orarudi"
  std::u16string programFolder;    // the installer's own folder, closed with "\"
  std::u16string packageFolder;    // programFolder + "printer\"
  std::u16string title;            // "Installation " + printerName
  std::u16string ghostscriptPath;  // set by the Ghostscript location stage
  std::u16string monitorKey;       // set by the port monitor stage
  std::u16string portName;         // set by the port configuration
  std::u16string printScriptPath;  // set by the port configuration

  // How the run was started (see RunInstaller).
  bool quiet = false;                  // no message box, no dialog, no web page
  std::u16string ghostscriptOption;    // /gs: used when the default folders have none
  RunLog* log = nullptr;               // the run's record; null: none
};

// A script file that could not be created or written. Main does not catch
// it: the entry point reports it and ends the run with a non-zero exit code.
class FileFailure : public std::runtime_error {
 public:
  FileFailure(std::u16string path, platform::Dword error);
  const std::u16string& path() const { return path_; }
  platform::Dword error() const { return error_; }

 private:
  std::u16string path_;
  platform::Dword error_;
};

// How a run ended: the process exit code, so that a software-distribution
// tool can tell a complete installation from every other end.
enum class RunEnd : int {
  kCompleted = 0,
  kFailure = 1,                // a script file (or the pointer) failed: reported
  kPrinterInstalled = 2,       // the printer was there already: nothing changed
  kGhostscriptCancelled = 3,   // Cancel at the Ghostscript question
  kDownloadOffered = 4,        // the download question, answered either way
  kMonitorMissing = 5,         // RedMon still not registered after its set-up
  kUsageError = 6,             // an unknown switch or a switch without its value
  kGhostscriptMissing = 7,     // quiet, and no Ghostscript found: nothing changed
  kPrinterNotCreated = 8,      // the spooler has no such printer after PrintUIEntry
  kRemovalLeft = 9,            // removal: something of ours is left (named)
  kProtectedPrint = 13,        // Windows protected print mode is on: nothing changed
  kSpoolerNotRunning = 14,     // removal: the spooler does not run again afterwards
  kNotInstalled = 15,          // repair: there is no printer to repair: nothing changed
};

// What a run does: install (no switch), /repair or /remove.
enum class Mode { kInstall, kRepair, kRemove };

// The end in words, for the run's record: "Installation abgeschlossen", ...
std::u16string RunEndMeaning(RunEnd end, Mode mode);

// The whole run of one mode: the run values (quiet, ghostscriptOption and
// log as the caller set them), then for an installation and a repair the
// checks before any change, then the installation, the repair or the
// removal. Throws FileFailure when a script file fails.
RunEnd Main(RunValues run, Mode mode = Mode::kInstall);

// The program's entry: reads the command line (switches /quiet or /q,
// /log <file>, /gs <path>, /repair, /remove, /?), decides whether anyone can
// answer a window, runs Main, and reports a failure (a message box naming
// the file and the system's reason, unless quiet; always in the log).
// Answers the process exit code, a RunEnd; never lets an exception out.
int RunInstaller();

// ---- Checks before any change of an installation or a repair. An end of
// the run (after its message), or nothing when the run may go on.
std::optional<RunEnd> ChecksBeforeAnyChange(const RunValues& run);
// Whether the policy "Configure Windows protected print" is enabled; the
// value found goes into the run's record.
bool ProtectedPrintModeOn(const RunValues& run);

// ---- Installation: the existing-printer check, the five stages, and the
// printer verified through the spooler.
RunEnd Install(RunValues& run);

// ---- Repair of an installed printer: Ghostscript found again, the print
// script, the port's values, the output folder and the printer put back
// where they differ from what an installation from this folder leaves;
// nothing changed where all is in order.
RunEnd Repair(RunValues& run);

// ---- Removal: the printer through the spooler, the port (spooler stopped
// and started again), the print script the port names, a printer key the
// spooler does not know; what stays is named.
RunEnd Remove(RunValues& run);

// ---- Ghostscript location stage. An end of the run, or nothing when the
// run goes on with the Ghostscript path set.
std::optional<RunEnd> LocateGhostscript(RunValues& run);
// The full path of gswin32c.exe below %ProgramFiles%\gs or
// %ProgramFiles%\Ghostscript (first found wins), or the empty text.
std::u16string FindGhostscript();
// The same below one folder of the list.
std::u16string FindGhostscriptIn(const std::u16string& folderName);

// ---- Port monitor stage. False: the run ends (after its warning).
bool CheckPortMonitor(RunValues& run);
// The key path of the registered RedMon monitor below HKEY_LOCAL_MACHINE,
// or the empty text.
std::u16string FindRedirectionMonitor();

// ---- Port configuration: the busy pointer on, the port's twelve values.
void ConfigurePort(RunValues& run);
// The port's name and the print script's path in the run values, as the
// port configuration sets them.
void SetPortRunValues(RunValues& run);
// One of the port's values as the port configuration writes it.
struct PortValue {
  std::u16string name;
  platform::Dword type;      // kRegSz or kRegDword
  std::u16string text;       // kRegSz: the text
  std::int32_t number;       // kRegDword: the number
};
// The twelve values in the order they are written, for a print script path.
std::vector<PortValue> PortValues(const std::u16string& printScriptPath);
// The bytes RegSetString or RegSetDword stores for the value.
std::string StoredBytes(const PortValue& value);
// The key of the port "Dravelin:" below a monitor's key.
std::u16string PortKey(const std::u16string& monitorKey);

// ---- Output folder, its access rights, the print script.
void CreateOutputFolderAndScripts(const RunValues& run);
// The output folder created and opened to everyone (the first half of the above).
void CreateOutputFolder(const RunValues& run);
// The print script's lines for the run's Ghostscript path and folders.
std::vector<std::u16string> PrintScriptLines(const RunValues& run);

// ---- Printer installation, driver data, the default pointer back.
void InstallPrinter(const RunValues& run);

}  // namespace Module1
