// The test hooks on the real platform.
#include <map>

#include "platform/test_hooks.h"
#include "platform/win32/WinCommon.h"

#include <winspool.h>

namespace platform {

using win32::FromHwnd;
using win32::ToHwnd;

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

namespace {

std::wstring Wide(const std::string& text) {
  const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

}  // namespace

bool AddPrinterForTest(const std::string& name, const std::string& port, const std::string& driver) {
  // The spooler copies nothing here: a driver's files must already lie in the
  // driver directory of this process's environment (w32x86 for a 32-bit
  // program, x64 for a 64-bit one). Placeholders do for a printer that never
  // prints.
  wchar_t directory[MAX_PATH] = {};
  DWORD needed = 0;
  if (!::GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(directory),
                                    sizeof directory, &needed)) {
    return false;
  }
  const wchar_t* const files[] = {L"PSCRIPT5.DLL", L"PS5UI.DLL", L"MEROVAST.PPD"};
  for (const wchar_t* file : files) {
    const std::wstring path = std::wstring(directory) + L"\\" + file;
    HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(handle);
  }
  std::wstring driverName = Wide(driver), printerName = Wide(name), portName = Wide(port);
  wchar_t driverPath[] = L"PSCRIPT5.DLL", configFile[] = L"PS5UI.DLL", dataFile[] = L"MEROVAST.PPD";
  DRIVER_INFO_3W info{};
  info.cVersion = 3;
  info.pName = driverName.data();
  info.pDriverPath = driverPath;
  info.pDataFile = dataFile;
  info.pConfigFile = configFile;
  if (!::AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&info))) return false;
  // Wine refuses a printer without a data type (ERROR_INVALID_PRINTER_NAME).
  wchar_t processor[] = L"winprint", datatype[] = L"RAW";
  PRINTER_INFO_2W printer{};
  printer.pPrinterName = printerName.data();
  printer.pPortName = portName.data();
  printer.pDriverName = driverName.data();
  printer.pPrintProcessor = processor;
  printer.pDatatype = datatype;
  HANDLE added = ::AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&printer));
  if (added == nullptr) return false;
  ::ClosePrinter(added);
  return true;
}

int ApplicationPointer() {
  // The system's shared pointers come back as the same handle every time.
  const HCURSOR current = ::GetCursor();
  if (current != nullptr && current == ::LoadCursorA(nullptr, IDC_WAIT)) return kPointerHourglass;
  if (current != nullptr && current == ::LoadCursorA(nullptr, IDC_ARROW)) return kPointerDefault;
  return -1;
}

}  // namespace platform
