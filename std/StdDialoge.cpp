#include "std/StdDialoge.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "platform/platform.h"
#include "std/StdModul.h"

namespace StdDialoge {

namespace {

using platform::Dword;

// Extension -> first part of the file-type label ("exe" -> "Anwendungs",
// giving "Anwendungs-Dateien"). Keys match exactly: "EXE" is not listed.
constexpr char16_t kExtensionTable[] =
    u"doc=Word|xls=Excel|ppt=Powerpoint|html=Web|mht=Webarchiv|bmp=Bitmap|jpg=Jpeg|csv=CSV|"
    u"log=Log|quendal=Quen-DAL|mdb=Access-Datenbank|ini=Ini|txt=Text|exe=Anwendungs|"
    u"dat=Quendal-Daten|tdrl=Tandrel|tree=Crestel Baum|crestel=Crestel";

// Characters in the buffer the dialog writes the chosen path into.
constexpr std::size_t kFileBufferSize = 300;

// "#ext#ext..." to "label|pattern|label|pattern"; any other text is already
// such a list.
std::u16string FilterText(const std::u16string& filterSpec) {
  if (filterSpec.empty() || filterSpec[0] != u'#') return filterSpec;
  std::u16string extensions = filterSpec.substr(1);
  std::u16string filter;
  while (!extensions.empty()) {
    const std::u16string extension = StdModul::NextToken(extensions, u"#");
    const std::u16string description = StdModul::LookupListValue(kExtensionTable, extension);
    if (!filter.empty()) filter += u'|';
    if (extension == u"*") {
      filter += u"Alle Dateien";
    } else {
      filter += (description.empty() ? extension : description) + u"-Dateien";
    }
    filter += u"|*." + extension;
  }
  return filter;
}

// The dialog's filter list: every part closed by a NUL, the list by a second.
std::string FilterList(const std::u16string& filterSpec) {
  std::u16string list = FilterText(filterSpec) + u"||";
  StdModul::ReplaceText(list, u"|", std::u16string(1, u'\0'), false, false);
  return platform::ToAnsi(list);
}

// The proposed name, NUL-padded to the buffer's size. A name that fills the
// whole buffer would leave the dialog a text without its terminator, which it
// reads past the buffer's end; it is cut to kFileBufferSize - 1 characters so
// that a NUL always follows.
std::string FileBuffer(const std::u16string& proposedName) {
  std::string buffer(kFileBufferSize, '\0');
  const std::string name = platform::ToAnsi(proposedName);
  name.copy(&buffer[0], std::min(name.size(), kFileBufferSize - 1));
  return buffer;
}

Dword FlagsForMode(std::int16_t mode) {
  switch (mode) {
    case 0:
      return platform::kOfnFileMustExist | platform::kOfnPathMustExist |
             platform::kOfnHideReadonly;
    case 1:
      return platform::kOfnPathMustExist | platform::kOfnHideReadonly |
             platform::kOfnOverwritePrompt;
    case 2:
      return platform::kOfnPathMustExist | platform::kOfnHideReadonly;
    default:
      return 0;
  }
}

// The drive first: on a system that keeps a current directory per drive,
// changing only the directory would leave another drive current.
void RestoreCurrentDirectory(const std::string& remembered) {
  static_cast<void>(platform::SetCurrentDirectoryA(remembered.substr(0, 2)));
  static_cast<void>(platform::SetCurrentDirectoryA(remembered));
}

}  // namespace

std::u16string SelectFile(const platform::Hwnd& owner, std::u16string title,
                          std::u16string& folder, std::u16string proposedName,
                          std::u16string filterSpec, std::u16string defaultExt) {
  const std::int16_t openMode = 0;
  return FileDialog(owner, title, folder, proposedName, filterSpec, defaultExt, openMode);
}

std::u16string FileDialog(const platform::Hwnd& owner, const std::u16string& title,
                          std::u16string& folder, const std::u16string& proposedName,
                          const std::u16string& filterSpec, const std::u16string& defaultExt,
                          const std::int16_t& mode) {
  // Read once: the start folder when none is given, and what is put back.
  std::string remembered;
  const bool haveCurrent = platform::GetCurrentDirectoryA(&remembered);

  const std::string startFolder = folder.empty() ? remembered : platform::ToAnsi(folder);
  const std::string filter = FilterList(filterSpec);
  std::string file = FileBuffer(proposedName);
  const std::string titleA = platform::ToAnsi(title);
  const std::string defExtA = platform::ToAnsi(defaultExt);

  platform::OpenFileNameA record{};
  record.structSize = platform::kOpenFileNameSize;
  record.owner = owner;
  record.filter = filter.c_str();
  record.filterIndex = 1;
  record.file = file.data();
  record.maxFile = static_cast<Dword>(file.size());
  record.initialDir = startFolder.c_str();
  record.title = titleA.c_str();
  record.flags = FlagsForMode(mode);
  record.defExt = defExtA.c_str();

  const bool chosen = mode == 0 ? platform::GetOpenFileNameA(&record)
                                : platform::GetSaveFileNameA(&record);

  std::u16string result;
  if (chosen) {
    const std::u16string fullPath = platform::FromAnsi(file.substr(0, file.find('\0')));
    if (folder.empty()) {
      result = fullPath;
    } else {
      // nFileOffset counts bytes, one per character in the ANSI code page.
      const std::size_t split = std::min<std::size_t>(record.fileOffset, fullPath.size());
      folder = fullPath.substr(0, split);
      result = fullPath.substr(split);
    }
  }
  if (haveCurrent) RestoreCurrentDirectory(remembered);
  return result;
}

}  // namespace StdDialoge
