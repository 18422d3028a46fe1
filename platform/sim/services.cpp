// The simulated service manager: services with their dependencies, stop and
// start requests that pass through a pending state for one second of the
// tick count, and handles of the manager and its services.
#include <algorithm>

#include "platform/sim/sim_state.h"

namespace platform {

using namespace sim::detail;

namespace {

constexpr Dword kPendingMilliseconds = 1000;
constexpr Dword kWaitHint = 2000;
constexpr Dword kErrorServiceCannotAcceptCtrl = 1061;
constexpr Dword kErrorServiceDependencyFail = 1068;
constexpr Dword kErrorProcessAborted = 1067;

Service* FindService(const std::string& name) {
  for (Service& service : Machine().services.services) {
    if (SameName(service.name, name)) return &service;
  }
  return nullptr;
}

// A pending state whose time has come becomes the state it leads to.
Service& Settled(Service& service) {
  if (service.target != 0 && Machine().tickCount - service.pendingUntil < 0x80000000u) {
    service.state = service.target;
    service.target = 0;
  }
  return service;
}

ServiceStatus StatusOf(Service& service) {
  Settled(service);
  const bool pending = service.state == kServiceStartPending || service.state == kServiceStopPending;
  return ServiceStatus{service.state, service.exitCode, pending ? 1u : 0u, pending ? kWaitHint : 0u};
}

void Begin(Service& service, Dword pendingState, Dword target) {
  service.state = pendingState;
  service.target = target;
  service.pendingUntil = Machine().tickCount + kPendingMilliseconds;
}

// The open service a handle stands for, when it was opened with the right;
// the last error is set otherwise.
Service* Opened(Handle handle, Dword right) {
  const auto& handles = Machine().services.handles;
  const auto it = handles.find(handle);
  if (it == handles.end() || it->second.first.empty()) {
    Fail(kErrorInvalidHandle);
    return nullptr;
  }
  if ((it->second.second & right) == 0) {
    Fail(kErrorAccessDenied);
    return nullptr;
  }
  return &Settled(*FindService(it->second.first));
}

// The services that depend on this one, directly or through others, each
// after those that depend on it: the reverse of the order they start in.
void CollectDependents(const std::string& name, std::vector<Service*>* found) {
  for (Service& service : Machine().services.services) {
    const auto& deps = service.dependsOn;
    const bool depends = std::any_of(deps.begin(), deps.end(), [&](const std::string& d) { return SameName(d, name); });
    if (!depends || std::find(found->begin(), found->end(), &service) != found->end()) continue;
    CollectDependents(service.name, found);
    found->push_back(&Settled(service));
  }
}

bool Start(Service& service) {
  for (const std::string& dependency : service.dependsOn) {
    Service* needed = FindService(dependency);
    if (needed == nullptr) return Fail(kErrorServiceDependencyFail);
    // A dependency on its way up counts as started: it runs before this
    // service's own pending start ends.
    if (Settled(*needed).state == kServiceStopped && !Start(*needed)) return Fail(kErrorServiceDependencyFail);
    if (needed->startFails) return Fail(kErrorServiceDependencyFail);
  }
  service.exitCode = service.startFails ? kErrorProcessAborted : 0;
  Begin(service, kServiceStartPending, service.startFails ? kServiceStopped : kServiceRunning);
  Machine().services.controls.push_back("start " + service.name);
  return true;
}

}  // namespace

void Sleep(Dword milliseconds) {
  Count("Sleep");
  Machine().tickCount += milliseconds;
}

Handle OpenSCManagerA(Dword access) {
  Count("OpenSCManagerA");
  const Handle handle = NewHandleValue();
  Machine().services.handles[handle] = {std::string(), access};
  return handle;
}

Handle OpenServiceA(Handle manager, const std::string& name, Dword access) {
  Count("OpenServiceA");
  const auto& handles = Machine().services.handles;
  const auto it = handles.find(manager);
  if (it == handles.end() || !it->second.first.empty()) {
    Fail(kErrorInvalidHandle);
    return 0;
  }
  const Service* service = FindService(name);
  if (service == nullptr) {
    Fail(kErrorServiceDoesNotExist);
    return 0;
  }
  const Handle handle = NewHandleValue();
  Machine().services.handles[handle] = {service->name, access};
  return handle;
}

bool QueryServiceStatus(Handle service, ServiceStatus* status) {
  Count("QueryServiceStatus");
  Service* found = Opened(service, kServiceQueryStatus);
  if (found == nullptr) return false;
  *status = StatusOf(*found);
  return true;
}

bool ControlService(Handle service, Dword control, ServiceStatus* status) {
  Count("ControlService");
  // Only the stop request is simulated.
  Service* found = Opened(service, control == kServiceControlStop ? kServiceStop : 0xFFFFFFFFu);
  if (found == nullptr) return false;
  if (control != kServiceControlStop) return Fail(kErrorInvalidParameter);
  if (found->state == kServiceStopped) {
    *status = StatusOf(*found);
    return Fail(kErrorServiceNotActive);
  }
  if (found->state != kServiceRunning) {
    *status = StatusOf(*found);
    return Fail(kErrorServiceCannotAcceptCtrl);
  }
  std::vector<Service*> dependents;
  CollectDependents(found->name, &dependents);
  for (const Service* dependent : dependents) {
    if (dependent->state != kServiceStopped) return Fail(kErrorDependentServicesRunning);
  }
  Begin(*found, kServiceStopPending, found->stopHangs ? 0 : kServiceStopped);
  if (found->stopHangs) found->target = 0;
  Machine().services.controls.push_back("stop " + found->name);
  *status = StatusOf(*found);
  return true;
}

bool StartServiceA(Handle service) {
  Count("StartServiceA");
  Service* found = Opened(service, kServiceStart);
  if (found == nullptr) return false;
  if (found->state != kServiceStopped) return Fail(kErrorServiceAlreadyRunning);
  return Start(*found);
}

bool EnumDependentServicesA(Handle service, Dword states, std::vector<DependentService>* services) {
  Count("EnumDependentServicesA");
  Service* found = Opened(service, kServiceEnumerateDependents);
  if (found == nullptr) return false;
  std::vector<Service*> dependents;
  CollectDependents(found->name, &dependents);
  std::vector<DependentService> listed;
  for (Service* dependent : dependents) {
    const bool active = dependent->state != kServiceStopped;
    if ((active && (states & kServiceActive) != 0) || (!active && (states & 2) != 0)) {
      listed.push_back(DependentService{dependent->name, StatusOf(*dependent)});
    }
  }
  *services = listed;
  return true;
}

bool CloseServiceHandle(Handle handle) {
  Count("CloseServiceHandle");
  if (Machine().services.handles.erase(handle) == 0) return Fail(kErrorInvalidHandle);
  return true;
}

void sim::AddService(const std::string& name, bool running, const std::vector<std::string>& dependsOn) {
  const Service service{name, running ? kServiceRunning : kServiceStopped, dependsOn, false, false, 0, 0, 0};
  if (Service* existing = FindService(name)) {
    *existing = service;
  } else {
    Machine().services.services.push_back(service);
  }
}

void sim::FailServiceStart(const std::string& name) {
  if (Service* service = FindService(name)) service->startFails = true;
}

void sim::HangServiceStop(const std::string& name) {
  if (Service* service = FindService(name)) service->stopHangs = true;
}

Dword sim::ServiceState(const std::string& name) {
  Service* service = FindService(name);
  return service == nullptr ? 0 : Settled(*service).state;
}

const std::vector<std::string>& sim::ServiceControls() { return Machine().services.controls; }

}  // namespace platform
