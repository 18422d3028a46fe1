// The simulated spooler: printers by name with their port and driver, open
// printer handles, and the printers' keys in the registry as the spooler
// keeps them.
#include <algorithm>

#include "platform/sim/sim_state.h"

namespace platform {

using namespace sim::detail;

namespace {

const std::string kPrintersKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";

SpoolerPrinter* FindPrinter(const std::string& name) {
  for (SpoolerPrinter& printer : Machine().spooler.printers) {
    if (SameName(printer.name, name)) return &printer;
  }
  return nullptr;
}

bool SpoolerRuns() {
  for (const Service& service : Machine().services.services) {
    if (SameName(service.name, "Spooler")) return service.state == kServiceRunning;
  }
  return false;
}

}  // namespace

bool OpenPrinterA(const std::string& name, Dword desiredAccess, Handle* printer) {
  Count("OpenPrinterA");
  // winspool asks the spooler service through RPC; without it nothing answers.
  if (!SpoolerRuns()) return Fail(kRpcServerUnavailable);
  const SpoolerPrinter* found = FindPrinter(name);
  if (found == nullptr) return Fail(kErrorInvalidPrinterName);
  const Handle handle = NewHandleValue();
  Machine().spooler.handles[handle] = {found->name, desiredAccess};
  *printer = handle;
  return true;
}

bool GetPrinterA(Handle printer, PrinterInfo2* info) {
  Count("GetPrinterA");
  const auto it = Machine().spooler.handles.find(printer);
  if (it == Machine().spooler.handles.end()) return Fail(kErrorInvalidHandle);
  const SpoolerPrinter* found = FindPrinter(it->second.first);
  if (found == nullptr) return Fail(kErrorInvalidPrinterName);
  *info = PrinterInfo2{found->name, found->port, found->driver, 0};
  return true;
}

bool DeletePrinter(Handle printer) {
  Count("DeletePrinter");
  Spooler& spooler = Machine().spooler;
  const auto it = spooler.handles.find(printer);
  if (it == spooler.handles.end()) return Fail(kErrorInvalidHandle);
  if ((it->second.second & kDelete) == 0) return Fail(kErrorAccessDenied);
  if (spooler.deleteError != 0) return Fail(spooler.deleteError);
  const std::string name = it->second.first;
  auto& printers = spooler.printers;
  printers.erase(std::remove_if(printers.begin(), printers.end(),
                                [&](const SpoolerPrinter& p) { return SameName(p.name, name); }),
                 printers.end());
  // The spooler's own key of the printer goes with it, subkeys included.
  if (const auto key = FindKey(kHkeyLocalMachine, kPrintersKey + "\\" + name)) {
    auto& siblings = key->parent->children;
    siblings.erase(std::find(siblings.begin(), siblings.end(), key));
  }
  return true;
}

bool ClosePrinter(Handle printer) {
  Count("ClosePrinter");
  if (Machine().spooler.handles.erase(printer) == 0) return Fail(kErrorInvalidHandle);
  return true;
}

void sim::AddPrinter(const std::string& name, const std::string& port, const std::string& driver) {
  if (SpoolerPrinter* existing = FindPrinter(name)) {
    *existing = SpoolerPrinter{name, port, driver};
  } else {
    Machine().spooler.printers.push_back(SpoolerPrinter{name, port, driver});
  }
  const std::string key = kPrintersKey + "\\" + name;
  SetValue(kHkeyLocalMachine, key, "Name", kRegSz, name + '\0');
  SetValue(kHkeyLocalMachine, key, "Port", kRegSz, port + '\0');
  SetValue(kHkeyLocalMachine, key, "Printer Driver", kRegSz, driver + '\0');
}

std::vector<sim::Printer> sim::Printers() {
  std::vector<Printer> printers;
  for (const SpoolerPrinter& p : Machine().spooler.printers) printers.push_back(Printer{p.name, p.port, p.driver});
  return printers;
}

void sim::FailDeletePrinter(Dword error) { Machine().spooler.deleteError = error; }

}  // namespace platform
