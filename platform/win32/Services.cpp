// The service control manager's calls of advapi32, ANSI form.
#include <vector>

#include "platform/win32/WinCommon.h"

namespace platform {

namespace {

SC_HANDLE ToService(Handle handle) { return reinterpret_cast<SC_HANDLE>(handle); }
Handle FromService(SC_HANDLE handle) { return reinterpret_cast<Handle>(handle); }

void CopyStatus(const SERVICE_STATUS& from, ServiceStatus* to) {
  if (to == nullptr) return;
  to->currentState = from.dwCurrentState;
  to->win32ExitCode = from.dwWin32ExitCode;
  to->checkPoint = from.dwCheckPoint;
  to->waitHint = from.dwWaitHint;
}

}  // namespace

Handle OpenSCManagerA(Dword access) { return FromService(::OpenSCManagerA(nullptr, nullptr, access)); }

Handle OpenServiceA(Handle manager, const std::string& name, Dword access) {
  return FromService(::OpenServiceA(ToService(manager), name.c_str(), access));
}

bool QueryServiceStatus(Handle service, ServiceStatus* status) {
  SERVICE_STATUS found{};
  if (!::QueryServiceStatus(ToService(service), &found)) return false;
  CopyStatus(found, status);
  return true;
}

bool ControlService(Handle service, Dword control, ServiceStatus* status) {
  // The platform fills the record in on success and for the failures
  // ERROR_INVALID_SERVICE_CONTROL, ERROR_SERVICE_CANNOT_ACCEPT_CTRL and
  // ERROR_SERVICE_NOT_ACTIVE (ControlService, Remarks).
  SERVICE_STATUS found{};
  const BOOL ok = ::ControlService(ToService(service), control, &found);
  const DWORD error = ::GetLastError();
  if (ok || error == ERROR_INVALID_SERVICE_CONTROL || error == ERROR_SERVICE_CANNOT_ACCEPT_CTRL ||
      error == ERROR_SERVICE_NOT_ACTIVE) {
    CopyStatus(found, status);
  }
  ::SetLastError(error);
  return ok != FALSE;
}

bool StartServiceA(Handle service) { return ::StartServiceA(ToService(service), 0, nullptr) != FALSE; }

bool EnumDependentServicesA(Handle service, Dword states, std::vector<DependentService>* services) {
  DWORD needed = 0;
  DWORD count = 0;
  // A first call without a buffer learns the size; with no dependents at
  // all it already succeeds.
  if (::EnumDependentServicesA(ToService(service), states, nullptr, 0, &needed, &count)) {
    if (services != nullptr) services->clear();
    return true;
  }
  if (::GetLastError() != ERROR_MORE_DATA) return false;
  // ENUM_SERVICE_STATUSA records first, their texts behind them; the
  // buffer is allocated in records so that they are aligned.
  std::vector<ENUM_SERVICE_STATUSA> buffer(needed / sizeof(ENUM_SERVICE_STATUSA) + 1);
  const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(ENUM_SERVICE_STATUSA));
  if (!::EnumDependentServicesA(ToService(service), states, buffer.data(), size, &needed, &count)) {
    return false;
  }
  std::vector<DependentService> found;
  for (DWORD i = 0; i < count; ++i) {
    DependentService dependent;
    dependent.serviceName = buffer[i].lpServiceName != nullptr ? buffer[i].lpServiceName : "";
    CopyStatus(buffer[i].ServiceStatus, &dependent.status);
    found.push_back(dependent);
  }
  if (services != nullptr) *services = std::move(found);
  return true;
}

bool CloseServiceHandle(Handle handle) { return ::CloseServiceHandle(ToService(handle)) != FALSE; }

}  // namespace platform
