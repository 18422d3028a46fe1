// Letter case on the simulated machine: the simple lower-case mappings of
// Unicode, one UTF-16 unit for one, which is what CharLowerBuffW does on
// Windows for these characters.
#include <algorithm>
#include <iterator>

#include "platform/platform.h"
#include "platform/sim/lowercase_table.h"

namespace platform {

namespace {

char16_t Lower(char16_t c) {
  // The last run that starts at or before c.
  const auto* end = std::end(sim::kLowerCaseRuns);
  const auto* run = std::upper_bound(std::begin(sim::kLowerCaseRuns), end, c,
                                     [](char16_t value, const sim::LowerCaseRun& r) {
                                       return value < r.first;
                                     });
  if (run == std::begin(sim::kLowerCaseRuns)) return c;
  --run;
  if (c > run->last || (c - run->first) % run->step != 0) return c;
  return static_cast<char16_t>(c + run->delta);
}

}  // namespace

void CharLowerBuffW(std::u16string* text) {
  for (char16_t& c : *text) c = Lower(c);
}

}  // namespace platform
