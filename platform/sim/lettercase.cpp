// Letter case on the simulated machine: the simple lower-case mappings of
// Unicode, one UTF-16 unit for one, which is what CharLowerBuffW does on
// Windows for these characters. The host C library's C.UTF-8 locale knows
// them; surrogate halves stay as they are.
#include <locale.h>
#include <wctype.h>

#include <stdexcept>

#include "platform/platform.h"

namespace platform {

void CharLowerBuffW(std::u16string* text) {
  static const locale_t unicode = [] {
    const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    if (locale == nullptr) throw std::runtime_error("the host C library has no C.UTF-8 locale");
    return locale;
  }();
  for (char16_t& c : *text) {
    if (c < 0xD800 || c >= 0xE000) c = static_cast<char16_t>(towlower_l(c, unicode));
  }
}

}  // namespace platform
