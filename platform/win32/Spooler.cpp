// The spooler's printer calls of winspool.drv, ANSI form.
#include <vector>

#include "platform/win32/WinCommon.h"

#include <winspool.h>

namespace platform {

using win32::FromHandle;
using win32::ToHandle;

bool OpenPrinterA(const std::string& name, Dword desiredAccess, Handle* printer) {
  // pPrinterName is not const in the declaration although it is only read.
  std::vector<char> writableName(name.begin(), name.end());
  writableName.push_back('\0');
  PRINTER_DEFAULTSA defaults{nullptr, nullptr, desiredAccess};
  HANDLE opened = nullptr;
  if (!::OpenPrinterA(writableName.data(), &opened, &defaults)) return false;
  if (printer != nullptr) *printer = FromHandle(opened);
  return true;
}

bool GetPrinterA(Handle printer, PrinterInfo2* info) {
  // The record and the texts it points to share one buffer; its size comes
  // from a first call without a buffer, which fails with
  // ERROR_INSUFFICIENT_BUFFER. A printer changed in between fails the second
  // call the same way, and the caller sees a failure.
  DWORD needed = 0;
  ::GetPrinterA(ToHandle(printer), 2, nullptr, 0, &needed);
  if (needed == 0) return false;
  std::vector<BYTE> buffer(needed);
  if (!::GetPrinterA(ToHandle(printer), 2, buffer.data(), needed, &needed)) return false;
  const auto* record = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
  const auto text = [](const char* value) { return value == nullptr ? std::string() : std::string(value); };
  if (info != nullptr) {
    info->printerName = text(record->pPrinterName);
    info->portName = text(record->pPortName);
    info->driverName = text(record->pDriverName);
    info->status = record->Status;
  }
  return true;
}

bool DeletePrinter(Handle printer) { return ::DeletePrinter(ToHandle(printer)) != FALSE; }

bool ClosePrinter(Handle printer) { return ::ClosePrinter(ToHandle(printer)) != FALSE; }

}  // namespace platform
