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

bool SameName(std::u16string a, std::u16string b) {
  platform::CharLowerBuffW(&a);
  platform::CharLowerBuffW(&b);
  return a == b;
}

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

void RunCommand(const RunValues& run, const std::u16string& program,
                const std::u16string& commandLine, platform::Dword quietLimit) {
  StdTask::RunOptions options;
  options.applicationName = program;
  options.currentDirectory = run.systemFolder;
  options.timeLimit = run.quiet ? quietLimit : platform::kInfinite;
  Note(run, u"Starte: " + commandLine);
  Note(run, u"Programm: " + program + u", Ordner: " + run.systemFolder +
                (run.quiet ? u", h\u00F6chstens " + Decimal(quietLimit / 1000) + u" s" : u""));
  const platform::Dword started = platform::GetTickCount();
  platform::Dword exitCode = 0;
  const StdTask::RunResult result = StdTask::RunAndWait(commandLine, !run.quiet, options, &exitCode);
  if (result == StdTask::RunResult::kNotStarted) {
    Note(run, u"Nicht gestartet (Fehler " + Decimal(platform::GetLastError()) + u"): " +
                  commandLine);
    return;
  }
  // Unsigned subtraction stays right across the counter's wrap.
  const platform::Dword took = platform::GetTickCount() - started;
  if (result == StdTask::RunResult::kTimedOut) {
    Note(run, u"Nach " + Decimal(took) + u" ms nicht beendet, abgebrochen: " + commandLine);
    throw RunStopped(RunEnd::kChildTimeout);
  }
  Note(run, u"Beendet mit Exitcode " + Decimal(exitCode) + u" nach " + Decimal(took) +
                u" ms: " + commandLine);
}

}  // namespace Module1
