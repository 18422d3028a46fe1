#include "installer/RunSupport.h"

#include "installer/RunLog.h"
#include "std/StdTask.h"

namespace Module1 {
namespace {

std::u16string AnswerName(int answer) {
  switch (answer) {
    case platform::kIdOk:
      return u"OK";
    case platform::kIdCancel:
      return u"Abbrechen";
    case platform::kIdYes:
      return u"Ja";
    case platform::kIdNo:
      return u"Nein";
    default:
      return Decimal(answer);
  }
}

}  // namespace

void Note(const RunValues& run, const std::u16string& line) {
  if (run.log != nullptr) run.log->Write(line);
}

int Ask(const RunValues& run, const std::u16string& text, platform::Dword style,
        int quietAnswer) {
  const int answer = run.quiet ? quietAnswer : ShowMessage(run.title, text, style);
  Note(run, u"Meldung \"" + text.substr(0, text.find(u'\n')) + u"\"" +
                (run.quiet ? u" (ohne Fenster)" : u"") + u": Antwort " + AnswerName(answer));
  return answer;
}

void RunCommand(const RunValues& run, const std::u16string& commandLine) {
  Note(run, u"Starte: " + commandLine);
  const platform::Dword started = platform::GetTickCount();
  platform::Dword exitCode = 0;
  if (!StdTask::RunAndWait(commandLine, !run.quiet, &exitCode)) {
    Note(run, u"Nicht gestartet (Fehler " + Decimal(platform::GetLastError()) + u"): " +
                  commandLine);
    return;
  }
  // Unsigned subtraction stays right across the counter's wrap.
  const platform::Dword took = platform::GetTickCount() - started;
  Note(run, u"Beendet mit Exitcode " + Decimal(exitCode) + u" nach " + Decimal(took) +
                u" ms: " + commandLine);
}

}  // namespace Module1
