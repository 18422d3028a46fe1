// Windows protected print mode (Windows 11 24H2 and later): in it the
// spooler only uses inbox drivers of Windows, removes printers with
// third-party drivers and refuses to add them, so an installation could only
// leave the port and the print script behind.
//
// Microsoft's Policy CSP - Printers, ConfigureWindowsProtectedPrint
// ("Configure Windows protected print"), ADMX mapping: registry key
// Software\Policies\Microsoft\Windows NT\Printers\WPP, value
// WindowsProtectedPrintGroupPolicyState, Printing.admx. "If you enable this
// setting, the computer will operate in Windows protected print mode which
// only allows printing to printers that support a subset of inbox Windows
// print drivers." An ADMX policy without an enabledValue of its own writes
// the REG_DWORD 1 when it is enabled and 0 when it is disabled.
#include "installer/Module1.h"
#include "installer/RunSupport.h"
#include "std/StdRegistry.h"

namespace Module1 {

namespace {

const std::u16string kPolicyKey = u"Software\\Policies\\Microsoft\\Windows NT\\Printers\\WPP";
const std::u16string kPolicyValue = u"WindowsProtectedPrintGroupPolicyState";

}  // namespace

bool ProtectedPrintModeOn(const RunValues& run) {
  const std::u16string state = StdRegistry::RegGetValue(kLocalMachine, kPolicyKey, kPolicyValue, u"");
  Note(run, u"Windows-Richtlinie \"Windows protected print\" (HKLM\\" + kPolicyKey + u" Wert \"" +
                kPolicyValue + u"\"): " + (state.empty() ? u"nicht gesetzt" : state));
  return state == u"1";
}

}  // namespace Module1
