// The test hooks on the real platform.
#include <map>

#include "platform/test_hooks.h"
#include "platform/win32/WinCommon.h"

namespace platform {

using win32::FromHwnd;
using win32::ToHandle;
using win32::ToHwnd;

void Sleep(Dword milliseconds) { ::Sleep(milliseconds); }

bool GetProcessCpuTime(std::uint64_t* time100ns) {
  FILETIME creation{}, exit{}, kernel{}, user{};
  if (!::GetProcessTimes(::GetCurrentProcess(), &creation, &exit, &kernel, &user)) return false;
  auto value = [](const FILETIME& t) {
    return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  *time100ns = value(kernel) + value(user);
  return true;
}

bool RemoveDirectoryA(const std::string& path) { return ::RemoveDirectoryA(path.c_str()) != FALSE; }

bool SetEnvironmentVariableA(const std::string& name, const char* value) {
  return ::SetEnvironmentVariableA(name.c_str(), value) != FALSE;
}

bool ReadFile(Handle file, std::string* bytes, Dword maxBytes) {
  std::string buffer(maxBytes, '\0');
  DWORD read = 0;
  if (!::ReadFile(ToHandle(file), buffer.data(), maxBytes, &read, nullptr)) return false;
  buffer.resize(read);
  if (bytes != nullptr) *bytes = std::move(buffer);
  return true;
}

namespace {

constexpr char kCountingClass[] = "DravelinCountingWindow";

// Per window, how many messages of each number it has received. Only the
// thread that owns the windows touches it.
std::map<HWND, std::map<UINT, int>>& Counts() {
  static std::map<HWND, std::map<UINT, int>> counts;
  return counts;
}

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCDESTROY) {
    Counts().erase(window);
  } else {
    ++Counts()[window][message];
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

Hwnd CreateCountingWindow() {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = kCountingClass;
    return ::RegisterClassA(&wc) != 0;
  }();
  if (!registered) return 0;
  // Created without WS_VISIBLE: never shown.
  HWND window = ::CreateWindowExA(0, kCountingClass, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                  nullptr, ::GetModuleHandleA(nullptr), nullptr);
  if (window != nullptr) Counts()[window];
  return FromHwnd(window);
}

int CountingWindowReceived(Hwnd window, Dword message) {
  const auto w = Counts().find(ToHwnd(window));
  if (w == Counts().end()) return 0;
  const auto m = w->second.find(message);
  return m == w->second.end() ? 0 : m->second;
}

bool DestroyWindow(Hwnd window) { return ::DestroyWindow(ToHwnd(window)) != FALSE; }

bool PostMessageA(Hwnd window, Dword message, std::uintptr_t wParam, std::intptr_t lParam) {
  return ::PostMessageA(ToHwnd(window), message, static_cast<WPARAM>(wParam),
                        static_cast<LPARAM>(lParam)) != FALSE;
}

bool DeleteKeyTree(HKey root, const std::string& path) {
  HKEY key = nullptr;
  LONG rc = ::RegOpenKeyExA(win32::ToHkey(root), path.c_str(), 0, KEY_READ, &key);
  if (rc == ERROR_FILE_NOT_FOUND) return true;
  if (rc != ERROR_SUCCESS) return false;
  // Subkeys first (RegDeleteKeyA deletes only a key without subkeys); the
  // index stays 0 because each deleted subkey moves the rest up.
  char name[256];
  DWORD size = sizeof name;
  bool ok = true;
  while (ok && ::RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
    ok = DeleteKeyTree(root, path + "\\" + std::string(name, size));
    size = sizeof name;
  }
  ::RegCloseKey(key);
  return ok && ::RegDeleteKeyA(win32::ToHkey(root), path.c_str()) == ERROR_SUCCESS;
}

int ApplicationPointer() {
  // The system's shared pointers come back as the same handle every time.
  const HCURSOR current = ::GetCursor();
  if (current != nullptr && current == ::LoadCursorA(nullptr, IDC_WAIT)) return kPointerHourglass;
  if (current != nullptr && current == ::LoadCursorA(nullptr, IDC_ARROW)) return kPointerDefault;
  return -1;
}

}  // namespace platform
