// Last error, error texts, the process environment and the code page
// conversions (kernel32).
#include <vector>

#include "platform/win32/WinCommon.h"

namespace platform {

Dword GetLastError() { return ::GetLastError(); }

void SetLastError(Dword code) { ::SetLastError(code); }

std::string FormatMessageA(Dword code) {
  char buffer[1024];
  const DWORD length =
      ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                       0, buffer, sizeof buffer, nullptr);
  std::string text(buffer, length);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

bool GetEnvironmentVariableA(const std::string& name, std::string* value) {
  std::vector<char> buffer(256);
  for (int attempt = 0; attempt < 4; ++attempt) {
    ::SetLastError(ERROR_SUCCESS);
    const DWORD got =
        ::GetEnvironmentVariableA(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    // 0 is both "not set" and "set to the empty text"; the error tells them apart.
    if (got == 0) {
      if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
      if (value != nullptr) value->clear();
      return true;
    }
    if (got < buffer.size()) {
      if (value != nullptr) value->assign(buffer.data(), got);
      return true;
    }
    buffer.resize(got + 1);  // too small: got is the size needed
  }
  return false;
}

bool GetModuleFileNameA(std::string* path) {
  // A buffer that is too small gets a truncated name and its full size back.
  for (DWORD size = MAX_PATH; size <= 32768 * 2; size *= 2) {
    std::vector<char> buffer(size);
    const DWORD got = ::GetModuleFileNameA(nullptr, buffer.data(), size);
    if (got == 0) return false;
    if (got < size) {
      if (path != nullptr) path->assign(buffer.data(), got);
      return true;
    }
  }
  return false;
}

namespace {

std::string ToCodePage(UINT codePage, const std::u16string& text) {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int count = static_cast<int>(text.size());
  // No best-fit mapping: a character the code page lacks becomes '?'
  // instead of a look-alike.
  const int needed =
      ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide, count, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return std::string(text.size(), '?');
  std::string bytes(static_cast<std::size_t>(needed), '\0');
  ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide, count, bytes.data(), needed, nullptr,
                        nullptr);
  return bytes;
}

}  // namespace

std::string ToAnsi(const std::u16string& text) { return ToCodePage(CP_ACP, text); }

std::string ToOem(const std::u16string& text) { return ToCodePage(CP_OEMCP, text); }

std::u16string FromAnsi(const std::string& bytes) {
  if (bytes.empty()) return {};
  const int count = static_cast<int>(bytes.size());
  const int needed = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), count, nullptr, 0);
  if (needed <= 0) return std::u16string(bytes.size(), u'?');
  std::u16string text(static_cast<std::size_t>(needed), u'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), count, reinterpret_cast<wchar_t*>(text.data()),
                        needed);
  return text;
}

}  // namespace platform
