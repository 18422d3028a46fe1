// The record of a run (/log <file>): UTF-8 with a byte-order mark, one line
// per event, each led by the local time and closed with CR LF; the next run
// adds its record to the same file. A log that can't be written stays
// silent: it never changes the run.
#pragma once

#include <string>

#include "platform/owners.h"
#include "platform/platform.h"

namespace Module1 {

class RunLog {
 public:
  RunLog() = default;
  RunLog(const RunLog&) = delete;
  RunLog& operator=(const RunLog&) = delete;

  // Opens the file for appending, creating it when it is missing (then
  // with the byte-order mark). False, and no log, when it can't be opened,
  // or when it is a link, has more than one name, or was there already
  // and belongs to anyone but Administrators, SYSTEM, TrustedInstaller or
  // runAccount; the system's error code (ERROR_ACCESS_DENIED for a refusal)
  // is then in error().
  bool Open(const std::u16string& path, const std::string& runAccount);
  [[nodiscard]] bool IsOpen() const { return file_.IsValid(); }
  [[nodiscard]] platform::Dword error() const { return error_; }

  // "2026-01-02 03:04:05.678 " + line + CR LF; a line feed inside the line
  // becomes " / ". Nothing without a file; never throws.
  void Write(const std::u16string& line) noexcept;

 private:
  platform::UniqueHandle file_;
  platform::Dword error_ = 0;
};

// Decimal digits of a number, for the texts of the log and the messages.
std::u16string Decimal(long long value);

}  // namespace Module1
