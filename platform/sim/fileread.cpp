// Reading from a simulated open file.
#include "platform/sim/sim_state.h"

namespace platform {

using namespace sim::detail;

bool ReadFile(Handle file, std::string* bytes, Dword maxBytes) {
  Count("ReadFile");
  const auto it = Machine().files.find(file);
  if (it == Machine().files.end()) return Fail(kErrorInvalidHandle);
  OpenFile& open = it->second;
  if ((open.access & kGenericRead) == 0) return Fail(kErrorAccessDenied);
  const std::string& content = open.node->content;
  *bytes = open.position >= content.size() ? std::string() : content.substr(open.position, maxBytes);
  open.position += bytes->size();
  return true;
}

}  // namespace platform
