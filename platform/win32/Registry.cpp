// Registry calls of advapi32 in their ANSI form.
#include <algorithm>
#include <vector>

#include "platform/win32/WinCommon.h"

namespace platform {

using win32::FromHkey;
using win32::ToHkey;

Long RegOpenKeyExA(HKey key, const std::string& subKey, Dword options, Dword access,
                   HKey* result) {
  HKEY opened = nullptr;
  const LONG rc = ::RegOpenKeyExA(ToHkey(key), subKey.c_str(), options, access, &opened);
  // The platform nulls the out-key on failure; callers keep theirs.
  if (rc == ERROR_SUCCESS && result != nullptr) *result = FromHkey(opened);
  return rc;
}

Long RegQueryValueExA(HKey key, const std::string& valueName, Dword* type, std::uint8_t* data,
                      Dword* size) {
  static_assert(sizeof(DWORD) == sizeof(Dword), "DWORD is 32-bit");
  // The platform zeroes *type and *size for a missing value and may leave
  // partial data in a buffer that is too small; callers get their values
  // back untouched on failure instead. So the call works on copies: the
  // buffer starts as the caller's, so that bytes the call does not write
  // (after the data, or after an added NUL) stay as they were.
  DWORD foundType = type != nullptr ? *type : 0;
  DWORD foundSize = size != nullptr ? *size : 0;
  // One byte more than offered, so that even an empty buffer has an address
  // (a null one would turn the call into a size query).
  std::vector<std::uint8_t> buffer;
  if (data != nullptr && size != nullptr) {
    buffer.assign(data, data + *size);
    buffer.push_back(0);
  }
  const LONG rc = ::RegQueryValueExA(
      ToHkey(key), valueName.c_str(), nullptr, type != nullptr ? &foundType : nullptr,
      data != nullptr ? buffer.data() : nullptr, size != nullptr ? &foundSize : nullptr);
  if (rc == ERROR_SUCCESS) {
    if (type != nullptr) *type = foundType;
    if (size != nullptr) *size = foundSize;
    if (!buffer.empty()) std::copy(buffer.begin(), buffer.end() - 1, data);
  } else if (rc == ERROR_MORE_DATA) {
    if (type != nullptr) *type = foundType;
    if (size != nullptr) *size = foundSize;
  }
  return rc;
}

Long RegCreateKeyExA(HKey key, const std::string& subKey, Dword options, Dword access,
                     HKey* result, Dword* disposition) {
  // lpClass is a non-const pointer in the declaration although it is only
  // read, hence the writable empty text.
  char emptyClass[1] = {'\0'};
  SECURITY_ATTRIBUTES security{};  // length 0, no descriptor, not inheritable
  HKEY created = nullptr;
  DWORD how = 0;
  const LONG rc = ::RegCreateKeyExA(ToHkey(key), subKey.c_str(), 0, emptyClass, options, access,
                                    &security, &created, &how);
  if (rc == ERROR_SUCCESS) {
    if (result != nullptr) *result = FromHkey(created);
    if (disposition != nullptr) *disposition = how;
  }
  return rc;
}

Long RegSetValueExA(HKey key, const std::string& valueName, Dword type, const std::uint8_t* data,
                    Dword size) {
  return ::RegSetValueExA(ToHkey(key), valueName.c_str(), 0, type, data, size);
}

Long RegCloseKey(HKey key) { return ::RegCloseKey(ToHkey(key)); }

}  // namespace platform
