// Small helpers the stages of Module1 share: the message box of the run, the
// run's record, started commands, the program-files folder and the
// printers' registry key.
#pragma once

#include <cstdint>
#include <string>

#include "installer/Module1.h"
#include "platform/platform.h"

namespace Module1 {

// The key below HKEY_LOCAL_MACHINE that holds one subkey per printer.
inline const std::u16string kPrintersKey = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";

// The registry root number of HKEY_LOCAL_MACHINE for StdRegistry.
constexpr std::int32_t kLocalMachine = 2;

// A message box without owner, captioned with the installation title.
// Answers the button the user pressed.
inline int ShowMessage(const std::u16string& title, const std::u16string& text,
                       platform::Dword style) {
  return platform::MessageBoxA(0, platform::ToAnsi(text), platform::ToAnsi(title), style);
}

// One line in the run's record, when there is one.
void Note(const RunValues& run, const std::u16string& line);

// A message box of the run: shown with the run's title, it answers the button
// the user pressed; in a quiet run nothing is shown and the answer is
// quietAnswer, what a run without a user makes of the question. Either way
// the box's first line and the answer go into the run's record.
int Ask(const RunValues& run, const std::u16string& text, platform::Dword style,
        int quietAnswer = platform::kIdOk);

// Starts a program of the run and waits for it: program is its full path,
// passed as the application name (nothing is searched), commandLine what
// the program receives, the system folder its current directory (so that a
// name it looks up there finds only the system's), its window shown unless
// the run is quiet. A quiet run waits at most quietLimit milliseconds, then
// ends the program and throws RunStopped (kChildTimeout); a run with a user
// waits as long as the program runs. The command line, the program, its
// exit code and its duration go into the run's record.
void RunCommand(const RunValues& run, const std::u16string& program,
                const std::u16string& commandLine, platform::Dword quietLimit);

// Whether two names are the same regardless of letter case, as Windows
// compares the names of files, ports and drivers (the system's lower-case
// mapping): SameName(u"DRAVELIN:", u"Dravelin:") is true.
bool SameName(std::u16string a, std::u16string b);

// The value of "ProgramFiles" in this process's environment; the empty text
// when the variable is not set.
inline std::u16string ProgramFilesFolder() {
  std::string value;
  if (!platform::GetEnvironmentVariableA("ProgramFiles", &value)) return {};
  return platform::FromAnsi(value);
}

}  // namespace Module1
