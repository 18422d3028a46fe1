// The thread's last-error value and the system's texts for error codes.
#include <map>

#include "platform/sim/sim_state.h"

namespace platform {

Dword GetLastError() { return sim::detail::Machine().lastError; }
void SetLastError(Dword code) { sim::detail::Machine().lastError = code; }

bool sim::detail::Fail(Dword code) {
  SetLastError(code);
  return false;
}

std::string FormatMessageA(Dword code) {
  sim::detail::Count("FormatMessageA");
  // The system's English texts (FORMAT_MESSAGE_IGNORE_INSERTS) of the
  // failures a script file can meet, without the closing CR LF.
  static const std::map<Dword, const char*> kTexts = {
      {2, "The system cannot find the file specified."},
      {3, "The system cannot find the path specified."},
      {5, "Access is denied."},
      {32, "The process cannot access the file because it is being used by another process."},
  };
  const auto it = kTexts.find(code);
  if (it != kTexts.end()) return it->second;
  SetLastError(317);  // ERROR_MR_MID_NOT_FOUND
  return {};
}

}  // namespace platform
