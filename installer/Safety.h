// The rules that keep a run with administrator or SYSTEM rights from
// following, writing or starting anything a standard user of the machine
// controls: whose ownership is trusted, who may change a folder the spooler
// starts programs from, whether anyone can see the run, the mitigation the
// newest Windows offers.
#pragma once

#include <string>

#include "platform/platform.h"

namespace Module1 {

// Well-known SIDs (Microsoft's "Well-known SIDs").
inline const std::string kSidEveryone = "S-1-1-0";              // "Jeder" / "Everyone"
inline const std::string kSidCreatorOwner = "S-1-3-0";          // CREATOR OWNER
inline const std::string kSidSystem = "S-1-5-18";               // LocalSystem
inline const std::string kSidAdministrators = "S-1-5-32-544";   // BUILTIN\Administrators
inline const std::string kSidTrustedInstaller =                 // NT SERVICE\TrustedInstaller
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// Whether an owner (or a principal granted rights) holds no more than the
// run's own rights: Administrators, SYSTEM, TrustedInstaller, or the account
// the run itself runs as (runAccount; empty matches nothing).
// IsTrustedPrincipal("S-1-5-32-545", ...) is false: Users are strangers.
bool IsTrustedPrincipal(const std::string& sid, const std::string& runAccount);

// Who, other than the trusted principals, may add, replace or delete files in
// a folder with this owner and DACL: "S-1-1-0 0x1301ff" (the principal and
// the rights of the first such entry), "Besitzer S-1-..." for an owner who is
// a stranger, "keine Zugriffsliste" for a NULL DACL; the empty text when no
// one may. Safety.cpp says which rights and entries count, and why.
std::u16string WhoMayChange(const platform::SecurityInfo& folder, const std::string& runAccount);

// Why no user can see this process's windows, or the empty text when one
// can: session 0 from Windows Vista on, a window station that can't be
// asked, or one without visible display surfaces.
std::u16string NobodySees();

// The texts of the boxes that refuse a folder, naming it.
std::u16string PackageFolderMessage(const std::u16string& folder);
std::u16string OutputFolderMessage(const std::u16string& folder);

// Turns the redirection-trust mitigation on where the system has it; the
// run's record line that says whether it is on.
std::u16string TurnOnRedirectionTrust();

}  // namespace Module1
