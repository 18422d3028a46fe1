// What the run knows about its session and system: the Windows version, the
// window station, the Administrators group, the clock and the code pages
// (kernel32, user32, advapi32; every call exists on Windows XP).
#include "platform/win32/WinCommon.h"

namespace platform {

bool GetVersionExA(OsVersionInfo* info) {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  // Deprecated from Windows 8.1 on, where a program without a compatibility
  // manifest entry for the newer Windows is told 6.2 (this program's
  // manifest lists Windows 10, so it is told the truth); kept because the
  // version helpers do not exist on XP.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
  if (!::GetVersionExA(&version)) return false;
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
  info->majorVersion = version.dwMajorVersion;
  info->minorVersion = version.dwMinorVersion;
  info->buildNumber = version.dwBuildNumber;
  info->servicePack = version.szCSDVersion;
  return true;
}

Handle GetProcessWindowStation() {
  return win32::FromHandle(reinterpret_cast<HANDLE>(::GetProcessWindowStation()));
}

bool GetUserObjectFlags(Handle object, Dword* flags) {
  USEROBJECTFLAGS record{};
  DWORD needed = 0;
  if (!::GetUserObjectInformationA(win32::ToHandle(object), UOI_FLAGS, &record, sizeof record,
                                   &needed)) {
    return false;
  }
  *flags = record.dwFlags;
  return true;
}

// CheckTokenMembership's documentation: IsMember is TRUE only when the SID
// is present and has the SE_GROUP_ENABLED attribute. Under User Account
// Control (Vista on) a filtered token holds Administrators as a deny-only
// group, so the answer is "elevated"; on XP, which has no elevation, it is
// membership of the group. Unlike a TokenElevation query it exists on XP.
bool CheckAdministratorsMembership(bool* member) {
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators)) {
    return false;
  }
  BOOL isMember = FALSE;
  const BOOL checked = ::CheckTokenMembership(nullptr, administrators, &isMember);
  const DWORD error = ::GetLastError();
  ::FreeSid(administrators);
  ::SetLastError(error);
  if (!checked) return false;
  *member = isMember != FALSE;
  return true;
}

void GetLocalTime(SystemTime* time) {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  *time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
           now.wMilliseconds};
}

Dword GetTickCount() { return ::GetTickCount(); }

unsigned GetACP() { return ::GetACP(); }

unsigned GetOEMCP() { return ::GetOEMCP(); }

}  // namespace platform
