// Reading from an open file (kernel32).
#include <utility>

#include "platform/win32/WinCommon.h"

namespace platform {

bool ReadFile(Handle file, std::string* bytes, Dword maxBytes) {
  std::string buffer(maxBytes, '\0');
  DWORD read = 0;
  if (!::ReadFile(win32::ToHandle(file), buffer.data(), maxBytes, &read, nullptr)) return false;
  buffer.resize(read);
  if (bytes != nullptr) *bytes = std::move(buffer);
  return true;
}

}  // namespace platform
