#include "installer/PrinterCheck.h"

#include "installer/Names.h"
#include "installer/RunLog.h"
#include "platform/owners.h"

namespace Module1 {
namespace {

std::u16string Lowered(std::u16string text) {
  platform::CharLowerBuffW(&text);
  return text;
}

}  // namespace

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
  return view.known && Lowered(view.port) == Lowered(kPortName) &&
         Lowered(view.driver) == Lowered(kDriverModel);
}

std::u16string Describe(const SpoolerView& view) {
  if (!view.known) return u"dem Spooler unbekannt (Fehler " + Decimal(view.error) + u")";
  return u"Anschluss \"" + view.port + u"\", Treiber \"" + view.driver + u"\"";
}

}  // namespace Module1
