// The simulated session: Windows version, window station, Administrators
// group, clock and code page numbers.
#include "platform/sim/sim_state.h"

namespace platform {

using namespace sim::detail;

namespace {
// Any handle value that no other object of the simulation uses.
constexpr Handle kWindowStation = 0x7000;
}  // namespace

bool GetVersionExA(OsVersionInfo* info) {
  Count("GetVersionExA");
  *info = Machine().osVersion;
  return true;
}

Handle GetProcessWindowStation() {
  Count("GetProcessWindowStation");
  return kWindowStation;
}

bool GetUserObjectFlags(Handle object, Dword* flags) {
  Count("GetUserObjectInformationA");
  if (object != kWindowStation) return Fail(kErrorInvalidHandle);
  if (Machine().failWindowStationQuery) return Fail(kErrorAccessDenied);
  *flags = Machine().windowStationVisible ? kWsfVisible : 0;
  return true;
}

bool CheckAdministratorsMembership(bool* member) {
  Count("CheckTokenMembership");
  *member = Machine().administrator;
  return true;
}

void GetLocalTime(SystemTime* time) {
  Count("GetLocalTime");
  *time = {2026, 1, 2, 3, 4, 5, 678};
}

Dword GetTickCount() {
  Count("GetTickCount");
  return Machine().tickCount;
}

Dword SetErrorMode(Dword mode) {
  Count("SetErrorMode");
  const Dword previous = Machine().errorMode;
  Machine().errorMode = mode;
  return previous;
}

Dword GetCurrentProcessId() {
  Count("GetCurrentProcessId");
  return Machine().processId;
}

bool ProcessIdToSessionId(Dword processId, Dword* session) {
  Count("ProcessIdToSessionId");
  const State& m = Machine();
  bool known = processId == m.processId;
  for (const auto& process : m.processes) known = known || process.second->id == processId;
  if (!known) return Fail(kErrorInvalidParameter);
  *session = m.sessionId;
  return true;
}

bool GetSystemDirectoryA(std::string* path) {
  Count("GetSystemDirectoryA");
  *path = sim::kSystemFolder;
  return true;
}

unsigned GetACP() { return 1252; }

unsigned GetOEMCP() { return 850; }

void sim::SetWindowsVersion(const OsVersionInfo& version) { Machine().osVersion = version; }

void sim::SetWindowStationVisible(bool visible) { Machine().windowStationVisible = visible; }

void sim::SetAdministrator(bool member) { Machine().administrator = member; }

void sim::SetSessionId(Dword session) { Machine().sessionId = session; }

void sim::FailWindowStationQuery(bool fail) { Machine().failWindowStationQuery = fail; }

Dword sim::ErrorMode() { return Machine().errorMode; }

void sim::AdvanceTickCount(Dword milliseconds) { Machine().tickCount += milliseconds; }

}  // namespace platform
