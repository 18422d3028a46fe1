#include "installer/SpoolerService.h"

#include <algorithm>

#include "installer/Names.h"
#include "installer/RunLog.h"
#include "installer/RunSupport.h"
#include "platform/owners.h"

namespace Module1 {
namespace {

using platform::Dword;

// How long one service may take to reach the state asked for.
constexpr Dword kStateBoundMilliseconds = 30000;

std::u16string Name(const std::string& service) { return platform::FromAnsi(service); }

// Polls the service until it is in the wanted state, for at most the bound.
// Between polls it pauses as Microsoft's sample "Starting a Service" does: a
// tenth of the service's wait hint, at least one and at most ten seconds.
// A service that falls back to SERVICE_STOPPED while it should start has
// failed at once. Answers whether the state was reached; *status holds the
// last one seen.
bool WaitForState(platform::Handle service, Dword wanted, platform::ServiceStatus* status) {
  const Dword began = platform::GetTickCount();
  for (;;) {
    if (!platform::QueryServiceStatus(service, status)) return false;
    if (status->currentState == wanted) return true;
    if (wanted == platform::kServiceRunning && status->currentState == platform::kServiceStopped) {
      return false;
    }
    // Unsigned subtraction stays right across the counter's wrap.
    const Dword waited = platform::GetTickCount() - began;
    if (waited >= kStateBoundMilliseconds) return false;
    const Dword pause = std::min<Dword>(std::clamp<Dword>(status->waitHint / 10, 1000, 10000),
                                        kStateBoundMilliseconds - waited);
    platform::Sleep(pause);
  }
}

std::u16string StateText(const platform::ServiceStatus& status) {
  return u"Zustand " + Decimal(status.currentState);
}

platform::UniqueService OpenManager(const RunValues& run) {
  platform::UniqueService manager(platform::OpenSCManagerA(platform::kScManagerConnect));
  if (!manager.IsValid()) {
    Note(run, u"Dienststeuerung nicht erreichbar (Fehler " + Decimal(platform::GetLastError()) + u")");
  }
  return manager;
}

platform::UniqueService OpenService(const RunValues& run, const platform::UniqueService& manager,
                                    const std::string& name) {
  platform::UniqueService service(platform::OpenServiceA(
      manager.Get(), name,
      platform::kServiceQueryStatus | platform::kServiceStart | platform::kServiceStop |
          platform::kServiceEnumerateDependents));
  if (!service.IsValid()) {
    Note(run, u"Dienst " + Name(name) + u" nicht ge\u00F6ffnet (Fehler " +
                  Decimal(platform::GetLastError()) + u")");
  }
  return service;
}

// Asks the service to stop and waits until it has.
bool Stop(const RunValues& run, platform::Handle service, const std::string& name) {
  platform::ServiceStatus status;
  if (!platform::ControlService(service, platform::kServiceControlStop, &status) &&
      platform::GetLastError() != static_cast<Dword>(platform::kErrorServiceNotActive)) {
    Note(run, u"Dienst " + Name(name) + u" l\u00E4sst sich nicht anhalten (Fehler " +
                  Decimal(platform::GetLastError()) + u")");
    return false;
  }
  if (!WaitForState(service, platform::kServiceStopped, &status)) {
    Note(run, u"Dienst " + Name(name) + u" ist nicht angehalten (" + StateText(status) + u")");
    return false;
  }
  Note(run, u"Dienst " + Name(name) + u" angehalten");
  return true;
}

// Starts the service and waits until it runs.
bool Start(const RunValues& run, platform::Handle service, const std::string& name) {
  platform::ServiceStatus status;
  if (!platform::StartServiceA(service) &&
      platform::GetLastError() != static_cast<Dword>(platform::kErrorServiceAlreadyRunning)) {
    Note(run, u"Dienst " + Name(name) + u" l\u00E4sst sich nicht starten (Fehler " +
                  Decimal(platform::GetLastError()) + u")");
    return false;
  }
  if (!WaitForState(service, platform::kServiceRunning, &status)) {
    Note(run, u"Dienst " + Name(name) + u" l\u00E4uft nicht (" + StateText(status) + u", Exitcode " +
                  Decimal(status.win32ExitCode) + u")");
    return false;
  }
  Note(run, u"Dienst " + Name(name) + u" l\u00E4uft wieder");
  return true;
}

}  // namespace

bool SpoolerRuns() {
  const platform::UniqueService manager(platform::OpenSCManagerA(platform::kScManagerConnect));
  const platform::UniqueService spooler(
      platform::OpenServiceA(manager.Get(), kSpoolerService, platform::kServiceQueryStatus));
  platform::ServiceStatus status;
  return spooler.IsValid() && platform::QueryServiceStatus(spooler.Get(), &status) &&
         status.currentState == platform::kServiceRunning;
}

SpoolerStop StopSpooler(const RunValues& run) {
  SpoolerStop stop;
  const platform::UniqueService manager = OpenManager(run);
  if (!manager.IsValid()) return stop;
  const platform::UniqueService spooler = OpenService(run, manager, kSpoolerService);
  platform::ServiceStatus status;
  if (!spooler.IsValid() || !platform::QueryServiceStatus(spooler.Get(), &status)) return stop;
  if (status.currentState != platform::kServiceRunning) {
    Note(run, u"Die Druckwarteschlange l\u00E4uft nicht (" + StateText(status) + u") und bleibt, wie sie ist");
    return stop;
  }
  stop.ran = true;

  // The manager refuses to stop a service while services that depend on it
  // run (ERROR_DEPENDENT_SERVICES_RUNNING); it lists them in the order in
  // which they are to be stopped, the reverse of their start order.
  std::vector<platform::DependentService> dependents;
  if (!platform::EnumDependentServicesA(spooler.Get(), platform::kServiceActive, &dependents)) {
    Note(run, u"Abh\u00E4ngige Dienste nicht ermittelt (Fehler " + Decimal(platform::GetLastError()) + u")");
  }
  std::u16string names;
  for (const platform::DependentService& dependent : dependents) {
    names += (names.empty() ? u"" : u", ") + Name(dependent.serviceName);
  }
  Note(run, u"Die Druckwarteschlange l\u00E4uft; laufende abh\u00E4ngige Dienste: " +
                (names.empty() ? std::u16string(u"keine") : names));
  for (const platform::DependentService& dependent : dependents) {
    const platform::UniqueService service = OpenService(run, manager, dependent.serviceName);
    if (!service.IsValid()) continue;
    // Recorded before the stop, so that even a half-stopped one is started again.
    stop.dependents.push_back(dependent.serviceName);
    Stop(run, service.Get(), dependent.serviceName);
  }
  stop.stopped = Stop(run, spooler.Get(), kSpoolerService);
  return stop;
}

bool StartSpoolerAgain(const RunValues& run, const SpoolerStop& stop) {
  if (!stop.ran) return true;
  const platform::UniqueService manager = OpenManager(run);
  if (!manager.IsValid()) return false;
  const platform::UniqueService spooler = OpenService(run, manager, kSpoolerService);
  if (!spooler.IsValid()) return false;
  Start(run, spooler.Get(), kSpoolerService);
  for (auto it = stop.dependents.rbegin(); it != stop.dependents.rend(); ++it) {
    const platform::UniqueService service = OpenService(run, manager, *it);
    if (service.IsValid()) Start(run, service.Get(), *it);
  }
  platform::ServiceStatus status;
  return platform::QueryServiceStatus(spooler.Get(), &status) &&
         status.currentState == platform::kServiceRunning;
}

}  // namespace Module1
