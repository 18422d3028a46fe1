#include "installer/PrinterCheck.h"

#include "installer/Names.h"
#include "installer/RunLog.h"
#include "installer/RunSupport.h"
#include "platform/owners.h"

namespace Module1 {

SpoolerView AskSpooler(const std::u16string& printerName) {
  SpoolerView view;
  platform::UniquePrinter printer;
  if (!platform::OpenPrinterA(platform::ToAnsi(printerName), platform::kPrinterAccessUse,
                              printer.Receive())) {
    view.error = platform::GetLastError();
    return view;
  }
  platform::PrinterInfo2 info;
  if (!platform::GetPrinterA(printer.Get(), &info)) {
    view.error = platform::GetLastError();
    return view;
  }
  view.known = true;
  view.port = platform::FromAnsi(info.portName);
  view.driver = platform::FromAnsi(info.driverName);
  return view;
}

bool IsInstalledAsOurs(const SpoolerView& view) {
  return view.known && SameName(view.port, kPortName) && SameName(view.driver, kDriverModel);
}

std::u16string Describe(const SpoolerView& view) {
  if (!view.known) return u"dem Spooler unbekannt (Fehler " + Decimal(view.error) + u")";
  return u"Anschluss \"" + view.port + u"\", Treiber \"" + view.driver + u"\"";
}

}  // namespace Module1
