#include "installer/Safety.h"

#include <cstdio>
#include <string>

#include "installer/Module1.h"
#include "installer/RunLog.h"
#include "installer/RunSupport.h"
#include "platform/owners.h"
#include "platform/platform.h"

namespace Module1 {
namespace {

// Rights that let a principal add, replace or delete files in a folder, or
// make itself able to (Microsoft: "File Security and Access Rights", "File
// Access Rights Constants", "Standard Access Rights", "Generic Access
// Rights"):
//   FILE_ADD_FILE (0x2)          create a file in the folder; on a file the
//                                same bit is FILE_WRITE_DATA, replacing its
//                                content
//   FILE_ADD_SUBDIRECTORY (0x4)  create a subfolder (printer\ where it is
//                                missing); on a file FILE_APPEND_DATA
//   FILE_DELETE_CHILD (0x40)     delete or rename anything in the folder
//   DELETE (0x10000)             delete or rename the object itself
//   WRITE_DAC (0x40000)          rewrite its access list
//   WRITE_OWNER (0x80000)        take it over
//   GENERIC_ALL, GENERIC_WRITE   in an inheritable entry, mapped to the file
//                                rights above on the objects that inherit it
// Reading, executing and changing attributes or extended attributes stay
// allowed: they add, replace or delete nothing.
constexpr platform::Dword kChangeRights = platform::kFileWriteData | platform::kFileAppendData |
                                          platform::kFileDeleteChild | platform::kDelete |
                                          platform::kWriteDac | platform::kWriteOwner |
                                          platform::kGenericAll | 0x40000000u /* GENERIC_WRITE */;

// The entry types that grant (ACE_HEADER's AceType): ACCESS_ALLOWED (0),
// ACCESS_ALLOWED_OBJECT (5), ACCESS_ALLOWED_CALLBACK (9),
// ACCESS_ALLOWED_CALLBACK_OBJECT (11).
bool Grants(std::uint8_t type) { return type == 0 || type == 5 || type == 9 || type == 11; }

std::u16string Hex(platform::Dword value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(value));
  return platform::FromAnsi(text);
}

}  // namespace

std::u16string PackageFolderMessage(const std::u16string& folder) {
  return u"In den Ordner " + folder +
         u" d\u00FCrfen nicht nur Administratoren schreiben. Jeder Druckauftrag startet Dateien aus "
         u"diesem Ordner.\n\n"
         u"Legen Sie das Paket in einen Ordner, in den nur Administratoren schreiben d\u00FCrfen "
         u"(LIESMICH.txt, Abschnitt 3, Wohin mit dem Paketordner), und starten Sie die Installation "
         u"von dort.\n\n"
         u"Die Installation wurde abgebrochen; sie hat nichts ge\u00E4ndert.";
}

std::u16string OutputFolderMessage(const std::u16string& folder) {
  return u"Der Ordner " + folder +
         u" ist nicht sicher: Er ist ein Verweis auf einen anderen Ort, oder er geh\u00F6rt weder den "
         u"Administratoren noch SYSTEM.\n\n"
         u"Pr\u00FCfen Sie den Ordner, entfernen Sie ihn oder \u00FCbergeben Sie ihn den "
         u"Administratoren, und starten Sie die Installation erneut.\n\n"
         u"Die Installation wurde abgebrochen.";
}

bool IsTrustedPrincipal(const std::string& sid, const std::string& runAccount) {
  return sid == kSidAdministrators || sid == kSidSystem || sid == kSidTrustedInstaller ||
         (!runAccount.empty() && sid == runAccount);
}

// Which entries count, and why:
// - The owner may always read and rewrite the DACL (Microsoft: "Ownership of
//   an Object"): an owner who is a stranger may change everything.
// - A NULL DACL grants every right to everyone ("Null DACLs and Empty
//   DACLs").
// - Every granting entry counts, inherit-only ones included: an entry with
//   OBJECT_INHERIT_ACE or CONTAINER_INHERIT_ACE is copied onto the files and
//   folders created in the folder ("ACE Inheritance Rules"), and so reaches
//   the files every print job starts.
// - Denying entries are not weighed against them: whether a deny wins
//   depends on the order and on inheritance, and a folder that needs a deny
//   to be safe is not the admin-only folder LIESMICH asks for.
// - Trusted: Administrators, SYSTEM, TrustedInstaller and the run's own
//   account (they hold the run's rights already; under Wine every file's
//   owner is the current user, whose entry grants full control), and
//   CREATOR OWNER: an inheritable placeholder that becomes the SID of
//   whoever creates a child, who must already be allowed to create it, so it
//   grants nothing to anyone else while the owner and every other entry are
//   trusted ("Well-known SIDs").
std::u16string WhoMayChange(const platform::SecurityInfo& folder, const std::string& runAccount) {
  if (!IsTrustedPrincipal(folder.owner, runAccount)) {
    return u"Besitzer " + platform::FromAnsi(folder.owner);
  }
  if (!folder.daclPresent) return u"keine Zugriffsliste (NULL-DACL): jeder darf alles";
  for (const platform::Ace& ace : folder.dacl) {
    if (!Grants(ace.type) || (ace.mask & kChangeRights) == 0) continue;
    if (IsTrustedPrincipal(ace.sid, runAccount) || ace.sid == kSidCreatorOwner) continue;
    return (ace.sid.empty() ? u"Eintrag vom Typ " + Decimal(ace.type) : platform::FromAnsi(ace.sid)) +
           u" " + Hex(ace.mask);
  }
  return {};
}

// Microsoft's "Interactive Services": services cannot interact with a user
// as of Windows Vista, and session 0, where services (and the distribution
// tools' agents) run, is never a user's session there; on Windows XP
// session 0 is the console's. The page's own test for an interactive
// service, WSF_VISIBLE of the process's window station, also passes in
// session 0's WinSta0, so session 0 is asked first. "Window Stations": only
// the interactive window station WinSta0 can display a user interface; a
// service started under LocalSystem runs in a noninteractive one such as
// "Service-0x0-3e7$". A station that can't be asked is taken as unseen: a
// box nobody answers would hold the run for good.
std::u16string NobodySees() {
  platform::OsVersionInfo version;
  platform::Dword session = 0;
  if (platform::GetVersionExA(&version) && version.majorVersion >= 6 &&
      platform::ProcessIdToSessionId(platform::GetCurrentProcessId(), &session) && session == 0) {
    return u"der Prozess l\u00E4uft in Sitzung 0, die ab Windows Vista kein Benutzer sieht";
  }
  const platform::Handle station = platform::GetProcessWindowStation();
  platform::Dword flags = 0;
  if (station == 0 || !platform::GetUserObjectFlags(station, &flags)) {
    return u"die Fensterstation des Prozesses l\u00E4sst sich nicht abfragen (Fehler " +
           Decimal(platform::GetLastError()) + u")";
  }
  if ((flags & platform::kWsfVisible) == 0) {
    return u"die Fensterstation des Prozesses ist f\u00FCr niemanden sichtbar";
  }
  return {};
}

// RedirectionGuard ("PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY"): with
// EnforceRedirectionTrust the process no longer follows file-system
// junctions that non-administrators created, whatever path it opens.
std::u16string TurnOnRedirectionTrust() {
  const platform::Dword result = platform::SetRedirectionTrustPolicy();
  return u"Schutz vor Umleitungen (RedirectionTrust): " +
         (result == 0 ? std::u16string(u"an")
                      : u"nicht verf\u00FCgbar (Fehler " + Decimal(result) + u")");
}

std::optional<RunEnd> CheckPackageFolder(const RunValues& run) {
  for (const std::u16string& folder : {run.programFolder, run.packageFolder}) {
    platform::UniqueHandle handle(platform::CreateFileA(
        platform::ToAnsi(folder), platform::kReadControl | platform::kFileReadAttributes,
        platform::kFileShareRead | platform::kFileShareWrite | platform::kFileShareDelete,
        platform::kOpenExisting, platform::kFileFlagBackupSemantics));
    std::u16string who;
    if (!handle.IsValid()) {
      const platform::Dword error = platform::GetLastError();
      // A missing printer\ holds nothing to replace; only someone who may
      // write the program folder could add it, and that is refused above.
      if (folder == run.packageFolder && (error == static_cast<platform::Dword>(platform::kErrorFileNotFound) ||
                                          error == static_cast<platform::Dword>(platform::kErrorPathNotFound))) {
        continue;
      }
      who = u"nicht zu pr\u00FCfen (Fehler " + Decimal(error) + u")";
    } else {
      platform::SecurityInfo security;
      const platform::Dword error = platform::GetSecurityInfo(handle.Get(), &security);
      who = error != 0 ? u"nicht zu pr\u00FCfen (Fehler " + Decimal(error) + u")"
                       : WhoMayChange(security, run.account);
    }
    if (who.empty()) {
      Note(run, u"Paketordner " + folder + u": nur Administratoren d\u00FCrfen \u00E4ndern");
      continue;
    }
    Note(run, u"Paketordner " + folder + u": nicht nur Administratoren d\u00FCrfen \u00E4ndern (" + who + u")");
    static_cast<void>(Ask(run, PackageFolderMessage(folder), platform::kMbOk | platform::kMbIconExclamation));
    return RunEnd::kPackageFolderUnsafe;
  }
  return std::nullopt;
}

}  // namespace Module1
