// Code pages of the simulated machine: ANSI is Windows-1252, OEM is 850;
// conversions by number know 1252, 850 and 65001 (UTF-8). The host C
// library's iconv converts; what it cannot convert is handled as Windows
// handles it, one UTF-16 unit or one byte at a time.
#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/platform.h"

namespace platform {

namespace {

// UTF-16 in the byte order of the host (which is little-endian).
constexpr const char* kUtf16 = "UTF-16LE";

const char* IconvName(unsigned codePage) {
  switch (codePage) {
    case kCpAcp:
    case 1252:
      return "CP1252";
    case kCpOemcp:
    case 850:
      return "IBM850";
    case kCpUtf8:
      return "UTF-8";
    default:  // a code page the machine does not have
      return nullptr;
  }
}

std::string Bytes(const std::u16string& text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

std::u16string Units(const std::string& bytes) {
  std::u16string text(bytes.size() / 2, u'\0');
  std::memcpy(&text[0], bytes.data(), text.size() * 2);
  return text;
}

// Converts `in` from one encoding to another; where iconv stops at input it
// cannot convert, `unit` bytes of it (one UTF-16 unit, or one byte) become
// what `replace` makes of them, and the conversion goes on after them.
template <typename Replace>
std::string Convert(const char* to, const char* from, std::string in, std::size_t unit,
                    Replace replace) {
  const iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
  }
  std::string out;
  char* source = &in[0];
  std::size_t left = in.size();
  while (left > 0) {
    char buffer[256];
    char* target = buffer;
    std::size_t room = sizeof buffer;
    const bool stopped =
        iconv(cd, &source, &left, &target, &room) == static_cast<std::size_t>(-1) && errno != E2BIG;
    out.append(buffer, target);
    if (stopped) {
      out += replace(source);
      source += unit;
      left -= unit;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string ToCodePage(unsigned codePage, const std::u16string& text) {
  const char* name = IconvName(codePage);
  if (name == nullptr) return std::string(text.size(), '?');  // the conversion fails
  if (codePage == kCpUtf8) {  // a lone surrogate becomes U+FFFD, as Windows converts it
    return Convert(name, kUtf16, Bytes(text), 2, [](const char*) { return "\xEF\xBF\xBD"; });
  }
  // One byte per UTF-16 unit, the byte that reads back as that unit; a
  // character the code page lacks, and each half of a surrogate pair,
  // becomes '?'.
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::u16string read = FromCodePage(codePage, all);
  std::string bytes;
  for (const char16_t c : text) {
    const std::size_t at = read.find(c);
    bytes += at == std::u16string::npos ? '?' : static_cast<char>(at);
  }
  return bytes;
}

std::u16string FromCodePage(unsigned codePage, const std::string& bytes) {
  const char* name = IconvName(codePage);
  if (name == nullptr) return std::u16string(bytes.size(), u'?');
  return Units(Convert(kUtf16, name, bytes, 1, [codePage](const char* byte) {
    // UTF-8: a byte that starts no valid sequence becomes U+FFFD. 1252: the
    // five bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90,
    // 0x9D) become the control characters of the same number, as
    // MultiByteToWideChar maps them.
    const auto b = static_cast<unsigned char>(*byte);
    return Bytes(std::u16string(1, codePage == kCpUtf8 ? u'\uFFFD' : char16_t{b}));
  }));
}

std::string ToAnsi(const std::u16string& text) { return ToCodePage(kCpAcp, text); }

std::u16string FromAnsi(const std::string& bytes) { return FromCodePage(kCpAcp, bytes); }

std::string ToOem(const std::u16string& text) { return ToCodePage(kCpOemcp, text); }

}  // namespace platform
