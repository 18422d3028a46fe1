#include <string>

#include "installer/Module1.h"
#include "installer/RunSupport.h"
#include "platform/platform.h"
#include "std/StdRegistry.h"

namespace Module1 {
namespace {

const std::u16string kMonitorsKey = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors";

// RedMon registers under its English or its German name.
const std::u16string kMonitorNames[] = {u"Redirected Port", u"Umgeleiteter Anschlu\u00DF"};

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
  // Quoted, so that a program folder with blanks stays one token.
  RunCommand(run, u"\"" + run.programFolder + u"printer\\setup.exe\" -silent");
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
