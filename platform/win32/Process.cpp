// Processes, waits, the message queue and the counting window (kernel32,
// user32).
#include <map>
#include <vector>

#include "platform/win32/WinCommon.h"

namespace platform {

using win32::FromHandle;
using win32::FromHwnd;
using win32::ToHandle;
using win32::ToHwnd;

Dword StartupInfoSize() { return sizeof(STARTUPINFOA); }

bool CreateProcessA(const std::string& commandLine, bool inheritHandles, Dword creationFlags,
                    const StartupInfoA& startup, ProcessInformation* info) {
  // CreateProcessA may write into the command line, so it gets a copy.
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA si{};
  si.cb = startup.cb;
  si.dwFlags = startup.flags;
  si.wShowWindow = startup.showWindow;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, inheritHandles ? TRUE : FALSE,
                        creationFlags, nullptr, nullptr, &si, &pi)) {
    return false;
  }
  if (info != nullptr) {
    info->process = FromHandle(pi.hProcess);
    info->thread = FromHandle(pi.hThread);
    info->processId = pi.dwProcessId;
    info->threadId = pi.dwThreadId;
  } else {
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
  }
  return true;
}

Dword WaitForSingleObject(Handle handle, Dword milliseconds) {
  return ::WaitForSingleObject(ToHandle(handle), milliseconds);
}

Dword MsgWaitForMultipleObjects(Handle handle, Dword milliseconds, Dword wakeMask) {
  HANDLE handles[1] = {ToHandle(handle)};
  return ::MsgWaitForMultipleObjects(1, handles, FALSE, milliseconds, wakeMask);
}

bool CloseHandle(Handle handle) { return ::CloseHandle(ToHandle(handle)) != FALSE; }

bool GetExitCodeProcess(Handle process, Dword* exitCode) {
  DWORD code = 0;
  if (!::GetExitCodeProcess(ToHandle(process), &code)) return false;
  if (exitCode != nullptr) *exitCode = code;
  return true;
}

int DispatchPendingMessages() {
  int dispatched = 0;
  MSG msg;
  // A WM_QUIT taken here is dispatched like any other message (to no window,
  // so it has no effect); the program has no message loop that would need it.
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
    ++dispatched;
  }
  return dispatched;
}

void Sleep(Dword milliseconds) { ::Sleep(milliseconds); }

bool GetProcessCpuTime(std::uint64_t* time100ns) {
  FILETIME creation{}, exit{}, kernel{}, user{};
  if (!::GetProcessTimes(::GetCurrentProcess(), &creation, &exit, &kernel, &user)) return false;
  auto value = [](const FILETIME& t) {
    return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  if (time100ns != nullptr) *time100ns = value(kernel) + value(user);
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
  auto& counts = Counts();
  if (message == WM_NCDESTROY) {
    counts.erase(window);
  } else {
    ++counts[window][message];
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterCountingClass() {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = kCountingClass;
    return ::RegisterClassA(&wc) != 0;
  }();
  return registered;
}

}  // namespace

Hwnd CreateCountingWindow() {
  if (!RegisterCountingClass()) return 0;
  // Created without WS_VISIBLE: never shown.
  HWND window = ::CreateWindowExA(0, kCountingClass, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                  nullptr, ::GetModuleHandleA(nullptr), nullptr);
  if (window != nullptr) Counts()[window];
  return FromHwnd(window);
}

int CountingWindowReceived(Hwnd window, Dword message) {
  const auto& counts = Counts();
  const auto w = counts.find(ToHwnd(window));
  if (w == counts.end()) return 0;
  const auto m = w->second.find(message);
  return m == w->second.end() ? 0 : m->second;
}

bool DestroyWindow(Hwnd window) { return ::DestroyWindow(ToHwnd(window)) != FALSE; }

bool PostMessageA(Hwnd window, Dword message, std::uintptr_t wParam, std::intptr_t lParam) {
  return ::PostMessageA(ToHwnd(window), message, static_cast<WPARAM>(wParam),
                        static_cast<LPARAM>(lParam)) != FALSE;
}

}  // namespace platform
