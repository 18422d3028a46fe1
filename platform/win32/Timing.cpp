// Pausing the calling thread (kernel32).
#include "platform/win32/WinCommon.h"

namespace platform {

void Sleep(Dword milliseconds) { ::Sleep(milliseconds); }

}  // namespace platform
