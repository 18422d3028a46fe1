#include "installer/RunLog.h"

#include <string>

#include "installer/Safety.h"

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

// The log may lie in a folder where users create files (%SystemRoot%\Temp,
// the folder a tool names), and the run writes with administrator or SYSTEM
// rights. So it never follows or truncates what it finds there:
// FILE_FLAG_OPEN_REPARSE_POINT opens a link itself (refused below), and
// FILE_APPEND_DATA without FILE_WRITE_DATA makes every write go to the end
// (WriteFile's documentation), so a file that was there keeps its content.
// Refused: a reparse point; a file with more than one name, since a hard
// link is another name of a file the user may have picked; and a file that
// was there already and belongs to anyone but the trusted owners, for it
// may be a user's (who could read the record, or have linked it). A path
// that reads as a reparse point is refused before opening it, which is
// what catches a symbolic link under Wine, whose handles follow it.
bool RunLog::Open(const std::u16string& path, const std::string& runAccount) {
  const std::string ansi = platform::ToAnsi(path);
  const platform::Dword byPath = platform::GetFileAttributesA(ansi);
  if (byPath != platform::kInvalidFileAttributes && (byPath & platform::kFileAttributeReparsePoint) != 0) {
    error_ = static_cast<platform::Dword>(platform::kErrorAccessDenied);
    return false;
  }
  file_.Reset(platform::CreateFileA(
      ansi, platform::kFileAppendData | platform::kFileReadAttributes | platform::kReadControl |
                platform::kSynchronize,
      platform::kFileShareRead, platform::kOpenAlways,
      platform::kFileFlagOpenReparsePoint | platform::kFileAttributeNormal));
  if (!file_.IsValid()) {
    error_ = platform::GetLastError();
    return false;
  }
  const bool existed = platform::GetLastError() == static_cast<platform::Dword>(platform::kErrorAlreadyExists);
  platform::FileInformation info;
  platform::SecurityInfo security;
  const bool refused =
      !platform::GetFileInformationByHandle(file_.Get(), &info) ||
      (info.attributes & (platform::kFileAttributeReparsePoint | platform::kFileAttributeDirectory)) != 0 ||
      info.links != 1 ||
      (existed && (platform::GetSecurityInfo(file_.Get(), &security) != 0 ||
                   !IsTrustedPrincipal(security.owner, runAccount)));
  if (refused) {
    file_.Close();
    error_ = static_cast<platform::Dword>(platform::kErrorAccessDenied);
    return false;
  }
  // A record that is there already goes on; only a new one starts with the
  // byte-order mark.
  if (info.size == 0 && !platform::WriteFile(file_.Get(), "\xEF\xBB\xBF")) file_.Close();
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
