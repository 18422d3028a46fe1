#include <string>
#include <vector>

#include "installer/Module1.h"
#include "installer/Names.h"
#include "installer/RunLog.h"
#include "installer/RunSupport.h"
#include "installer/Safety.h"
#include "installer/ScriptFile.h"
#include "platform/owners.h"
#include "platform/platform.h"

namespace Module1 {
namespace {

const std::u16string kDrive = u"c:\\";
// The levels below the drive, each opened relative to the one above it.
const std::u16string kLevels[] = {u"Daten", u"PDF"};

// The output folder's levels as this run opened them. A level that is a link,
// or that existed already and belongs to a stranger, is refused (unsafe
// names it); a level that can't be opened or created ends the walk with
// error. Every handle shares reading and writing but not deletion, so that
// no one can rename or delete the level while the run holds it (CreateFile:
// FILE_SHARE_DELETE; a rename needs DELETE access).
struct Walk {
  platform::UniqueHandle root;
  platform::UniqueHandle levels[2];
  std::u16string unsafe;     // the refused level's path
  std::u16string why;        // and the reason, for the run's record
  std::u16string failed;     // the level that could not be opened or created
  platform::Dword error = 0;
};

// Whether the entry is a link: by its handle, which does not follow one; and
// by its path, because Wine follows a Unix symbolic link even through a
// handle opened with FILE_FLAG_OPEN_REPARSE_POINT, while its path's
// attributes still show FILE_ATTRIBUTE_REPARSE_POINT. On Windows both
// answer the same for the link itself; the handle is the one that counts,
// the path only adds Wine's view.
bool IsLink(platform::Handle handle, const std::u16string& path, std::u16string* why) {
  platform::FileInformation info;
  if (!platform::GetFileInformationByHandle(handle, &info)) {
    *why = u"nicht zu pr\u00FCfen (Fehler " + Decimal(platform::GetLastError()) + u")";
    return true;
  }
  const platform::Dword byPath = platform::GetFileAttributesA(platform::ToAnsi(path));
  if ((info.attributes & platform::kFileAttributeReparsePoint) != 0 ||
      (byPath != platform::kInvalidFileAttributes && (byPath & platform::kFileAttributeReparsePoint) != 0)) {
    *why = u"ein Verweis (Analysepunkt) auf einen anderen Ort";
    return true;
  }
  return false;
}

// Opens c:\Daten and c:\Daten\PDF from the drive's root down, each level
// through NtCreateFile relative to the handle of the level above it and
// with FILE_OPEN_REPARSE_POINT: a link at a level is opened itself, not
// followed, and nothing that a user swaps in above a level the run has
// checked can redirect the next one, since no path is resolved from the
// root again. create false: only what exists is opened and checked; true:
// missing levels are created (by this run, so their owner is not asked).
Walk OpenOutputFolder(const RunValues& run, bool create) {
  Walk walk;
  walk.root.Reset(platform::CreateFileA(platform::ToAnsi(kDrive),
                                        platform::kReadControl | platform::kFileReadAttributes |
                                            platform::kFileTraverse,
                                        platform::kFileShareRead | platform::kFileShareWrite |
                                            platform::kFileShareDelete,
                                        platform::kOpenExisting, platform::kFileFlagBackupSemantics));
  if (!walk.root.IsValid()) {
    walk.failed = kDrive;
    walk.error = platform::GetLastError();
    return walk;
  }
  std::u16string path = kDrive.substr(0, 2);
  for (int i = 0; i < 2; ++i) {
    path += u"\\" + kLevels[i];
    const bool last = i == 1;
    const platform::Handle above = i == 0 ? walk.root.Get() : walk.levels[0].Get();
    // A pre-check also opens a file that stands in a folder's place, to
    // check it like a folder; the creation then fails on it.
    const platform::Dword options = platform::kFileOpenReparsePointOption |
                                    (create ? platform::kFileDirectoryFile : 0);
    const platform::Dword access = platform::kReadControl | platform::kFileReadAttributes |
                                   platform::kFileTraverse |
                                   (create && last ? platform::kWriteDac : 0);
    platform::Handle handle = 0;
    bool created = false;
    const platform::Dword rc = platform::NtCreateFile(
        above, platform::ToAnsi(kLevels[i]), access, platform::kFileShareRead | platform::kFileShareWrite,
        create ? platform::kFileOpenIf : platform::kFileOpen, options, &handle, &created);
    if (!create && (rc == static_cast<platform::Dword>(platform::kErrorFileNotFound) ||
                    rc == static_cast<platform::Dword>(platform::kErrorPathNotFound))) {
      return walk;  // nothing more exists below
    }
    if (rc != 0) {
      // Before any change a level that can't be opened can't be checked
      // either (its owner may have locked the run out): refused.
      if (!create) {
        walk.unsafe = path;
        walk.why = u"nicht zu pr\u00FCfen (Fehler " + Decimal(rc) + u")";
      } else {
        walk.failed = path;
        walk.error = rc;
      }
      return walk;
    }
    walk.levels[i].Reset(handle);
    if (IsLink(handle, path, &walk.why)) {
      walk.unsafe = path;
      return walk;
    }
    if (!created) {
      platform::SecurityInfo security;
      const platform::Dword error = platform::GetSecurityInfo(handle, &security);
      if (error != 0 || !IsTrustedPrincipal(security.owner, run.account)) {
        walk.unsafe = path;
        walk.why = error != 0 ? u"nicht zu pr\u00FCfen (Fehler " + Decimal(error) + u")"
                              : u"Besitzer " + platform::FromAnsi(security.owner);
        return walk;
      }
    }
    platform::FileInformation info;
    if (!create && platform::GetFileInformationByHandle(handle, &info) &&
        (info.attributes & platform::kFileAttributeDirectory) == 0) {
      return walk;  // a file: nothing can lie below it
    }
  }
  // c:\Daten may have become a link (while empty) after it was checked; PDF
  // was opened through its handle all the same, but a lost race ends here.
  if (create && IsLink(walk.levels[0].Get(), kDrive.substr(0, 2) + u"\\" + kLevels[0], &walk.why)) {
    walk.unsafe = kDrive.substr(0, 2) + u"\\" + kLevels[0];
  }
  return walk;
}

// The refusal of a level: in the run's record, and in a box where someone
// can see it.
void Refuse(const RunValues& run, const Walk& walk) {
  Note(run, u"Ausgabeordner " + walk.unsafe + u" ist nicht sicher: " + walk.why);
  static_cast<void>(Ask(run, OutputFolderMessage(walk.unsafe), platform::kMbOk | platform::kMbIconExclamation));
}

// Full control for the group of all users, S-1-1-0, whose German name is
// "Jeder" and whose English name is "Everyone", inherited by the files and
// subfolders (OI, CI): what "cacls <folder> /E /P Jeder:F" and
// "... Everyone:F" give, the other entries kept, the group's own explicit
// entries replaced. It is set through the handle that was checked, with
// SetKernelObjectSecurity: SetSecurityInfo and SetNamedSecurityInfo would
// also walk into the folder's existing children and propagate the entry
// there (their documentation: "the system automatically propagates any
// inheritable ACEs to existing child objects"), a tree that anyone may fill
// with links; cacls would resolve the path again. The new entry stands
// after the other explicit entries and before the inherited ones, the order
// Windows expects ("Order of ACEs in a DACL").
void GrantEveryone(const RunValues& run, platform::Handle folder) {
  platform::SecurityInfo security;
  platform::Dword result = platform::GetSecurityInfo(folder, &security);
  if (result == 0) {
    std::vector<platform::Ace> dacl;
    bool placed = false;
    const platform::Ace everyone{platform::kAccessAllowedAceType,
                                 platform::kObjectInheritAce | platform::kContainerInheritAce,
                                 platform::kFileAllAccess, kSidEveryone, {}};
    for (const platform::Ace& ace : security.dacl) {
      const bool inherited = (ace.flags & platform::kInheritedAce) != 0;
      if (inherited && !placed) {
        dacl.push_back(everyone);
        placed = true;
      }
      if (!inherited && ace.sid == kSidEveryone) continue;
      dacl.push_back(ace);
    }
    if (!placed) dacl.push_back(everyone);
    result = platform::SetKernelObjectSecurity(folder, dacl, security.control) ? 0 : platform::GetLastError();
  }
  // As with cacls before, a failure here does not stop the run.
  Note(run, u"Zugriff: Jeder (S-1-1-0) erh\u00E4lt Vollzugriff auf " + kOutputFolder + u": Ergebnis " +
                Decimal(result));
}

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

std::optional<RunEnd> CheckOutputFolder(const RunValues& run) {
  const Walk walk = OpenOutputFolder(run, false);
  if (walk.unsafe.empty()) {
    Note(run, u"Ausgabeordner " + kOutputFolder + u": kein Verweis, kein fremder Besitzer");
    return std::nullopt;
  }
  Refuse(run, walk);
  return RunEnd::kOutputFolderUnsafe;
}

void CreateOutputFolder(const RunValues& run) {
  Walk walk = OpenOutputFolder(run, true);
  if (!walk.unsafe.empty()) {
    Refuse(run, walk);
    throw RunStopped(RunEnd::kOutputFolderUnsafe);
  }
  if (walk.error != 0) throw FileFailure(walk.failed, walk.error, true);
  Note(run, u"Ausgabeordner angelegt oder ge\u00F6ffnet: " + kOutputFolder);
  GrantEveryone(run, walk.levels[1].Get());
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
