// The installer's command line: splitting it into arguments and reading the
// switches.
#pragma once

#include <string>
#include <vector>

namespace Module1 {

// The arguments after the program's own token, split as the C runtime
// splits a command line for argv: blanks and tabs separate; double quotes
// group (a quote inside a quoted part that is followed by another quote
// gives one literal quote); 2n backslashes before a quote give n
// backslashes, 2n+1 give n and a literal quote; other backslashes stay.
// The program's token ends at its closing quote (quoted) or at the first
// blank, without any of these rules.
// Example: prog /log "C:\Log Files\a.txt" -> {"/log", "C:\Log Files\a.txt"}.
std::vector<std::u16string> SplitCommandLine(const std::u16string& commandLine);

struct Options {
  bool quiet = false;            // /quiet or /q
  bool help = false;             // /?
  bool repair = false;           // /repair
  bool remove = false;           // /remove
  std::u16string logPath;        // /log <file>
  std::u16string ghostscript;    // /gs <path>
  std::u16string error;          // why the command line was refused; empty: fine
};

// Reads the switches: "/" or "-", then the name in any letter case. An
// unknown switch, an argument that is no switch, or /log or /gs without a
// value (none follows, the one that follows is empty or a switch) fills in
// error (German, one line); so do /repair with /remove, and /gs with
// /remove. /quiet counts wherever it stands, even after an error, so that a
// refused command line is refused quietly as well.
Options ParseOptions(const std::vector<std::u16string>& arguments);

// The German usage text the /? box shows.
std::u16string UsageText();

}  // namespace Module1
