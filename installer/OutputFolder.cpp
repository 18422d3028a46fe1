#include <string>

#include "installer/Module1.h"
#include "installer/Names.h"
#include "installer/RunSupport.h"
#include "installer/ScriptFile.h"
#include "std/StdModul.h"

namespace Module1 {
namespace {

// cmd expands "%name%" in a batch file even inside double quotes, so a "%"
// that belongs to a path must be doubled to reach the program as one "%".
std::u16string EscapeForBatch(const std::u16string& path) {
  std::u16string escaped;
  escaped.reserve(path.size());
  for (const char16_t c : path) {
    escaped += c;
    if (c == u'%') escaped += u'%';
  }
  return escaped;
}

}  // namespace

void CreateOutputFolder(const RunValues& run) {
  StdModul::MakeDirTree(kOutputFolder);

  // Full access to the output folder for the group of all users, under its
  // German and its English name; the line with the name the system lacks
  // fails silently.
  const std::u16string accessScript = kOutputFolder + u"\\PDFCacls.cmd";
  WriteScriptFile(accessScript,
                  {u"cacls \"" + kOutputFolder + u"\" /E /P Jeder:F >NUL 2>NUL:",
                   u"cacls \"" + kOutputFolder + u"\" /E /P Everyone:F >NUL 2>NUL:"});
  RunCommand(run, accessScript);
  StdModul::KillFile(accessScript);

  Note(run, u"Zugriffsskript gel\u00F6scht: " + accessScript);
}

std::vector<std::u16string> PrintScriptLines(const RunValues& run) {
  // "%file%" is the script's own variable and stays as written.
  return {u"@echo off", u"set file=c:\\Daten\\PDF\\print.pdf",
          u"\"" + EscapeForBatch(run.ghostscriptPath) + u"\" @\"" + EscapeForBatch(run.packageFolder) +
              u"Merovast.rsp\" -sOutputFile=\"%file%\" -c save pop .setpdfwrite -f -",
          u"\"" + EscapeForBatch(run.programFolder) + u"Dravelin" + u".exe\""};
}

void CreateOutputFolderAndScripts(const RunValues& run) {
  CreateOutputFolder(run);
  WriteScriptFile(run.printScriptPath, PrintScriptLines(run));
  Note(run, u"Druckskript geschrieben: " + run.printScriptPath);
}

}  // namespace Module1
