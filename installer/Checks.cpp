// The checks that come before any change of an installation or a repair: a
// machine that fails one is left exactly as it was.
#include "installer/Module1.h"
#include "installer/RunSupport.h"

namespace Module1 {

std::optional<RunEnd> ChecksBeforeAnyChange(const RunValues& run) {
  if (ProtectedPrintModeOn(run)) {
    static_cast<void>(Ask(run,
                          u"Windows ist im gesch\u00FCtzten Druckmodus (Windows Protected Print). In "
                          u"diesem Modus l\u00E4sst Windows nur seine eigenen Druckertreiber zu; der "
                          u"Drucker DUR-Orarudi kann nicht eingerichtet werden.\n\n"
                          u"Es wurde nichts ge\u00E4ndert.",
                          platform::kMbOk | platform::kMbIconExclamation));
    return RunEnd::kProtectedPrint;
  }
  if (const auto end = CheckPackageFolder(run)) return end;
  if (const auto end = CheckOutputFolder(run)) return end;
  return std::nullopt;
}

}  // namespace Module1
