// Conversions between the platform layer's integer handle values and the
// Windows handle types. Included only by the win32 backend's sources.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>

#include "platform/platform.h"

namespace platform::win32 {

static_assert(sizeof(std::intptr_t) == sizeof(void*), "handle values hold a pointer");
static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are 16-bit");

inline HKEY ToHkey(HKey key) { return reinterpret_cast<HKEY>(key); }
inline HKey FromHkey(HKEY key) { return reinterpret_cast<HKey>(key); }
inline HANDLE ToHandle(Handle handle) { return reinterpret_cast<HANDLE>(handle); }
inline Handle FromHandle(HANDLE handle) { return reinterpret_cast<Handle>(handle); }
inline HWND ToHwnd(Hwnd window) { return reinterpret_cast<HWND>(window); }
inline Hwnd FromHwnd(HWND window) { return reinterpret_cast<Hwnd>(window); }

// Closes a kernel handle without changing the thread's last-error value.
inline void CloseKeepingError(HANDLE handle) {
  const DWORD saved = ::GetLastError();
  ::CloseHandle(handle);
  ::SetLastError(saved);
}

}  // namespace platform::win32
