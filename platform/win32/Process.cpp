// Processes, waits and the message queue (kernel32, user32).
#include <vector>

#include "platform/win32/WinCommon.h"

namespace platform {

using win32::FromHandle;
using win32::ToHandle;

Dword StartupInfoSize() { return sizeof(STARTUPINFOA); }

bool CreateProcessA(const std::string& commandLine, bool inheritHandles, Dword creationFlags,
                    const StartupInfoA& startup, ProcessInformation* info) {
  return CreateProcessA({}, commandLine, inheritHandles, creationFlags, {}, startup, info);
}

bool CreateProcessA(const std::string& applicationName, const std::string& commandLine,
                    bool inheritHandles, Dword creationFlags, const std::string& currentDirectory,
                    const StartupInfoA& startup, ProcessInformation* info) {
  // CreateProcessA may write into the command line, so it gets a copy.
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA si{};
  si.cb = startup.cb;
  si.dwFlags = startup.flags;
  si.wShowWindow = startup.showWindow;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessA(applicationName.empty() ? nullptr : applicationName.c_str(), line.data(),
                        nullptr, nullptr, inheritHandles ? TRUE : FALSE, creationFlags, nullptr,
                        currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &si, &pi)) {
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

bool TerminateProcess(Handle process, Dword exitCode) {
  return ::TerminateProcess(ToHandle(process), exitCode) != FALSE;
}

Dword SetErrorMode(Dword mode) { return ::SetErrorMode(mode); }

Dword GetCurrentProcessId() { return ::GetCurrentProcessId(); }

bool ProcessIdToSessionId(Dword processId, Dword* session) {
  // Documented from Windows Vista on (kernel32 of XP has it too): looked up.
  using SessionFn = BOOL(WINAPI*)(DWORD, DWORD*);
  const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  const auto query = kernel == nullptr ? nullptr
                                       : reinterpret_cast<SessionFn>(reinterpret_cast<void (*)()>(
                                             ::GetProcAddress(kernel, "ProcessIdToSessionId")));
  if (query == nullptr) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  DWORD id = 0;
  if (!query(processId, &id)) return false;
  *session = id;
  return true;
}

bool GetSystemDirectoryA(std::string* path) {
  char buffer[MAX_PATH + 1];
  const UINT length = ::GetSystemDirectoryA(buffer, sizeof buffer);
  if (length == 0 || length >= sizeof buffer) return false;
  path->assign(buffer, length);
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

}  // namespace platform
