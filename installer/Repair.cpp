// The repair (/repair) of an installed printer: after a Ghostscript update,
// a changed port value or a printer the spooler lost, the parts are put back
// exactly as an installation from this folder leaves them. Where all is in
// order nothing is written.
#include <string>
#include <vector>

#include "installer/Module1.h"
#include "installer/Names.h"
#include "installer/PrinterCheck.h"
#include "installer/RunLog.h"
#include "installer/RunSupport.h"
#include "installer/ScriptFile.h"
#include "platform/owners.h"
#include "std/StdModul.h"
#include "std/StdRegistry.h"

namespace Module1 {
namespace {

// A value as the registry holds it: its type and bytes; nothing when the key
// or the value is missing.
struct Stored {
  bool found = false;
  platform::Dword type = 0;
  std::string bytes;
};

Stored ReadStored(const std::u16string& keyPath, const std::u16string& name) {
  Stored stored;
  platform::UniqueKey key;
  if (platform::RegOpenKeyExA(platform::kHkeyLocalMachine, platform::ToAnsi(keyPath), 0,
                              platform::kKeyQueryValue, key.Receive()) != platform::kErrorSuccess) {
    return stored;
  }
  const std::string valueName = platform::ToAnsi(name);
  platform::Dword size = 0;
  if (platform::RegQueryValueExA(key.Get(), valueName, &stored.type, nullptr, &size) !=
      platform::kErrorSuccess) {
    return stored;
  }
  std::string buffer(size, '\0');
  if (platform::RegQueryValueExA(key.Get(), valueName, &stored.type,
                                 reinterpret_cast<std::uint8_t*>(buffer.data()), &size) !=
      platform::kErrorSuccess) {
    return stored;
  }
  buffer.resize(size);
  stored.found = true;
  stored.bytes = buffer;
  return stored;
}

// The port's values that differ from what the port configuration writes.
std::vector<PortValue> DifferingPortValues(const RunValues& run, const std::u16string& portKey) {
  std::vector<PortValue> differing;
  for (const PortValue& value : PortValues(run.printScriptPath)) {
    const Stored stored = ReadStored(portKey, value.name);
    if (!stored.found || stored.type != value.type || stored.bytes != StoredBytes(value)) {
      differing.push_back(value);
    }
  }
  return differing;
}

// The Ghostscript program line 3 of a print script starts, as the
// installation writes it: in double quotes, "%" doubled, OEM bytes.
std::u16string GhostscriptNamedIn(const std::string& script) {
  std::size_t start = 0;
  for (int line = 0; line < 2 && start != std::string::npos; ++line) {
    start = script.find("\r\n", start);
    if (start != std::string::npos) start += 2;
  }
  if (start == std::string::npos || script.compare(start, 1, "\"") != 0) return {};
  const std::size_t end = script.find('"', start + 1);
  if (end == std::string::npos) return {};
  std::u16string path = platform::FromCodePage(platform::kCpOemcp, script.substr(start + 1, end - start - 1));
  for (std::size_t at = path.find(u"%%"); at != std::u16string::npos; at = path.find(u"%%", at + 1)) {
    path.erase(at, 1);
  }
  return path;
}

// The Ghostscript an installation would choose now (the default folders,
// then /gs); where neither has one, the one the print script names while it
// is there; otherwise the question of an installation (a quiet run ends).
std::optional<RunEnd> LocateGhostscriptAgain(RunValues& run, const std::u16string& named) {
  if (!StdModul::FileExists(FindGhostscript()) && !StdModul::FileExists(run.ghostscriptOption) &&
      StdModul::FileExists(named)) {
    run.ghostscriptPath = named;
    Note(run, u"Ghostscript weder im Standardordner noch aus /gs; das Druckskript nennt ein vorhandenes: " + named);
    return std::nullopt;
  }
  return LocateGhostscript(run);
}

bool IsAnyPortThere() {
  for (const std::u16string& monitor : kMonitorNames) {
    platform::UniqueKey key;
    if (platform::RegOpenKeyExA(platform::kHkeyLocalMachine,
                                platform::ToAnsi(PortKey(kMonitorsKey + u"\\" + monitor)), 0,
                                platform::kKeyQueryValue, key.Receive()) == platform::kErrorSuccess) {
      return true;
    }
  }
  return false;
}

}  // namespace

RunEnd Repair(RunValues& run) {
  Note(run, u"Reparatur des Druckers " + run.printerName);
  SetPortRunValues(run);
  const SpoolerView printer = AskSpooler(run.printerName);
  const std::u16string nameValue =
      StdRegistry::RegGetValue(kLocalMachine, kPrintersKey + u"\\" + run.printerName, u"Name", u"");
  Note(run, u"Drucker laut Spooler: " + Describe(printer));
  if (!printer.known && nameValue.empty() && !IsAnyPortThere()) {
    static_cast<void>(Ask(run,
                          u"Der DUR-Orarudi ist nicht installiert; es gibt nichts zu reparieren.\n\n"
                          u"Installieren Sie ihn mit DravelinInstall.exe ohne /repair.",
                          platform::kMbOk | platform::kMbIconExclamation));
    return RunEnd::kNotInstalled;
  }

  std::string script;
  const bool scriptRead = ReadFileBytes(run.printScriptPath, &script);
  const std::u16string named = scriptRead ? GhostscriptNamedIn(script) : std::u16string();
  Note(run, scriptRead ? u"Das Druckskript nennt Ghostscript: " + named
                       : u"Druckskript nicht lesbar (Fehler " + Decimal(platform::GetLastError()) + u"): " +
                             run.printScriptPath);
  if (const auto end = LocateGhostscriptAgain(run, named)) return *end;
  if (!CheckPortMonitor(run)) return RunEnd::kMonitorMissing;

  // What differs from an installation from this folder; nothing is written
  // before all of it is known.
  const std::u16string portKey = PortKey(run.monitorKey);
  const std::vector<PortValue> portValues = DifferingPortValues(run, portKey);
  const bool folderMissing =
      (platform::GetFileAttributesA(platform::ToAnsi(kOutputFolder)) & platform::kFileAttributeDirectory) == 0;
  const std::vector<std::u16string> lines = PrintScriptLines(run);
  const bool scriptDiffers = !scriptRead || script != ScriptBytes(lines);
  const bool printerWrong = !IsInstalledAsOurs(printer);
  for (const PortValue& value : portValues) Note(run, u"Anschlusswert weicht ab: " + value.name);
  if (folderMissing) Note(run, u"Ausgabeordner fehlt: " + kOutputFolder);
  if (scriptDiffers) Note(run, u"Druckskript weicht ab: " + run.printScriptPath);
  if (portValues.empty() && !folderMissing && !scriptDiffers && !printerWrong) {
    Note(run, u"Alles in Ordnung, nichts ge\u00E4ndert");
    static_cast<void>(Ask(run, u"Der DUR-Orarudi ist in Ordnung; es wurde nichts ge\u00E4ndert.",
                          platform::kMbOk | platform::kMbIconInformation));
    return RunEnd::kCompleted;
  }

  StdModul::SetBusyCursor(false);
  for (const PortValue& value : portValues) {
    if (value.type == platform::kRegSz) {
      StdRegistry::RegSetString(kLocalMachine, portKey, value.name, value.text);
    } else {
      StdRegistry::RegSetDword(kLocalMachine, portKey, value.name, value.number);
    }
  }
  if (folderMissing) CreateOutputFolder(run);
  if (scriptDiffers) {
    WriteScriptFile(run.printScriptPath, lines);
    Note(run, u"Druckskript geschrieben: " + run.printScriptPath);
  }
  if (printerWrong) {
    if (printer.known) {
      // On another port or with another driver: the spooler's printer goes,
      // and PrintUIEntry creates it anew as an installation does.
      platform::UniquePrinter wrong;
      if (platform::OpenPrinterA(platform::ToAnsi(run.printerName), platform::kPrinterAllAccess,
                                 wrong.Receive())) {
        Note(run, platform::DeletePrinter(wrong.Get())
                      ? u"Drucker mit falschem Anschluss oder Treiber gel\u00F6scht"
                      : u"Drucker mit falschem Anschluss oder Treiber nicht gel\u00F6scht (Fehler " +
                            Decimal(platform::GetLastError()) + u")");
      }
    }
    InstallPrinter(run);
    const SpoolerView created = AskSpooler(run.printerName);
    Note(run, u"Drucker laut Spooler nach der Reparatur: " + Describe(created));
    if (!IsInstalledAsOurs(created)) return RunEnd::kPrinterNotCreated;
  }
  StdModul::SetBusyCursor(true);
  static_cast<void>(Ask(run, u"Der DUR-Orarudi wurde repariert.",
                        platform::kMbOk | platform::kMbIconInformation));
  return RunEnd::kCompleted;
}

}  // namespace Module1
