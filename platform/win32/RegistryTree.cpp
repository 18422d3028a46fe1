// Enumerating and deleting registry keys (advapi32), ANSI form.
#include "platform/win32/WinCommon.h"

namespace platform {

Long RegEnumKeyExA(HKey key, Dword index, std::string* name) {
  // A key name has at most 255 characters.
  char buffer[256];
  DWORD size = sizeof buffer;
  const LONG rc = ::RegEnumKeyExA(win32::ToHkey(key), index, buffer, &size, nullptr, nullptr,
                                  nullptr, nullptr);
  if (rc == ERROR_SUCCESS && name != nullptr) name->assign(buffer, size);
  return rc;
}

Long RegDeleteKeyA(HKey key, const std::string& subKey) {
  return ::RegDeleteKeyA(win32::ToHkey(key), subKey.c_str());
}

}  // namespace platform
