#include <cstdint>
#include <exception>
#include <string>
#include <system_error>

#include "installer/CommandLine.h"
#include "installer/Module1.h"
#include "installer/Names.h"
#include "installer/PrinterCheck.h"
#include "installer/RunLog.h"
#include "installer/RunSupport.h"
#include "installer/Safety.h"
#include "installer/Version.h"
#include "platform/platform.h"
#include "std/StdModul.h"
#include "std/StdRegistry.h"

namespace Module1 {
namespace {

const std::u16string kTitle = u"Installation " + kPrinterName;
const std::u16string kVersion = platform::FromAnsi(DRAVELIN_VERSION_TEXT);

// The folder part of this program's path, up to and including the last "\".
// A program at a drive root ("D:\x.exe") gives "D:\" with its one backslash.
std::u16string ProgramFolder() {
  std::string path;
  if (!platform::GetModuleFileNameA(&path)) return {};
  const std::size_t cut = path.rfind('\\');
  if (cut == std::string::npos) return {};
  return StdModul::AddBackslash(platform::FromAnsi(path.substr(0, cut + 1)));
}

// The printer's "Name" value; the empty text when the printer is not there.
std::u16string PrinterNameValue(const RunValues& run) {
  return StdRegistry::RegGetValue(kLocalMachine, kPrintersKey + u"\\" + run.printerName, u"Name",
                                  u"");
}

// The report of a failure that ends the run: an error box with the
// installation title, unless the run is quiet; the reason goes into the
// run's record as the line before its end.
void ReportFailure(const RunValues& run, const std::u16string& text, const std::u16string& note) {
  static_cast<void>(Ask(run, text, platform::kMbOk | platform::kMbIconError));
  Note(run, note);
}

// The system's text for an error code; "Fehler <code>" for a code it has no
// text for.
std::u16string SystemReason(platform::Dword code) {
  const std::string text = platform::FormatMessageA(code);
  if (text.empty()) return u"Fehler " + Decimal(code);
  return platform::FromAnsi(text);
}

std::u16string TypeName(platform::Dword type) {
  switch (type) {
    case platform::kRegSz:
      return u"REG_SZ";
    case platform::kRegBinary:
      return u"REG_BINARY";
    case platform::kRegDword:
      return u"REG_DWORD";
    default:
      return u"Typ " + Decimal(type);
  }
}

// The facts about the machine and the start of the run.
void NoteStart(const RunValues& run, const std::u16string& commandLine,
               const std::u16string& redirectionTrust) {
  Note(run, u"DravelinInstall " + kVersion);
  Note(run, u"Befehlszeile: " + commandLine);
  platform::OsVersionInfo version;
  platform::SystemInfo system;
  platform::GetNativeSystemInfo(&system);
  const bool is64 = system.processorArchitecture == platform::kProcessorArchitectureAmd64 ||
                    system.processorArchitecture == platform::kProcessorArchitectureIa64 ||
                    system.processorArchitecture == platform::kProcessorArchitectureArm64;
  const std::u16string bits = is64 ? u"64-Bit" : u"32-Bit";
  if (platform::GetVersionExA(&version)) {
    std::u16string windows = u"Windows " + Decimal(version.majorVersion) + u"." +
                             Decimal(version.minorVersion) + u" (Build " +
                             Decimal(version.buildNumber) + u")";
    if (!version.servicePack.empty()) windows.append(u" ").append(platform::FromAnsi(version.servicePack));
    Note(run, windows.append(u", ").append(bits));
  } else {
    Note(run, u"Windows-Version unbekannt, " + bits);
  }
  Note(run, u"Codepages: ANSI " + Decimal(platform::GetACP()) + u", OEM " +
                Decimal(platform::GetOEMCP()));
  bool administrator = false;
  Note(run, platform::CheckAdministratorsMembership(&administrator)
                ? (administrator ? u"Mit Administratorrechten" : u"Ohne Administratorrechte")
                : u"Administratorrechte unbekannt (Fehler " + Decimal(platform::GetLastError()) +
                      u")");
  Note(run, u"Konto: " + (run.account.empty() ? u"unbekannt" : platform::FromAnsi(run.account)));
  Note(run, redirectionTrust);
}

// Every value write of the run into its record, for as long as it lives.
class RegistryWritesNoted {
 public:
  explicit RegistryWritesNoted(const RunValues& run)
      : previous_(StdRegistry::SetWriteObserver(
            [&run](std::int32_t root, const std::u16string& keyPath,
                   const std::u16string& valueName, platform::Dword type, platform::Long result) {
              const std::u16string key =
                  (root == kLocalMachine ? u"HKLM\\" : u"Wurzel " + Decimal(root) + u"\\") +
                  keyPath;
              std::u16string line = u"Registrierung: " + key + u" Wert \"" + valueName + u"\" (" +
                                    TypeName(type) + u"): Ergebnis " + Decimal(result);
              if (result != 0) line.append(u" ").append(SystemReason(static_cast<platform::Dword>(result)));
              Note(run, line);
            })) {}
  ~RegistryWritesNoted() { StdRegistry::SetWriteObserver(std::move(previous_)); }
  RegistryWritesNoted(const RegistryWritesNoted&) = delete;
  RegistryWritesNoted& operator=(const RegistryWritesNoted&) = delete;

 private:
  StdRegistry::WriteObserver previous_;
};

}  // namespace

std::u16string RunEndMeaning(RunEnd end, Mode mode) {
  switch (end) {
    case RunEnd::kCompleted:
      return mode == Mode::kRemove   ? u"Nichts mehr vom Drucker vorhanden"
             : mode == Mode::kRepair ? u"Reparatur abgeschlossen"
                                     : u"Installation abgeschlossen";
    case RunEnd::kFailure:
      return mode == Mode::kRemove ? u"Fehler oder keine Administratorrechte, die Entfernung wurde abgebrochen"
                                   : u"Fehler, die Installation wurde abgebrochen";
    case RunEnd::kPrinterInstalled:
      return u"Der Drucker war bereits installiert, nichts ge\u00E4ndert";
    case RunEnd::kGhostscriptCancelled:
      return u"Ghostscript-Frage abgebrochen, nichts ge\u00E4ndert";
    case RunEnd::kDownloadOffered:
      return u"Ghostscript fehlt, Download-Frage beantwortet, nichts ge\u00E4ndert";
    case RunEnd::kMonitorMissing:
      return u"Die Druckeranschluss-Umleitung (RedMon) fehlt auch nach ihrer Installation";
    case RunEnd::kUsageError:
      return u"Falscher Aufruf, nichts ge\u00E4ndert";
    case RunEnd::kGhostscriptMissing:
      return u"Ghostscript nicht gefunden, nichts ge\u00E4ndert";
    case RunEnd::kPrinterNotCreated:
      return u"Der Drucker wurde nicht angelegt";
    case RunEnd::kOutputFolderUnsafe:
      return u"Der Ausgabeordner ist ein Verweis oder geh\u00F6rt einem Fremden";
    case RunEnd::kPackageFolderUnsafe:
      return u"Nicht nur Administratoren d\u00FCrfen den Paketordner \u00E4ndern, nichts ge\u00E4ndert";
    case RunEnd::kChildTimeout:
      return u"Ein gestartetes Programm wurde nicht rechtzeitig fertig und wurde beendet";
    case RunEnd::kRemovalLeft:
      return u"Etwas ist geblieben";
    case RunEnd::kProtectedPrint:
      return u"Windows ist im gesch\u00FCtzten Druckmodus, nichts ge\u00E4ndert";
    case RunEnd::kSpoolerNotRunning:
      return u"Die Druckwarteschlange l\u00E4uft nach dem Entfernen nicht wieder";
    case RunEnd::kNotInstalled:
      return u"Kein Drucker zu reparieren, nichts ge\u00E4ndert";
  }
  return u"Exitcode " + Decimal(static_cast<int>(end));
}

std::optional<RunEnd> CheckExistingPrinter(const RunValues& run) {
  const std::u16string printersKey = u"HKLM\\" + kPrintersKey + u"\\" + run.printerName;
  const std::u16string existing = PrinterNameValue(run);
  Note(run, u"Drucker: Wert \"Name\" unter " + printersKey + u": \"" + existing + u"\"");
  Note(run, u"Drucker laut Spooler: " + Describe(AskSpooler(run.printerName)));
  if (existing.empty()) return std::nullopt;
  // The first line names the printer itself, whatever printerName holds.
  static_cast<void>(Ask(
      run,
      u"Der DUR-Orarudi ist bereits installiert.\n\n"
      u"Vor einer neuen Installation m\u00FCssen Sie ihn in der Systemsteuerung manuell "
      u"entfernen!",
      platform::kMbOk | platform::kMbIconExclamation));
  return RunEnd::kPrinterInstalled;
}

RunEnd Install(RunValues& run) {
  if (const auto end = LocateGhostscript(run)) return *end;
  if (!CheckPortMonitor(run)) return RunEnd::kMonitorMissing;
  ConfigurePort(run);
  CreateOutputFolderAndScripts(run);
  InstallPrinter(run);

  // The driver data are written whatever the printer set-up did, and they
  // create the printer's key on their own: only the spooler tells whether it
  // has the printer, on our port and with our driver.
  const SpoolerView created = AskSpooler(run.printerName);
  Note(run, u"Drucker laut Spooler nach der Installation: " + Describe(created));
  return IsInstalledAsOurs(created) ? RunEnd::kCompleted : RunEnd::kPrinterNotCreated;
}

RunEnd Main(RunValues run, Mode mode) {
  run.printerName = kPrinterName;
  run.programFolder = ProgramFolder();
  run.packageFolder = run.programFolder + u"printer\\";
  run.title = kTitle;
  Note(run, u"Programmordner: " + run.programFolder);
  std::string systemFolder;
  if (!platform::GetSystemDirectoryA(&systemFolder)) {
    throw std::runtime_error("GetSystemDirectoryA failed, error " + std::to_string(platform::GetLastError()));
  }
  run.systemFolder = platform::FromAnsi(systemFolder);

  if (mode == Mode::kRemove) return Remove(run);
  if (mode == Mode::kInstall) {
    if (const auto end = CheckExistingPrinter(run)) return *end;
  }
  // An installation and a repair change the machine: both pass the same
  // checks first, and a failed one leaves everything as it was.
  if (const auto end = ChecksBeforeAnyChange(run)) return *end;
  return mode == Mode::kRepair ? Repair(run) : Install(run);
}

int RunInstaller() {
  // Before anything is opened: no junction a non-administrator made is
  // followed from here on, where the system offers it.
  const std::u16string redirectionTrust = TurnOnRedirectionTrust();
  RunLog log;
  RunValues run;
  run.title = kTitle;
  RunEnd end = RunEnd::kFailure;
  Mode mode = Mode::kInstall;
  try {
    if (!platform::GetTokenUserSid(&run.account)) run.account.clear();
    const std::u16string commandLine = platform::FromAnsi(platform::GetCommandLineA());
    const Options options = ParseOptions(SplitCommandLine(commandLine));
    if (!options.logPath.empty() && log.Open(options.logPath, run.account)) run.log = &log;
    if (run.log != nullptr) NoteStart(run, commandLine, redirectionTrust);

    const std::u16string why = options.quiet ? u"Schalter /quiet" : NobodySees();
    run.quiet = !why.empty();
    Note(run, run.quiet ? u"Ohne Fenster (" + why + u")" : u"Mit Meldungen und Fragen");
    // No box of the system's either, for the run and its children (which
    // inherit the mode): a missing disk, a fault, a file that can't be
    // opened would otherwise wait for a click nobody gives.
    if (run.quiet) {
      platform::SetErrorMode(platform::kSemFailCriticalErrors | platform::kSemNoGpFaultErrorBox |
                             platform::kSemNoOpenFileErrorBox);
    }

    if (!options.error.empty()) {
      Note(run, options.error);
      static_cast<void>(Ask(run, options.error + u"\n\n" + UsageText(),
                            platform::kMbOk | platform::kMbIconExclamation));
      end = RunEnd::kUsageError;
    } else if (options.help) {
      static_cast<void>(Ask(run, UsageText(), platform::kMbOk | platform::kMbIconInformation));
      end = RunEnd::kCompleted;
    } else {
      mode = options.remove ? Mode::kRemove : options.repair ? Mode::kRepair : Mode::kInstall;
      run.ghostscriptOption = options.ghostscript;
      const RegistryWritesNoted noted(run);
      end = Main(run, mode);
    }
  } catch (const RunStopped& stopped) {
    end = stopped.end();
  } catch (const FileFailure& failure) {
    const std::u16string reason = SystemReason(failure.error());
    const std::u16string what = failure.folder()
                                    ? u"Der Ordner " + failure.path() + u" konnte nicht angelegt werden"
                                    : u"Die Datei " + failure.path() + u" konnte nicht geschrieben werden";
    ReportFailure(run, what + u":\n" + reason + u"\n\nDie Installation wurde abgebrochen.",
                  what + u": " + reason);
  } catch (const std::system_error& failure) {
    // Raised when the mouse pointer can't be set; the code is the system's.
    const std::u16string reason =
        failure.code().category() == std::system_category()
            ? SystemReason(static_cast<platform::Dword>(failure.code().value()))
            : platform::FromAnsi(failure.what());
    ReportFailure(run, u"Die Installation wurde wegen eines Systemfehlers abgebrochen:\n" + reason,
                  u"Systemfehler: " + reason);
  } catch (const std::exception& failure) {
    // Nothing the run expects (memory exhausted, a fault of the program):
    // the failure code, never abort(), whose 3 would read as a cancelled
    // question.
    const std::u16string reason = platform::FromAnsi(failure.what());
    ReportFailure(run,
                  u"Die Installation wurde wegen eines unerwarteten Fehlers abgebrochen:\n" + reason,
                  u"Unerwarteter Fehler: " + reason);
  } catch (...) {
    ReportFailure(run, u"Die Installation wurde wegen eines unerwarteten Fehlers abgebrochen.",
                  u"Unerwarteter Fehler");
  }
  Note(run, u"Ende: Exitcode " + Decimal(static_cast<int>(end)) + u", " + RunEndMeaning(end, mode));
  return static_cast<int>(end);
}

}  // namespace Module1
