// Letter case (user32): the system's own lower-case mapping. CharLowerBuffW
// works in place, one UTF-16 unit for one, so the length never changes; it
// maps "I" to "i" whatever the user's language (Turkish included).
#include "platform/win32/WinCommon.h"

namespace platform {

void CharLowerBuffW(std::u16string* text) {
  if (text->empty()) return;
  ::CharLowerBuffW(reinterpret_cast<wchar_t*>(text->data()), static_cast<DWORD>(text->size()));
}

}  // namespace platform
