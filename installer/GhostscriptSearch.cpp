#include <string>

#include "installer/Module1.h"
#include "installer/RunSupport.h"
#include "std/StdModul.h"

namespace Module1 {
namespace {

// True when the name's first two characters are "gs" in any letter case.
bool IsCandidate(const std::u16string& name) {
  if (name.size() < 2) return false;
  const auto lower = [](char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
  };
  return lower(name[0]) == u'g' && lower(name[1]) == u's';
}

}  // namespace

std::u16string FindGhostscript() {
  std::u16string remaining = u"gs,Ghostscript";
  while (!remaining.empty()) {
    const std::u16string folderName = StdModul::NextToken(remaining, u",");
    std::u16string found = FindGhostscriptIn(folderName);
    if (!found.empty()) return found;
  }
  return {};
}

// The first candidate subfolder in the listing's own order wins; versions
// are never compared.
std::u16string FindGhostscriptIn(const std::u16string& folderName) {
  const std::u16string base = StdModul::AddBackslash(ProgramFilesFolder()) + folderName;
  StdModul::NameList subfolders;
  StdModul::ListFolder(base, nullptr, &subfolders, u"*.*");
  for (const std::u16string& name : subfolders) {
    if (!IsCandidate(name)) continue;
    std::u16string path = base + u"\\" + name + u"\\bin\\gswin32c.exe";
    if (StdModul::FileExists(path)) return path;
  }
  return {};
}

}  // namespace Module1
