#include <cstdint>
#include <string>

#include "installer/Module1.h"
#include "installer/Names.h"
#include "installer/RunSupport.h"
#include "std/StdModul.h"
#include "std/StdRegistry.h"

namespace Module1 {
namespace {

constexpr std::size_t kPrinterDataSize = 560;

// How long a quiet run lets PrintUIEntry /if run: it stages the driver
// package from the INF, installs the PostScript driver and creates the
// printer through the spooler, a minute or two on a slow or busy machine.
// Ten minutes (see PortMonitor.cpp for the sum of the limits).
constexpr platform::Dword kPrinterSetupLimit = 10 * 60 * 1000;

// The driver's private settings: 45 fixed bytes, zeros up to 560 bytes.
// Bytes 2 and 3 hold the block's own size, 560, little-endian.
StdRegistry::ByteBlock PrinterData() {
  StdRegistry::ByteBlock block = {
      0x02, 0x05, 0x30, 0x02, 0x01, 0x0B, 0x00, 0x00, 0x00, 0x48, 0xE8, 0x01, 0x00, 0x00, 0x00,
      0x00, 0x2C, 0x01, 0x00, 0x00, 0x64, 0x00, 0x58, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x62, 0xE8, 0xC3, 0xB3, 0x00};
  block.resize(kPrinterDataSize, 0x00);
  return block;
}

}  // namespace

void InstallPrinter(const RunValues& run) {
  // /q: PrintUIEntry reports a failure in a message box of its own unless
  // told to be quiet, and nobody could close it in a quiet run. RUNDLL32 is
  // the system's, by its full path: a RUNDLL32.exe beside this program would
  // be found first by a search. rundll32 reads its own command line, which
  // stays as it always was.
  RunCommand(run, run.systemFolder + u"\\rundll32.exe",
             u"RUNDLL32 PRINTUI.DLL,PrintUIEntry /if /b \"" + run.printerName + u"\" /f \"" +
                 run.packageFolder + u"Merovast.inf\" /r \"" + run.portName + u"\" /m \"" + kDriverModel +
                 u"\"" + (run.quiet ? u" /q" : u""),
             kPrinterSetupLimit);

  const std::u16string driverDataKey =
      kPrintersKey + u"\\" + run.printerName + u"\\PrinterDriverData";
  StdRegistry::RegSetDword(kLocalMachine, driverDataKey, u"Protocol", 16);
  StdRegistry::RegSetDword(kLocalMachine, driverDataKey, u"PrinterDataSize",
                           static_cast<std::int32_t>(kPrinterDataSize));
  StdRegistry::RegSetBinary(kLocalMachine, driverDataKey, u"PrinterData", PrinterData());

  StdModul::SetBusyCursor(true);
}

}  // namespace Module1
