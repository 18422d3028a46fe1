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

  // Where the run's children come from and run in, and whose rights it has.
  std::u16string systemFolder;  // GetSystemDirectory, without a closing "\"
  std::string account;          // the SID of the account the run runs as
};

// A script file (or the output folder: folder true) that could not be
// created or written. Main does not catch it: the entry point reports it and
// ends the run with a non-zero exit code.
class FileFailure : public std::runtime_error {
 public:
  FileFailure(std::u16string path, platform::Dword error, bool folder = false);
  const std::u16string& path() const { return path_; }
  platform::Dword error() const { return error_; }
  bool folder() const { return folder_; }

 private:
  std::u16string path_;
  platform::Dword error_;
  bool folder_;
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
  kOutputFolderUnsafe = 10,    // c:\Daten or c:\Daten\PDF a link or a stranger's
  kPackageFolderUnsafe = 11,   // non-administrators may change the package folder
  kChildTimeout = 12,          // quiet: a started program overran its time and was ended
  kProtectedPrint = 13,        // Windows protected print mode is on: nothing changed
  kSpoolerNotRunning = 14,     // removal: the spooler does not run again afterwards
  kNotInstalled = 15,          // repair: there is no printer to repair: nothing changed
};

// The run ends here, with this end; whatever it had to show and note has
// been shown and noted. Main does not catch it: the entry point answers the
// end.
class RunStopped : public std::runtime_error {
 public:
  explicit RunStopped(RunEnd end) : std::runtime_error("run stopped"), end_(end) {}
  RunEnd end() const { return end_; }

 private:
  RunEnd end_;
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

// ---- Checks before any change of an installation or a repair (protected
// print mode, the package folder, the output folder). An end of the run
// (after its message), or nothing when the run may go on.
std::optional<RunEnd> ChecksBeforeAnyChange(const RunValues& run);
// Whether the policy "Configure Windows protected print" is enabled; the
// value found goes into the run's record.
bool ProtectedPrintModeOn(const RunValues& run);

// ---- Installation. The existing-printer check (the printer's "Name"
// value; the spooler's view only noted): an end after its box, or nothing.
std::optional<RunEnd> CheckExistingPrinter(const RunValues& run);
// The five stages, and the printer verified through the spooler.
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

// ---- Output folder, its access rights, the print script. Throws
// RunStopped (kOutputFolderUnsafe) when a level of the output folder turns
// out to be a link or a stranger's while it is created.
void CreateOutputFolderAndScripts(const RunValues& run);
// The output folder created and opened to everyone (the first half of the above).
void CreateOutputFolder(const RunValues& run);
// The print script's lines for the run's Ghostscript path and folders.
std::vector<std::u16string> PrintScriptLines(const RunValues& run);

// ---- Before any change: the package folder and printer\ can be changed by
// administrators only, and c:\Daten and c:\Daten\PDF, where they exist, are
// neither links nor a stranger's. An end of the run (after its box), or
// nothing when the run goes on.
std::optional<RunEnd> CheckPackageFolder(const RunValues& run);
std::optional<RunEnd> CheckOutputFolder(const RunValues& run);

// ---- Printer installation, driver data, the default pointer back.
void InstallPrinter(const RunValues& run);

}  // namespace Module1
