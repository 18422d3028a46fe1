#include <string>

#include "installer/Module1.h"
#include "installer/Names.h"
#include "installer/RunSupport.h"
#include "std/StdModul.h"
#include "std/StdRegistry.h"

namespace Module1 {

std::vector<PortValue> PortValues(const std::u16string& printScriptPath) {
  using platform::kRegDword;
  using platform::kRegSz;
  return {
      {u"Description", kRegSz, u"Drucken in die PDF", 0},
      {u"Command", kRegSz, printScriptPath, 0},
      {u"Arguments", kRegSz, u"", 0},
      {u"Printer", kRegSz, u"", 0},
      {u"Output", kRegDword, u"", 0},
      {u"ShowWindow", kRegDword, u"", 2},
      {u"RunUser", kRegDword, u"", 1},
      {u"Delay", kRegDword, u"", 300},
      {u"LogFileUse", kRegDword, u"", 0},
      {u"LogFileName", kRegSz, u"", 0},
      {u"LogFileDebug", kRegDword, u"", 0},
      {u"PrintError", kRegDword, u"", 0},
  };
}

std::string StoredBytes(const PortValue& value) {
  if (value.type == platform::kRegSz) return platform::ToAnsi(value.text) + '\0';
  std::string bytes;
  auto number = static_cast<std::uint32_t>(value.number);
  for (int i = 0; i < 4; ++i, number >>= 8) bytes += static_cast<char>(number & 0xFF);
  return bytes;
}

std::u16string PortKey(const std::u16string& monitorKey) {
  return monitorKey + u"\\Ports\\" + kPortName;
}

void SetPortRunValues(RunValues& run) {
  run.portName = kPortName;
  run.printScriptPath = run.programFolder + kPrintScriptName;
}

// RedMon reads these values when the spooler starts the port; the registry
// writes report nothing, and the run goes on whatever they did.
void ConfigurePort(RunValues& run) {
  StdModul::SetBusyCursor(false);
  SetPortRunValues(run);
  const std::u16string portKey = PortKey(run.monitorKey);
  for (const PortValue& value : PortValues(run.printScriptPath)) {
    if (value.type == platform::kRegSz) {
      StdRegistry::RegSetString(kLocalMachine, portKey, value.name, value.text);
    } else {
      StdRegistry::RegSetDword(kLocalMachine, portKey, value.name, value.number);
    }
  }
}

}  // namespace Module1
