#include <string>
#include <system_error>

#include "installer/Module1.h"
#include "installer/RunSupport.h"
#include "platform/platform.h"
#include "std/StdModul.h"
#include "std/StdRegistry.h"

namespace Module1 {
namespace {

const std::u16string kPrinterName = u"DUR-Orarudi";
const std::u16string kTitle = u"Installation " + kPrinterName;

// The folder part of this program's path, up to and including the last "\".
// A program at a drive root ("D:\x.exe") gives "D:\" with its one backslash.
std::u16string ProgramFolder() {
  std::string path;
  if (!platform::GetModuleFileNameA(&path)) return {};
  const std::size_t cut = path.rfind('\\');
  if (cut == std::string::npos) return {};
  return StdModul::AddBackslash(platform::FromAnsi(path.substr(0, cut + 1)));
}

bool PrinterIsInstalled(const RunValues& run) {
  return !StdRegistry::RegGetValue(kLocalMachine, kPrintersKey + u"\\" + run.printerName, u"Name",
                                   u"")
              .empty();
}

// The report of a failure that ends the run: an error box with the
// installation title.
void ReportFailure(const std::u16string& text) {
  static_cast<void>(ShowMessage(kTitle, text, platform::kMbOk | platform::kMbIconError));
}

// The system's text for an error code; "Fehler <code>" for a code it has no
// text for.
std::u16string SystemReason(platform::Dword code) {
  const std::string text = platform::FormatMessageA(code);
  if (text.empty()) return u"Fehler " + platform::FromAnsi(std::to_string(code));
  return platform::FromAnsi(text);
}

}  // namespace

RunEnd Main() {
  RunValues run;
  run.printerName = kPrinterName;
  run.programFolder = ProgramFolder();
  run.packageFolder = run.programFolder + u"printer\\";
  run.title = kTitle;

  if (PrinterIsInstalled(run)) {
    // The first line names the printer itself, whatever printerName holds.
    static_cast<void>(ShowMessage(
        run.title,
        u"Der DUR-Orarudi ist bereits installiert.\n\n"
        u"Vor einer neuen Installation m\u00FCssen Sie ihn in der Systemsteuerung manuell "
        u"entfernen!",
        platform::kMbOk | platform::kMbIconExclamation));
    return RunEnd::kPrinterInstalled;
  }
  if (const auto end = LocateGhostscript(run)) return *end;
  if (!CheckPortMonitor(run)) return RunEnd::kMonitorMissing;
  ConfigurePort(run);
  CreateOutputFolderAndScripts(run);
  InstallPrinter(run);
  return RunEnd::kCompleted;
}

int RunInstaller() {
  try {
    return static_cast<int>(Main());
  } catch (const FileFailure& failure) {
    ReportFailure(u"Die Datei " + failure.path() + u" konnte nicht geschrieben werden:\n" +
                  SystemReason(failure.error()) + u"\n\nDie Installation wurde abgebrochen.");
  } catch (const std::system_error& failure) {
    // Raised when the mouse pointer can't be set; the code is the system's.
    const std::u16string reason =
        failure.code().category() == std::system_category()
            ? SystemReason(static_cast<platform::Dword>(failure.code().value()))
            : platform::FromAnsi(failure.what());
    ReportFailure(u"Die Installation wurde wegen eines Systemfehlers abgebrochen:\n" + reason);
  }
  return static_cast<int>(RunEnd::kFailure);
}

}  // namespace Module1
