// Code pages of the simulated machine: ANSI is Windows-1252, OEM is 850;
// conversions by number know 1252, 850 and 65001 (UTF-8).
#include <cstdint>

#include "platform/platform.h"
#include "platform/sim/sim_state.h"

namespace platform {

namespace {

// The characters of the bytes 0x80..0xFF. In 1252 the five bytes the code
// page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control
// characters of the same number, as MultiByteToWideChar maps them.
constexpr char16_t kAnsiHigh[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};
constexpr char16_t kOemHigh[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};

std::string Encode(const std::u16string& text, const char16_t (&high)[128]) {
  std::string bytes;
  bytes.reserve(text.size());
  for (const char16_t c : text) {
    if (c < 0x80) {
      bytes += static_cast<char>(c);
      continue;
    }
    // One byte per UTF-16 unit: a character the code page lacks, and each
    // half of a surrogate pair, becomes '?'.
    char byte = '?';
    for (int i = 0; i < 128; ++i) {
      if (high[i] == c) {
        byte = static_cast<char>(0x80 + i);
        break;
      }
    }
    bytes += byte;
  }
  return bytes;
}

std::u16string Decode(const std::string& bytes, const char16_t (&high)[128]) {
  std::u16string text;
  text.reserve(bytes.size());
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    text += b < 0x80 ? static_cast<char16_t>(b) : high[b - 0x80];
  }
  return text;
}

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string* bytes, char32_t c) {
  if (c < 0x80) {
    *bytes += static_cast<char>(c);
  } else if (c < 0x800) {
    *bytes += static_cast<char>(0xC0 | (c >> 6));
    *bytes += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *bytes += static_cast<char>(0xE0 | (c >> 12));
    *bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *bytes += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *bytes += static_cast<char>(0xF0 | (c >> 18));
    *bytes += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *bytes += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD, as Windows converts it.
std::string EncodeUtf8(const std::u16string& text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      AppendUtf8(&bytes, 0x10000 + ((char32_t{c} - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      AppendUtf8(&bytes, kReplacement);
    } else {
      AppendUtf8(&bytes, c);
    }
  }
  return bytes;
}

// UTF-8 to UTF-16; a byte that starts no valid sequence becomes U+FFFD.
std::u16string DecodeUtf8(const std::string& bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    const int length = b < 0x80 ? 1 : b >= 0xC2 && b < 0xE0 ? 2 : b >= 0xE0 && b < 0xF0 ? 3
                                                             : b >= 0xF0 && b < 0xF5 ? 4 : 0;
    char32_t c = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
    bool valid = length > 0 && i + length <= bytes.size();
    for (int k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      valid = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    valid = valid && !(length == 3 && c < 0x800) && !(length == 4 && c < 0x10000) &&
            !(c >= 0xD800 && c < 0xE000) && c <= 0x10FFFF;
    if (!valid) {
      text += static_cast<char16_t>(kReplacement);
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      text += static_cast<char16_t>(c);
    }
    i += static_cast<std::size_t>(length);
  }
  return text;
}

}  // namespace

std::string ToCodePage(unsigned codePage, const std::u16string& text) {
  switch (codePage) {
    case kCpAcp:
    case 1252:
      return Encode(text, kAnsiHigh);
    case kCpOemcp:
    case 850:
      return Encode(text, kOemHigh);
    case kCpUtf8:
      return EncodeUtf8(text);
    default:  // a code page the machine does not have: the conversion fails
      return std::string(text.size(), '?');
  }
}

std::u16string FromCodePage(unsigned codePage, const std::string& bytes) {
  switch (codePage) {
    case kCpAcp:
    case 1252:
      return Decode(bytes, kAnsiHigh);
    case kCpOemcp:
    case 850:
      return Decode(bytes, kOemHigh);
    case kCpUtf8:
      return DecodeUtf8(bytes);
    default:
      return std::u16string(bytes.size(), u'?');
  }
}

std::string ToAnsi(const std::u16string& text) { return ToCodePage(kCpAcp, text); }

std::u16string FromAnsi(const std::string& bytes) { return FromCodePage(kCpAcp, bytes); }

std::string ToOem(const std::u16string& text) { return ToCodePage(kCpOemcp, text); }

}  // namespace platform
