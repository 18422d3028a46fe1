// The spooler's printers and the service manager: what the removal and the
// verification of an installation rely on.
#include <string>
#include <vector>

#include "tests/contract/contract_support.h"

namespace contract {
namespace {

using namespace platform;

const std::string kUnknownPrinter = "DravelinContract Unbekannt";
const std::string kPrinter = "DravelinContract";
const std::string kPrintersKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";

class SpoolerContract : public Contract {
 protected:
  void SetUp() override {
    Contract::SetUp();
    manager_.Reset(OpenSCManagerA(kScManagerConnect));
    ASSERT_TRUE(manager_.IsValid()) << GetLastError();
    spooler_.Reset(OpenServiceA(manager_.Get(), "Spooler",
                                kServiceQueryStatus | kServiceStart | kServiceStop | kServiceEnumerateDependents));
    ASSERT_TRUE(spooler_.IsValid()) << GetLastError();
    // A fresh Wine session starts without its spooler; Windows has it running.
    if (State() != kServiceRunning) {
      EXPECT_TRUE(StartServiceA(spooler_.Get())) << GetLastError();
      EXPECT_TRUE(WaitFor(kServiceRunning));
    }
  }

  Dword State() {
    ServiceStatus status;
    return QueryServiceStatus(spooler_.Get(), &status) ? status.currentState : 0;
  }

  // Polls for at most 30 s; answers whether the spooler got there.
  bool WaitFor(Dword state) {
    for (int i = 0; i < 300; ++i) {
      if (State() == state) return true;
      platform::Sleep(100);
    }
    return false;
  }

  UniqueService manager_;
  UniqueService spooler_;
};

// A printer the spooler does not know: ERROR_INVALID_PRINTER_NAME, the
// handle untouched.
TEST_F(SpoolerContract, UnknownPrinter) {
  Handle printer = static_cast<Handle>(kSentinel);
  SetLastError(kSentinel);
  EXPECT_FALSE(OpenPrinterA(kUnknownPrinter, kPrinterAccessUse, &printer));
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorInvalidPrinterName));
  EXPECT_EQ(printer, static_cast<Handle>(kSentinel));
}

// Level 2 answers the port and the driver; after DeletePrinter the spooler
// knows the printer no longer, and its key below the printers' key is gone.
TEST_F(SpoolerContract, PrinterReadAndDeleted) {
  ASSERT_TRUE(AddPrinterForTest(kPrinter, "Dravelin:", "Dududoru PDF-Writer Plus 1.0 RC9"));
  {
    UniquePrinter printer;
    ASSERT_TRUE(OpenPrinterA(kPrinter, kPrinterAccessUse, printer.Receive())) << GetLastError();
    PrinterInfo2 info;
    ASSERT_TRUE(GetPrinterA(printer.Get(), &info)) << GetLastError();
    EXPECT_EQ(info.printerName, kPrinter);
    EXPECT_EQ(info.portName, "Dravelin:");
    EXPECT_EQ(info.driverName, "Dududoru PDF-Writer Plus 1.0 RC9");
  }
  {
    UniquePrinter printer;
    ASSERT_TRUE(OpenPrinterA(kPrinter, kPrinterAllAccess, printer.Receive())) << GetLastError();
    EXPECT_TRUE(DeletePrinter(printer.Get())) << GetLastError();
  }
  UniquePrinter gone;
  EXPECT_FALSE(OpenPrinterA(kPrinter, kPrinterAccessUse, gone.Receive()));
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorInvalidPrinterName));
  UniqueKey key;
  EXPECT_EQ(RegOpenKeyExA(kHkeyLocalMachine, kPrintersKey + kPrinter, 0, kKeyQueryValue, key.Receive()),
            kErrorFileNotFound);
}

TEST_F(SpoolerContract, UnknownService) {
  SetLastError(kSentinel);
  UniqueService service(OpenServiceA(manager_.Get(), "DravelinKeinDienst", kServiceQueryStatus));
  EXPECT_FALSE(service.IsValid());
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorServiceDoesNotExist));
}

// The stop request answers the state it leads to; a second one, and a start
// of a running service, are refused with their own errors. Without the
// service, OpenPrinterA answers what StoppedSpoolerPrinterError says.
TEST_F(SpoolerContract, SpoolerStopsAndStartsAgain) {
  std::vector<DependentService> dependents{{"sentinel", {}}};
  EXPECT_TRUE(EnumDependentServicesA(spooler_.Get(), kServiceActive, &dependents)) << GetLastError();
  EXPECT_TRUE(dependents.empty()) << dependents.size() << " dependents, the first " << dependents[0].serviceName;
  EXPECT_FALSE(StartServiceA(spooler_.Get()));
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorServiceAlreadyRunning));

  ServiceStatus status;
  ASSERT_TRUE(ControlService(spooler_.Get(), kServiceControlStop, &status)) << GetLastError();
  EXPECT_TRUE(status.currentState == kServiceStopPending || status.currentState == kServiceStopped)
      << status.currentState;
  ASSERT_TRUE(WaitFor(kServiceStopped));
  status.currentState = kSentinel;
  EXPECT_FALSE(ControlService(spooler_.Get(), kServiceControlStop, &status));
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorServiceNotActive));
  EXPECT_EQ(status.currentState, kServiceStopped);

  UniquePrinter printer;
  EXPECT_FALSE(OpenPrinterA(kUnknownPrinter, kPrinterAccessUse, printer.Receive()));
  EXPECT_EQ(GetLastError(), StoppedSpoolerPrinterError());

  EXPECT_TRUE(StartServiceA(spooler_.Get())) << GetLastError();
  EXPECT_TRUE(WaitFor(kServiceRunning));
}

}  // namespace
}  // namespace contract
