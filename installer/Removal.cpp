// The removal (/remove): the printer through the spooler, the port with the
// spooler stopped, the print script the port names, and a printer key the
// spooler does not know as a printer (what an installation that ended with
// "printer not created" leaves: its driver data). Nothing else is touched;
// what stays is named at the end.
#include <string>
#include <vector>

#include "installer/Module1.h"
#include "installer/Names.h"
#include "installer/PrinterCheck.h"
#include "installer/RunLog.h"
#include "installer/RunSupport.h"
#include "installer/SpoolerService.h"
#include "platform/owners.h"
#include "std/StdRegistry.h"

namespace Module1 {
namespace {

const std::u16string kStays =
    u"Nicht entfernt werden:\n"
    u"- der Ordner c:\\Daten\\PDF mit Ihren PDF-Dateien,\n"
    u"- RedMon und Ghostscript (bei Bedarf \u00FCber \"Programme und Features\"),\n"
    u"- der Druckertreiber (bei Bedarf unter \"Druckservereigenschaften\").";

bool KeyExists(const std::u16string& path) {
  platform::UniqueKey key;
  return platform::RegOpenKeyExA(platform::kHkeyLocalMachine, platform::ToAnsi(path), 0,
                                 platform::kKeyQueryValue, key.Receive()) == platform::kErrorSuccess;
}

// Deletes the key with everything below it: the subkeys first, since
// RegDeleteKeyA deletes only a key without subkeys. Answers the result of
// the key's own deletion.
platform::Long DeleteTree(const std::string& path) {
  {
    platform::UniqueKey key;
    const platform::Long opened = platform::RegOpenKeyExA(
        platform::kHkeyLocalMachine, path, 0, platform::kKeyEnumerateSubKeys, key.Receive());
    if (opened != platform::kErrorSuccess) return opened;
    std::vector<std::string> subKeys;
    std::string name;
    for (platform::Dword i = 0; platform::RegEnumKeyExA(key.Get(), i, &name) == platform::kErrorSuccess; ++i) {
      subKeys.push_back(name);
    }
    for (const std::string& subKey : subKeys) static_cast<void>(DeleteTree(path + "\\" + subKey));
  }
  return platform::RegDeleteKeyA(platform::kHkeyLocalMachine, path);
}

void DeleteKey(const RunValues& run, const std::u16string& path) {
  const platform::Long result = DeleteTree(platform::ToAnsi(path));
  Note(run, u"Registrierung: HKLM\\" + path + u" gel\u00F6scht: Ergebnis " + Decimal(result));
}

// The print script the port's "Command" names, when it is ours: a file
// named Merovast.cmd. Anything else is not deleted.
bool IsPrintScriptName(const std::u16string& path) {
  const std::u16string name = path.substr(path.find_last_of(u'\\') + 1);
  return SameName(name, kPrintScriptName);
}

// What stands at the path: absent, a plain file (not a folder, not a link
// or another reparse point, one name only), or something else. Asked
// through a handle that does not follow a link at the last component
// (FILE_FLAG_OPEN_REPARSE_POINT), so that a link a user put in the
// script's place is seen as what it is, not as its target.
enum class Entry { kAbsent, kPlainFile, kOther };

Entry Inspect(const std::u16string& path) {
  const platform::UniqueHandle file(platform::CreateFileA(
      platform::ToAnsi(path), platform::kFileReadAttributes,
      platform::kFileShareRead | platform::kFileShareWrite | platform::kFileShareDelete, platform::kOpenExisting,
      platform::kFileFlagOpenReparsePoint | platform::kFileFlagBackupSemantics));
  if (!file.IsValid()) {
    const platform::Dword error = platform::GetLastError();
    const bool gone = error == static_cast<platform::Dword>(platform::kErrorFileNotFound) ||
                      error == static_cast<platform::Dword>(platform::kErrorPathNotFound);
    return gone ? Entry::kAbsent : Entry::kOther;
  }
  platform::FileInformation info;
  if (!platform::GetFileInformationByHandle(file.Get(), &info)) return Entry::kOther;
  const bool plain = (info.attributes & (platform::kFileAttributeDirectory | platform::kFileAttributeReparsePoint)) == 0 &&
                     info.links == 1;
  return plain ? Entry::kPlainFile : Entry::kOther;
}

// Deletes the print script the port ran, a read-only one too; the one place
// that deletes a file a registry value names. DeleteFileA never follows a
// link at the last component (it deletes the link itself), so what changes
// between the check and the deletion can't make it delete another file.
void DeletePrintScript(const RunValues& run, const std::u16string& path) {
  const std::string ansi = platform::ToAnsi(path);
  static_cast<void>(platform::SetFileAttributesA(ansi, platform::kFileAttributeNormal));
  if (platform::DeleteFileA(ansi)) {
    Note(run, u"Druckskript gel\u00F6scht: " + path);
  } else {
    Note(run, u"Druckskript nicht gel\u00F6scht (Fehler " + Decimal(platform::GetLastError()) + u"): " + path);
  }
}

// What of ours is on the machine.
struct Inventory {
  SpoolerView printer;                   // the spooler's answer
  bool printerKey = false;               // the printer's key below the printers' key
  std::u16string nameValue;              // its "Name" value
  std::vector<std::u16string> portKeys;  // the port's key below each monitor that has one
  std::vector<std::u16string> scripts;   // the print scripts the ports name

  bool Empty() const { return !printer.known && !printerKey && portKeys.empty() && scripts.empty(); }
  // "Drucker DUR-Orarudi, Anschluss Dravelin:, Druckskript C:\...\Merovast.cmd"
  std::u16string Items() const {
    std::u16string items;
    const auto add = [&items](const std::u16string& item) { items += (items.empty() ? u"" : u", ") + item; };
    if (printer.known || printerKey) add(u"Drucker " + kPrinterName);
    if (!portKeys.empty()) add(u"Anschluss " + kPortName);
    for (const std::u16string& script : scripts) add(u"Druckskript " + script);
    return items;
  }
};

Inventory TakeInventory(const RunValues& run, const std::vector<std::u16string>& knownScripts) {
  Inventory found;
  found.printer = AskSpooler(run.printerName);
  const std::u16string printerKey = kPrintersKey + u"\\" + run.printerName;
  found.printerKey = KeyExists(printerKey);
  found.nameValue = StdRegistry::RegGetValue(kLocalMachine, printerKey, u"Name", u"");
  std::vector<std::u16string> scripts = knownScripts;
  for (const std::u16string& monitor : kMonitorNames) {
    const std::u16string portKey = PortKey(kMonitorsKey + u"\\" + monitor);
    if (!KeyExists(portKey)) continue;
    found.portKeys.push_back(portKey);
    const std::u16string command = StdRegistry::RegGetValue(kLocalMachine, portKey, u"Command", u"");
    if (command.empty()) continue;
    if (!IsPrintScriptName(command)) {
      Note(run, u"Der Anschluss nennt nicht unser Druckskript, es bleibt: " + command);
      continue;
    }
    scripts.push_back(command);
  }
  for (const std::u16string& script : scripts) {
    bool listed = false;
    for (const std::u16string& s : found.scripts) listed = listed || SameName(s, script);
    if (listed) continue;
    const Entry entry = Inspect(script);
    if (entry == Entry::kPlainFile) {
      found.scripts.push_back(script);
    } else if (entry == Entry::kOther) {
      Note(run, u"Keine gew\u00F6hnliche Datei (Ordner, Verweis oder weiterer Name), sie bleibt: " + script);
    }
  }
  return found;
}

void DeletePrinterThroughSpooler(const RunValues& run) {
  platform::UniquePrinter printer;
  if (!platform::OpenPrinterA(platform::ToAnsi(run.printerName), platform::kPrinterAllAccess,
                              printer.Receive())) {
    Note(run, u"Drucker nicht ge\u00F6ffnet (Fehler " + Decimal(platform::GetLastError()) + u")");
    return;
  }
  // With jobs still queued the spooler only marks the printer for deletion
  // and deletes it after the last job (DeletePrinter, Remarks): the final
  // inventory then still finds it.
  if (platform::DeletePrinter(printer.Get())) {
    Note(run, u"Drucker \u00FCber den Spooler gel\u00F6scht: " + run.printerName);
  } else {
    Note(run, u"Der Spooler l\u00F6scht den Drucker nicht (Fehler " + Decimal(platform::GetLastError()) + u")");
  }
}

// A key the spooler does not know as a printer is no printer: what a failed
// installation left. When the spooler can't be asked, only a key without
// the "Name" value a printer's key holds counts as such.
bool IsStrayPrinterKey(const Inventory& found) {
  if (!found.printerKey || found.printer.known) return false;
  return found.printer.error == static_cast<platform::Dword>(platform::kErrorInvalidPrinterName) ||
         found.nameValue.empty();
}

}  // namespace

RunEnd Remove(RunValues& run) {
  Note(run, u"Entfernen des Druckers " + run.printerName);
  bool administrator = false;
  if (platform::CheckAdministratorsMembership(&administrator) && !administrator) {
    static_cast<void>(Ask(run,
                          u"Zum Entfernen des Druckers DUR-Orarudi sind Administratorrechte "
                          u"n\u00F6tig.\n\nBitte als Administrator starten. Es wurde nichts ge\u00E4ndert.",
                          platform::kMbOk | platform::kMbIconExclamation));
    return RunEnd::kFailure;
  }

  const Inventory before = TakeInventory(run, {});
  Note(run, u"Drucker laut Spooler: " + Describe(before.printer));
  if (before.Empty()) {
    static_cast<void>(Ask(run,
                          u"Vom Drucker DUR-Orarudi ist nichts mehr vorhanden. Es gibt nichts zu "
                          u"entfernen.",
                          platform::kMbOk | platform::kMbIconInformation));
    return RunEnd::kCompleted;
  }
  Note(run, u"Vorhanden: " + before.Items());

  if (before.printer.known) DeletePrinterThroughSpooler(run);
  const bool strayKey = IsStrayPrinterKey(before);
  bool spoolerRuns = true;
  if (!before.portKeys.empty() || strayKey) {
    // RedMon reads its ports when the spooler starts and keeps them while it
    // runs: the port's key goes while the spooler is stopped.
    const SpoolerStop stop = before.portKeys.empty() ? SpoolerStop{} : StopSpooler(run);
    for (const std::u16string& portKey : before.portKeys) DeleteKey(run, portKey);
    if (strayKey) DeleteKey(run, kPrintersKey + u"\\" + run.printerName);
    spoolerRuns = StartSpoolerAgain(run, stop);
  }
  for (const std::u16string& script : before.scripts) DeletePrintScript(run, script);

  const Inventory after = TakeInventory(run, before.scripts);
  Note(run, u"Drucker laut Spooler danach: " + Describe(after.printer));
  if (!spoolerRuns) {
    Note(run, u"Die Druckwarteschlange l\u00E4uft nicht wieder");
    static_cast<void>(Ask(run,
                          u"Die Druckwarteschlange (Dienst \"Spooler\") l\u00E4uft nach dem Entfernen "
                          u"nicht wieder; bis sie l\u00E4uft, kann dieser Rechner nicht drucken.\n\n"
                          u"Bitte starten Sie sie als Administrator neu: net start spooler\n\n" +
                              kStays,
                          platform::kMbOk | platform::kMbIconError));
    return RunEnd::kSpoolerNotRunning;
  }
  if (!after.Empty()) {
    Note(run, u"Nicht entfernt werden konnte: " + after.Items());
    static_cast<void>(Ask(run, u"Nicht entfernt werden konnte: " + after.Items() + u".\n\n" + kStays,
                          platform::kMbOk | platform::kMbIconExclamation));
    return RunEnd::kRemovalLeft;
  }
  Note(run, u"Bleiben: c:\\Daten\\PDF, RedMon, Ghostscript, der Druckertreiber");
  static_cast<void>(Ask(run, u"Der Drucker DUR-Orarudi wurde entfernt.\n\n" + kStays,
                        platform::kMbOk | platform::kMbIconInformation));
  return RunEnd::kCompleted;
}

}  // namespace Module1
