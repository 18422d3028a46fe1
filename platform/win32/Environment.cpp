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

std::string GetCommandLineA() { return ::GetCommandLineA(); }

void GetNativeSystemInfo(SystemInfo* info) {
  SYSTEM_INFO system = {};
  ::GetNativeSystemInfo(&system);  // kernel32 since Windows XP
  info->processorArchitecture = system.wProcessorArchitecture;
}

namespace {

// WideCharToMultiByte and MultiByteToWideChar fail with ERROR_INVALID_FLAGS
// for these code pages unless the flags are 0 (UTF-8 and GB18030 also take
// WC_ERR_INVALID_CHARS / MB_ERR_INVALID_CHARS), as their documentation says.
// With Windows 10's "Beta: Use Unicode UTF-8 for worldwide language support"
// the ANSI and OEM code pages are 65001 themselves.
bool RefusesFlags(UINT codePage) {
  return codePage == 42 || (codePage >= 50220 && codePage <= 50229) ||
         (codePage >= 57002 && codePage <= 57011) || codePage == 65000 || codePage == 65001 ||
         codePage == 54936;
}

// The number behind CP_ACP and CP_OEMCP, which is what the flags depend on.
UINT Resolved(UINT codePage) {
  if (codePage == CP_ACP) return ::GetACP();
  if (codePage == CP_OEMCP) return ::GetOEMCP();
  return codePage;
}

}  // namespace

std::string ToCodePage(unsigned codePage, const std::u16string& text) {
  if (text.empty()) return {};
  const UINT page = Resolved(codePage);
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int count = static_cast<int>(text.size());
  // No best-fit mapping where the code page allows flags: a character it
  // lacks becomes '?' instead of a look-alike.
  const DWORD flags = RefusesFlags(page) ? 0 : WC_NO_BEST_FIT_CHARS;
  const int needed = ::WideCharToMultiByte(page, flags, wide, count, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return std::string(text.size(), '?');
  std::string bytes(static_cast<std::size_t>(needed), '\0');
  ::WideCharToMultiByte(page, flags, wide, count, bytes.data(), needed, nullptr, nullptr);
  return bytes;
}

std::u16string FromCodePage(unsigned codePage, const std::string& bytes) {
  if (bytes.empty()) return {};
  const UINT page = Resolved(codePage);
  const int count = static_cast<int>(bytes.size());
  const int needed = ::MultiByteToWideChar(page, 0, bytes.data(), count, nullptr, 0);
  if (needed <= 0) return std::u16string(bytes.size(), u'?');
  std::u16string text(static_cast<std::size_t>(needed), u'\0');
  ::MultiByteToWideChar(page, 0, bytes.data(), count, reinterpret_cast<wchar_t*>(text.data()),
                        needed);
  return text;
}

std::string ToAnsi(const std::u16string& text) { return ToCodePage(CP_ACP, text); }

std::string ToOem(const std::u16string& text) { return ToCodePage(CP_OEMCP, text); }

std::u16string FromAnsi(const std::string& bytes) { return FromCodePage(CP_ACP, bytes); }

}  // namespace platform
