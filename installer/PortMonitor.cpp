#include <string>

#include "installer/Module1.h"
#include "installer/Names.h"
#include "installer/RunSupport.h"
#include "platform/platform.h"
#include "std/StdRegistry.h"

namespace Module1 {
namespace {

// How long a quiet run lets RedMon's set-up run. It copies three files into
// the system folder and registers the monitor with the spooler (AddMonitor),
// which takes seconds; on 64-bit Windows it waits for setup64.exe, which
// does the same. Three minutes leave room for a machine busy with the rest
// of a roll-out, and together with PrintUIEntry's ten minutes stay below the
// shortest time-out a distribution tool lets one set for a whole
// installation (Configuration Manager: 15 minutes), so that the run ends
// with its own code first.
constexpr platform::Dword kRedMonSetupLimit = 3 * 60 * 1000;

// RedMon's library files are named redmon*.dll, spelled in lower case.
bool IsRedMonDriver(const std::u16string& driver) {
  return driver.size() >= 6 && driver.compare(0, 6, u"redmon") == 0;
}

}  // namespace

std::u16string FindRedirectionMonitor() {
  for (const std::u16string& name : kMonitorNames) {
    std::u16string key = kMonitorsKey + u"\\" + name;
    if (IsRedMonDriver(StdRegistry::RegGetValue(kLocalMachine, key, u"Driver", u""))) return key;
  }
  return {};
}

bool CheckPortMonitor(RunValues& run) {
  run.monitorKey = FindRedirectionMonitor();
  if (!run.monitorKey.empty()) {
    Note(run, u"Anschlussmonitor: HKLM\\" + run.monitorKey);
    return true;
  }

  Note(run, u"Kein Anschlussmonitor RedMon registriert: RedMon wird installiert");
  // Quoted, so that a program folder with blanks stays one token. RedMon's
  // set-up finds its files beside itself (GetModuleFileName), not in the
  // current directory.
  RunCommand(run, run.packageFolder + u"setup.exe",
             u"\"" + run.programFolder + u"printer\\setup.exe\" -silent", kRedMonSetupLimit);
  run.monitorKey = FindRedirectionMonitor();
  if (!run.monitorKey.empty()) {
    Note(run, u"Anschlussmonitor: HKLM\\" + run.monitorKey);
    return true;
  }

  Note(run, u"Der Anschlussmonitor RedMon fehlt auch nach seiner Installation");
  // A package without RedMon's files (the MSI built without them) ends
  // here on a machine without RedMon: the record says what to do.
  Note(run, u"Abhilfe: RedMon vorher verteilen (aus redmon19.zip still mit \"setup.exe -silent\") "
            u"oder RedMons Dateien in den Ordner " + run.packageFolder +
            u" legen, dann die Installation wiederholen (LIESMICH.txt, Abschnitt \"Verteilung\")");
  static_cast<void>(
      Ask(run, u"Die Druckeranschlu\u00DF-Umleitung (Redmon) wurde nicht korrekt installiert.",
          platform::kMbOk | platform::kMbIconExclamation));
  return false;
}

}  // namespace Module1
