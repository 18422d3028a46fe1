#include <string>

#include "installer/Module1.h"
#include "installer/RunSupport.h"
#include "std/StdModul.h"
#include "std/StdRegistry.h"

namespace Module1 {

// RedMon reads these values when the spooler starts the port; the registry
// writes report nothing, and the run goes on whatever they did.
void ConfigurePort(RunValues& run) {
  StdModul::SetBusyCursor(false);
  run.portName = u"Dravelin:";
  const std::u16string portKey = run.monitorKey + u"\\Ports\\" + run.portName;
  run.printScriptPath = run.programFolder + u"Merovast.cmd";

  StdRegistry::RegSetString(kLocalMachine, portKey, u"Description", u"Drucken in die PDF");
  StdRegistry::RegSetString(kLocalMachine, portKey, u"Command", run.printScriptPath);
  StdRegistry::RegSetString(kLocalMachine, portKey, u"Arguments", u"");
  StdRegistry::RegSetString(kLocalMachine, portKey, u"Printer", u"");
  StdRegistry::RegSetDword(kLocalMachine, portKey, u"Output", 0);
  StdRegistry::RegSetDword(kLocalMachine, portKey, u"ShowWindow", 2);
  StdRegistry::RegSetDword(kLocalMachine, portKey, u"RunUser", 1);
  StdRegistry::RegSetDword(kLocalMachine, portKey, u"Delay", 300);
  StdRegistry::RegSetDword(kLocalMachine, portKey, u"LogFileUse", 0);
  StdRegistry::RegSetString(kLocalMachine, portKey, u"LogFileName", u"");
  StdRegistry::RegSetDword(kLocalMachine, portKey, u"LogFileDebug", 0);
  StdRegistry::RegSetDword(kLocalMachine, portKey, u"PrintError", 0);
}

}  // namespace Module1
