// The printer as the spooler knows it: opened by name through the spooler
// (OpenPrinterA) and read at level 2 (GetPrinterA), never from the registry.
// Microsoft documents printers through this interface only; the layout of
// the printers' registry key is not one (EnumPrinterKey, Remarks).
#pragma once

#include <string>

#include "platform/platform.h"

namespace Module1 {

struct SpoolerView {
  bool known = false;          // the spooler has a printer of this name
  platform::Dword error = 0;   // why not: kErrorInvalidPrinterName, kRpcServerUnavailable, ...
  std::u16string port, driver;
};

// What the spooler answers for the printer name.
SpoolerView AskSpooler(const std::u16string& printerName);

// Whether the spooler has the printer on the port "Dravelin:" with the
// driver model Merovast.inf names (names compared without regard to case,
// as the spooler compares them).
bool IsInstalledAsOurs(const SpoolerView& view);

// For the run's record: "Anschluss \"Dravelin:\", Treiber \"...\"" or
// "dem Spooler unbekannt (Fehler 1801)".
std::u16string Describe(const SpoolerView& view);

}  // namespace Module1
