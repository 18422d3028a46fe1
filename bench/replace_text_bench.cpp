// Times StdModul::ReplaceText on texts of 1 Mi and 4 Mi characters in which
// every other character is replaced by a two-character text ("axax..." with
// "x" -> "yz"), and prints the best of a few runs of each. Linear work shows
// as a 4 Mi time of about four times the 1 Mi time.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "std/StdModul.h"

namespace {

constexpr int kRuns = 5;

double BestMilliseconds(std::size_t length) {
  std::u16string source(length, u'a');
  for (std::size_t i = 1; i < length; i += 2) source[i] = u'x';
  const std::size_t expected = length + length / 2;
  double best = 0;
  for (int run = 0; run < kRuns; ++run) {
    std::u16string text = source;
    const auto begin = std::chrono::steady_clock::now();
    StdModul::ReplaceText(text, u"x", u"yz", false, false);
    const auto end = std::chrono::steady_clock::now();
    if (text.size() != expected || text.compare(0, 3, u"ayz") != 0) {
      std::fprintf(stderr, "replace_text: wrong result (length %zu, expected %zu)\n",
                   text.size(), expected);
      std::exit(1);
    }
    const double ms = std::chrono::duration<double, std::milli>(end - begin).count();
    best = run == 0 ? ms : std::min(best, ms);
  }
  return best;
}

}  // namespace

int main() {
  const double small = BestMilliseconds(std::size_t{1} << 20);
  const double large = BestMilliseconds(std::size_t{4} << 20);
  std::printf("replace_text_1mib_ms: %.3f ms\n", small);
  std::printf("replace_text_4mib_ms: %.3f ms\n", large);
  std::printf("replace_text_ratio_4mib_to_1mib: %.2f\n", small > 0 ? large / small : 0.0);
  return 0;
}
