#include "installer/RunLog.h"

#include <string>

namespace Module1 {
namespace {

// Two or three digits with leading zeros.
std::string Padded(unsigned value, std::size_t width) {
  std::string digits = std::to_string(value);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

}  // namespace

std::u16string Decimal(long long value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

bool RunLog::Open(const std::u16string& path) {
  file_.Reset(platform::CreateFileA(platform::ToAnsi(path), platform::kGenericWrite,
                                    platform::kFileShareRead, platform::kCreateAlways));
  if (!file_.IsValid()) {
    error_ = platform::GetLastError();
    return false;
  }
  if (!platform::WriteFile(file_.Get(), "\xEF\xBB\xBF")) file_.Close();
  return file_.IsValid();
}

void RunLog::Write(const std::u16string& line) noexcept {
  if (!file_.IsValid()) return;
  try {
    platform::SystemTime now;
    platform::GetLocalTime(&now);
    std::string text = Padded(now.year, 4) + "-" + Padded(now.month, 2) + "-" +
                       Padded(now.day, 2) + " " + Padded(now.hour, 2) + ":" +
                       Padded(now.minute, 2) + ":" + Padded(now.second, 2) + "." +
                       Padded(now.milliseconds, 3) + " ";
    std::u16string flat;
    for (const char16_t c : line) {
      if (c == u'\n') {
        flat += u" / ";
      } else if (c != u'\r') {
        flat += c;
      }
    }
    text += platform::ToCodePage(platform::kCpUtf8, flat) + "\r\n";
    // A log that fails half-way is closed: the run goes on without it.
    if (!platform::WriteFile(file_.Get(), text)) file_.Close();
  } catch (...) {
    file_.Close();
  }
}

}  // namespace Module1
