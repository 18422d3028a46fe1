// How the simulated registry and file system compare and split names.
#include "platform/sim/sim_state.h"

namespace platform::sim::detail {

std::string Fold(const std::string& text) {
  std::string folded = text;
  for (char& c : folded) {
    const auto b = static_cast<unsigned char>(c);
    unsigned char up = b;
    if (b >= 'a' && b <= 'z') {
      up = static_cast<unsigned char>(b - 0x20);
    } else if (b >= 0xE0 && b <= 0xFE && b != 0xF7) {
      up = static_cast<unsigned char>(b - 0x20);  // à..þ to À..Þ, ÷ has no case
    } else if (b == 0x9A || b == 0x9C || b == 0x9E) {
      up = static_cast<unsigned char>(b - 0x10);  // š œ ž to Š Œ Ž
    } else if (b == 0xFF) {
      up = 0x9F;  // ÿ to Ÿ
    }
    c = static_cast<char>(up);
  }
  return folded;
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && Fold(a) == Fold(b);
}

std::vector<std::string> SplitPath(const std::string& path, char separator) {
  std::vector<std::string> parts;
  std::string part;
  for (const char c : path + separator) {
    if (c != separator) {
      part += c;
    } else if (!part.empty()) {
      parts.push_back(part);
      part.clear();
    }
  }
  return parts;
}

}  // namespace platform::sim::detail
