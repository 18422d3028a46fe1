// What a run with administrator or SYSTEM rights relies on to keep clear of
// what a standard user controls: handles that do not follow links and what
// they report, opening below a checked folder, owners and access lists,
// children by application name in a given folder, ending a child, the error
// mode, the session and the mitigation of the newest Windows.
#include "tests/contract/contract_child.h"
#include "tests/contract/contract_support.h"

namespace contract {
namespace {

using namespace platform;

class SafetyContract : public Contract {
 protected:
  // A handle on the case's folder as the installer opens a folder it checks.
  UniqueHandle OpenFolder(Dword access) {
    return UniqueHandle(CreateFileA(Folder(), access, kFileShareRead | kFileShareWrite | kFileShareDelete,
                                    kOpenExisting, kFileFlagBackupSemantics));
  }

  std::string ReadAll(const std::string& path) {
    UniqueHandle file(CreateFileA(path, kGenericRead, kFileShareRead, kOpenExisting));
    std::string all, chunk;
    while (file.IsValid() && ReadFile(file.Get(), &chunk, 4096) && !chunk.empty()) all += chunk;
    return all;
  }
};

constexpr Dword kChildEndsWithin = 300000;
constexpr Dword kAnyShare = kFileShareRead | kFileShareWrite | kFileShareDelete;

TEST_F(SafetyContract, HandleReportsWhatItRefersTo) {
  WriteFile(InFolder("a.txt"), "abc");
  UniqueHandle file(CreateFileA(InFolder("a.txt"), kFileReadAttributes, kAnyShare, kOpenExisting,
                                kFileFlagOpenReparsePoint | kFileFlagBackupSemantics));
  ASSERT_TRUE(file.IsValid()) << "error " << GetLastError();
  FileInformation info;
  ASSERT_TRUE(GetFileInformationByHandle(file.Get(), &info));
  EXPECT_EQ(info.attributes & (kFileAttributeDirectory | kFileAttributeReparsePoint), 0u) << std::hex << info.attributes;
  EXPECT_EQ(info.links, 1u);
  EXPECT_EQ(info.size, 3u);

  // A folder opens only with backup semantics.
  SetLastError(kSentinel);
  EXPECT_EQ(CreateFileA(Folder(), kFileReadAttributes, kAnyShare, kOpenExisting, kFileFlagOpenReparsePoint),
            kInvalidHandle);
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorAccessDenied));
  const UniqueHandle folder = OpenFolder(kFileReadAttributes);
  ASSERT_TRUE(folder.IsValid());
  ASSERT_TRUE(GetFileInformationByHandle(folder.Get(), &info));
  EXPECT_NE(info.attributes & kFileAttributeDirectory, 0u);

  const FileInformation untouched{kSentinel, kSentinel, kSentinel};
  info = untouched;
  file.Close();
  EXPECT_FALSE(GetFileInformationByHandle(kInvalidHandle, &info));
  EXPECT_EQ(info.links, kSentinel) << "untouched on failure";
}

// FILE_APPEND_DATA without FILE_WRITE_DATA: every write goes to the end;
// OPEN_ALWAYS says whether the file was there.
TEST_F(SafetyContract, AppendKeepsWhatIsThere) {
  WriteFile(InFolder("log.txt"), "old");
  SetLastError(kSentinel);
  UniqueHandle file(CreateFileA(InFolder("log.txt"), kFileAppendData | kFileReadAttributes, kFileShareRead,
                                kOpenAlways, kFileFlagOpenReparsePoint | kFileAttributeNormal));
  ASSERT_TRUE(file.IsValid()) << "error " << GetLastError();
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorAlreadyExists));
  ASSERT_TRUE(platform::WriteFile(file.Get(), "new"));
  ASSERT_TRUE(platform::WriteFile(file.Get(), "!"));
  file.Close();
  EXPECT_EQ(ReadAll(InFolder("log.txt")), "oldnew!");

  SetLastError(kSentinel);
  file.Reset(CreateFileA(InFolder("fresh.txt"), kFileAppendData, kFileShareRead, kOpenAlways, kFileAttributeNormal));
  ASSERT_TRUE(file.IsValid());
  EXPECT_EQ(GetLastError(), 0u);
}

// Names opened below a folder's handle, never from the drive's root again.
TEST_F(SafetyContract, OpenBelowACheckedFolder) {
  const UniqueHandle root = OpenFolder(kReadControl | kFileReadAttributes | kFileTraverse);
  ASSERT_TRUE(root.IsValid());
  const Dword access = kReadControl | kFileReadAttributes | kFileTraverse;
  const Dword options = kFileDirectoryFile | kFileOpenReparsePointOption;
  Handle opened = static_cast<Handle>(kSentinel);
  bool created = false;
  ASSERT_EQ(NtCreateFile(root.Get(), "Sub", access, kFileShareRead | kFileShareWrite, kFileOpenIf, options,
                         &opened, &created), 0u);
  UniqueHandle sub(opened);
  EXPECT_TRUE(created);
  EXPECT_EQ(GetFileAttributesA(InFolder("Sub")) & kFileAttributeDirectory, kFileAttributeDirectory);
  ASSERT_EQ(NtCreateFile(root.Get(), "sub", access, kFileShareRead | kFileShareWrite, kFileOpenIf, options,
                         &opened, &created), 0u);
  sub.Reset(opened);
  EXPECT_FALSE(created) << "there already, named in another letter case";

  opened = static_cast<Handle>(kSentinel);
  EXPECT_EQ(NtCreateFile(root.Get(), "Missing", access, kFileShareRead, kFileOpen, options, &opened, &created),
            static_cast<Dword>(kErrorFileNotFound));
  EXPECT_EQ(opened, static_cast<Handle>(kSentinel)) << "untouched on failure";
  EXPECT_EQ(GetFileAttributesA(InFolder("Missing")), kInvalidFileAttributes);
  WriteFile(InFolder("plain"), "x");
  EXPECT_EQ(NtCreateFile(root.Get(), "plain", access, kFileShareRead, kFileOpenIf, options, &opened, &created),
            static_cast<Dword>(kErrorDirectory));
}

TEST_F(SafetyContract, OwnerAndAccessList) {
  std::string account;
  ASSERT_TRUE(GetTokenUserSid(&account));
  EXPECT_EQ(account.rfind("S-1-5-", 0), 0u) << account;

  UniqueHandle folder = OpenFolder(kReadControl | kWriteDac);
  ASSERT_TRUE(folder.IsValid());
  SecurityInfo before;
  ASSERT_EQ(GetSecurityInfo(folder.Get(), &before), 0u);
  // The folder this process created: its owner is the token's default
  // owner, the account itself, or Administrators for an elevated member of
  // that group.
  EXPECT_TRUE(before.owner == account || before.owner == "S-1-5-32-544") << before.owner;
  ASSERT_TRUE(before.daclPresent);

  std::vector<Ace> dacl = before.dacl;
  dacl.insert(dacl.begin(), Ace{kAccessAllowedAceType, kObjectInheritAce | kContainerInheritAce, kFileAllAccess,
                                "S-1-1-0", {}});
  ASSERT_TRUE(SetKernelObjectSecurity(folder.Get(), dacl, before.control)) << "error " << GetLastError();
  SecurityInfo after;
  ASSERT_EQ(GetSecurityInfo(folder.Get(), &after), 0u);
  bool everyoneWrites = false;
  for (const Ace& ace : after.dacl) {
    everyoneWrites = everyoneWrites || (ace.type == kAccessAllowedAceType && ace.sid == "S-1-1-0" &&
                                        (ace.mask & (kFileWriteData | kFileAppendData)) ==
                                            (kFileWriteData | kFileAppendData));
  }
  EXPECT_TRUE(everyoneWrites) << "everyone may now add files and folders";

  // Without the access right for it, neither works.
  folder = OpenFolder(kFileReadAttributes);
  SecurityInfo untouched;
  untouched.owner = "sentinel";
  EXPECT_EQ(GetSecurityInfo(folder.Get(), &untouched), static_cast<Dword>(kErrorAccessDenied));
  EXPECT_EQ(untouched.owner, "sentinel");
  SetLastError(kSentinel);
  EXPECT_FALSE(SetKernelObjectSecurity(folder.Get(), dacl, 0));
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorAccessDenied));
}

// The application name decides the program; the command line reaches it as
// given; it runs in the folder given.
TEST_F(SafetyContract, ProgramByApplicationName) {
  (void)Child("exit:0");  // puts the child program in place
  ASSERT_TRUE(CreateDirectoryA(InFolder("Work")));
  StartupInfoA startup;
  startup.cb = StartupInfoSize();
  startup.flags = kStartfUseShowWindow;
  startup.showWindow = kSwHide;
  ProcessInformation info;
  ASSERT_TRUE(CreateProcessA(ChildPath(Folder()),
                             std::string("RUNDLL32 ") + kChildSwitch + " cwd:" + InFolder("cwd.txt") + ";exit:6",
                             true, kNormalPriorityClass, InFolder("Work"), startup, &info))
      << "error " << GetLastError();
  ProcessHandles handles(info);
  ASSERT_EQ(WaitForSingleObject(handles.process(), kChildEndsWithin), kWaitObject0);
  Dword code = kSentinel;
  ASSERT_TRUE(GetExitCodeProcess(handles.process(), &code));
  EXPECT_EQ(code, 6u);
  EXPECT_EQ(ReadAll(InFolder("cwd.txt")), InFolder("Work"));

  SetLastError(kSentinel);
  EXPECT_FALSE(CreateProcessA(InFolder("no such program.exe"), "x", true, kNormalPriorityClass, {}, startup, &info));
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorFileNotFound));
}

TEST_F(SafetyContract, EndingAChild) {
  StartupInfoA startup;
  startup.cb = StartupInfoSize();
  ProcessInformation info;
  ASSERT_TRUE(CreateProcessA(Child("sleep:600000"), true, kNormalPriorityClass, startup, &info));
  ProcessHandles handles(info);
  EXPECT_EQ(MsgWaitForMultipleObjects(handles.process(), 200, kQsAllInput), kWaitTimeout);
  EXPECT_TRUE(TerminateProcess(handles.process(), 7));
  EXPECT_EQ(WaitForSingleObject(handles.process(), kChildEndsWithin), kWaitObject0);
  Dword code = kSentinel;
  ASSERT_TRUE(GetExitCodeProcess(handles.process(), &code));
  EXPECT_EQ(code, 7u);
}

TEST_F(SafetyContract, ModeSessionSystemFolder) {
  const Dword previous = SetErrorMode(kSemFailCriticalErrors | kSemNoGpFaultErrorBox | kSemNoOpenFileErrorBox);
  EXPECT_EQ(SetErrorMode(previous), kSemFailCriticalErrors | kSemNoGpFaultErrorBox | kSemNoOpenFileErrorBox);

  Dword session = kSentinel;
  EXPECT_NE(GetCurrentProcessId(), 0u);
  EXPECT_TRUE(ProcessIdToSessionId(GetCurrentProcessId(), &session));
  EXPECT_NE(session, kSentinel);

  std::string system;
  ASSERT_TRUE(GetSystemDirectoryA(&system));
  ASSERT_FALSE(system.empty());
  EXPECT_NE(system.back(), '\\');
  EXPECT_NE(GetFileAttributesA(system + "\\rundll32.exe"), kInvalidFileAttributes) << system;

  EXPECT_EQ(SetRedirectionTrustPolicy(), RedirectionTrustAnswer());
}

}  // namespace
}  // namespace contract
