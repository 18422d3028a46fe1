// The names that the installation, the repair and the removal share: what
// one of them creates, the others find by the same name.
#pragma once

#include <string>

namespace Module1 {

inline const std::u16string kPrinterName = u"DUR-Orarudi";
inline const std::u16string kPortName = u"Dravelin:";
// The driver model Merovast.inf names: PrintUIEntry /m installs it, and the
// spooler must report it for the installed printer.
inline const std::u16string kDriverModel = u"Dududoru PDF-Writer Plus 1.0 RC9";
// The print script the port runs, in the program folder.
inline const std::u16string kPrintScriptName = u"Merovast.cmd";
inline const std::u16string kOutputFolder = u"c:\\Daten\\PDF";

// The key below HKEY_LOCAL_MACHINE that holds one subkey per port monitor;
// RedMon registers under its English or its German name.
inline const std::u16string kMonitorsKey = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors";
inline const std::u16string kMonitorNames[] = {u"Redirected Port", u"Umgeleiteter Anschlu\u00DF"};

// The spooler's service name.
inline const char kSpoolerService[] = "Spooler";

}  // namespace Module1
