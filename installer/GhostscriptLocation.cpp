#include <cstdint>
#include <optional>
#include <string>

#include "installer/Module1.h"
#include "installer/RunLog.h"
#include "installer/RunSupport.h"
#include "platform/platform.h"
#include "std/StdDialoge.h"
#include "std/StdModul.h"

namespace Module1 {
namespace {

const std::u16string kNotFoundQuestion =
    u"Das Programm 'Ghostscript' wurde nicht gefunden.\n\n"
    u"Ist dieses Programm bereits installiert?";

const std::u16string kDownloadQuestion =
    u"Bitte laden und installieren Sie Ghostscript, bevor Sie\n"
    u"die Installation des PDF-Druckers fortsetzen.\n\n"
    u"Ghostscript ist kostenlos und wird f\u00FCr die Erzeugung\n"
    u"von PDF-Dateien ben\u00F6tigt.\n\n"
    u"M\u00F6chten Sie Ghostscript jetzt laden?";

constexpr char kDownloadPage[] = "https://www.ghostscript.com/download/ghostscript.html";

// Lets the user pick the program; the full path, or the empty text after a
// cancel. Every attempt starts again in the program-files folder.
std::u16string AskForGhostscript() {
  const platform::Hwnd noOwner = 0;
  std::u16string folder = StdModul::AddBackslash(ProgramFilesFolder());
  const std::u16string chosen = StdDialoge::SelectFile(
      noOwner, u"Bitte gswin32c.exe ausw\u00E4hlen!", folder, u"gswin32c.exe", u"#exe", u"exe");
  if (chosen.empty()) return {};
  return folder + chosen;
}

void OfferDownload(const RunValues& run) {
  const int answer = Ask(run, kDownloadQuestion, platform::kMbYesNo | platform::kMbIconQuestion);
  if (answer != platform::kIdYes) return;
  // Nothing to report when no browser is registered: the run ends either way.
  const std::intptr_t opened = platform::ShellExecuteA(0, "open", kDownloadPage, "", "C:\\",
                                                       platform::kSwShowNormal);
  Note(run, u"Download-Seite ge\u00F6ffnet (Ergebnis " + Decimal(opened) + u")");
}

}  // namespace

std::optional<RunEnd> LocateGhostscript(RunValues& run) {
  run.ghostscriptPath = FindGhostscript();
  if (StdModul::FileExists(run.ghostscriptPath)) {
    Note(run, u"Ghostscript im Standardordner gefunden: " + run.ghostscriptPath);
    return std::nullopt;
  }
  Note(run, u"Ghostscript nicht im Standardordner");
  if (!run.ghostscriptOption.empty()) {
    if (StdModul::FileExists(run.ghostscriptOption)) {
      run.ghostscriptPath = run.ghostscriptOption;
      Note(run, u"Ghostscript aus dem Schalter /gs: " + run.ghostscriptPath);
      return std::nullopt;
    }
    Note(run, u"Die Datei aus dem Schalter /gs fehlt: " + run.ghostscriptOption);
  }
  // Nobody could answer the question: the run ends before it changes anything.
  if (run.quiet) return RunEnd::kGhostscriptMissing;

  while (!StdModul::FileExists(run.ghostscriptPath)) {
    const int answer =
        Ask(run, kNotFoundQuestion, platform::kMbYesNoCancel | platform::kMbIconQuestion);
    if (answer == platform::kIdCancel) return RunEnd::kGhostscriptCancelled;
    if (answer != platform::kIdYes) {
      OfferDownload(run);
      return RunEnd::kDownloadOffered;
    }
    run.ghostscriptPath = AskForGhostscript();
    Note(run, u"Ghostscript im Dialog gew\u00E4hlt: " + run.ghostscriptPath);
  }
  return std::nullopt;
}

}  // namespace Module1
