// The library modules on the backend: what a caller of StdRegistry,
// StdModul and StdTask observes on the real system and on the simulation.
#include <algorithm>

#include "std/StdModul.h"
#include "std/StdRegistry.h"
#include "std/StdTask.h"
#include "tests/contract/contract_support.h"

namespace contract {
namespace {

using namespace platform;

class LibraryContract : public Contract {
 protected:
  std::u16string U(const std::string& ansi) const { return FromAnsi(ansi); }
};

TEST_F(LibraryContract, RegistryRoundTrip) {
  const std::u16string key = U(KeyPath() + "\\Monitors\\Redirected Port\\Ports\\Dravelin:");
  StdRegistry::RegSetString(1, key, u"Command", u"Drucken in die PDF");
  StdRegistry::RegSetDword(1, key, u"Delay", 300);
  StdRegistry::ByteBlock block;
  for (int i = 0; i < 560; ++i) block.push_back(static_cast<std::uint8_t>(i * 7));
  StdRegistry::RegSetBinary(1, key, u"PrinterData", block);
  StdRegistry::RegSetString(1, key, u"@", u"unnamed");

  UniqueKey open;
  ASSERT_EQ(RegOpenKeyExA(kHkeyCurrentUser, KeyPath() + "\\Monitors\\Redirected Port\\Ports\\Dravelin:",
                          0, kKeyQueryValue, open.Receive()),
            kErrorSuccess);
  EXPECT_REG_VALUE(open.Get(), "Command", kRegSz, Bytes("Drucken in die PDF\0", 19));
  EXPECT_REG_VALUE(open.Get(), "Delay", kRegDword, Bytes("\x2c\x01\0\0", 4));
  EXPECT_REG_VALUE(open.Get(), "PrinterData", kRegBinary,
                   std::string(reinterpret_cast<const char*>(block.data()), block.size()));
  EXPECT_REG_VALUE(open.Get(), "", kRegSz, Bytes("unnamed\0", 8));

  EXPECT_EQ(StdRegistry::RegGetValue(1, key, u"Command", u"-"), u"Drucken in die PDF");
  EXPECT_EQ(StdRegistry::RegGetValue(1, key, u"Delay", u"-"), u"300");
  EXPECT_EQ(StdRegistry::RegGetValue(1, key, u"@", u"-"), u"unnamed");
  EXPECT_EQ(StdRegistry::RegGetValue(1, key, u"Missing", u"-"), u"-");
  EXPECT_EQ(StdRegistry::RegGetValue(1, key + u"\\Missing", u"Command", u"-"), u"-");
  // The root's own handle value works like its number.
  EXPECT_EQ(StdRegistry::RegGetValue(static_cast<std::int32_t>(0x80000001u), key, u"Delay", u"-"),
            u"300");
  // Root number -1 with the root's name in the path.
  EXPECT_EQ(StdRegistry::RegGetValue(-1, u"HKCU:\\" + key, u"Delay", u"-"), u"300");
  EXPECT_EQ(StdRegistry::RegGetValue(-1, u"HKEY_CURRENT_USER/" + key, u"Delay", u"-"), u"300");
  EXPECT_EQ(StdRegistry::RegGetValue(-1, u"hkcu\\" + key, u"Delay", u"-"), u"-");
}

TEST_F(LibraryContract, RegistryValueTypes) {
  UniqueKey key = CreateKey(kHkeyLocalMachine);
  SET_REG_VALUE(key.Get(), "unterminated", kRegSz, "abcX", 3);
  SET_REG_VALUE(key.Get(), "expand", kRegExpandSz, Bytes("%SystemRoot%\\x\0", 15), 15);
  SET_REG_VALUE(key.Get(), "multi", kRegMultiSz, Bytes("a\0b\0\0", 5), 5);
  SET_REG_VALUE(key.Get(), "minus", kRegDword, "\xff\xff\xff\xff", 4);
  const std::u16string path = U(KeyPath());
  EXPECT_EQ(StdRegistry::RegGetValue(2, path, u"unterminated", u"-"), u"ab");
  EXPECT_EQ(StdRegistry::RegGetValue(2, path, u"expand", u"-"), u"%SystemRoot%\\x");
  EXPECT_EQ(StdRegistry::RegGetValue(2, path, u"multi", u"-"), u"a\r\nb\r\n");
  EXPECT_EQ(StdRegistry::RegGetValue(2, path, u"minus", u"-"), u"-1");
  EXPECT_EQ(StdRegistry::RegGetValue(-1, u"HKLM\\" + path, u"minus", u"-"), u"-1");
}

TEST_F(LibraryContract, ListFolder) {
  WriteFile(InFolder("gswin32c.exe"), "x");
  WriteFile(InFolder("hidden.txt"), "x");
  ASSERT_TRUE(SetFileAttributesA(InFolder("hidden.txt"), kFileAttributeHidden));
  ASSERT_TRUE(CreateDirectoryA(InFolder("gs9.54")));
  ASSERT_TRUE(CreateDirectoryA(InFolder("system")));
  ASSERT_TRUE(SetFileAttributesA(InFolder("system"), kFileAttributeSystem | kFileAttributeDirectory));

  StdModul::NameList files{u"old"}, folders{u"old"};
  StdModul::ListFolder(U(Folder()), &files, &folders, u"*.*");
  std::sort(files.begin(), files.end());
  std::sort(folders.begin(), folders.end());
  EXPECT_EQ(files, (StdModul::NameList{u"gswin32c.exe", u"hidden.txt"}));
  EXPECT_EQ(folders, (StdModul::NameList{u"gs9.54", u"system"}));

  // Without a subfolder list the listing leaves folders out.
  StdModul::ListFolder(U(Folder() + "\\"), &files, nullptr, u"*");
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (StdModul::NameList{u"gswin32c.exe", u"hidden.txt"}));

  StdModul::ListFolder(U(InFolder("missing")), &files, &folders, u"*.*");
  EXPECT_TRUE(files.empty());
  EXPECT_TRUE(folders.empty());
}

TEST_F(LibraryContract, FileTests) {
  WriteFile(InFolder("file.exe"), "x");
  EXPECT_TRUE(StdModul::FileExists(U(InFolder("file.exe"))));
  EXPECT_TRUE(StdModul::FileExists(U(InFolder("FILE.EXE"))));
  EXPECT_FALSE(StdModul::FileExists(U(InFolder("missing.exe"))));
  EXPECT_FALSE(StdModul::FileExists(U(InFolder("missing\\file.exe"))));
  EXPECT_FALSE(StdModul::FileExists(U(Folder())));
  EXPECT_FALSE(StdModul::FileExists(u""));

  const std::int32_t folder = StdModul::GetAttrSafe(U(Folder()));
  EXPECT_GT(folder, 0);
  EXPECT_NE(folder & kFileAttributeDirectory, 0u);
  EXPECT_EQ(StdModul::GetAttrSafe(U(Folder() + "\\.")), -1);
  EXPECT_EQ(StdModul::GetAttrSafe(U(Folder() + "\\..")), -1);
  EXPECT_EQ(StdModul::GetAttrSafe(U(InFolder("missing"))), -1);
  EXPECT_EQ(StdModul::GetAttrSafe(U(InFolder("file.exe"))) & kFileAttributeDirectory, 0u);
}

TEST_F(LibraryContract, MakeDirTreeAndKillFile) {
  StdModul::MakeDirTree(U(InFolder("Daten\\PDF\\")));
  EXPECT_NE(GetFileAttributesA(InFolder("Daten\\PDF")) & kFileAttributeDirectory, 0u);
  StdModul::MakeDirTree(U(InFolder("Daten\\PDF")));  // exists: nothing happens
  EXPECT_NE(GetFileAttributesA(InFolder("Daten\\PDF")), kInvalidFileAttributes);

  const std::string script = InFolder("Daten\\PDF\\PDFCacls.cmd");
  WriteFile(script, "@echo off\r\n");
  ASSERT_TRUE(SetFileAttributesA(script, kFileAttributeReadonly | kFileAttributeHidden));
  StdModul::KillFile(U(script));
  EXPECT_EQ(GetFileAttributesA(script), kInvalidFileAttributes);
  StdModul::KillFile(U(script));  // missing: nothing reported
}

TEST_F(LibraryContract, RunAndWaitMissingProgram) {
  EXPECT_FALSE(StdTask::RunAndWait(U("\"" + InFolder("no such.exe") + "\""), true));
}

TEST_F(LibraryContract, RunAndWaitQuotedPathAndExitCode) {
  // A non-zero exit code still counts as run, and reaches a caller who asks.
  Dword exitCode = kSentinel;
  EXPECT_TRUE(
      StdTask::RunAndWait(U(Child("touch:" + InFolder("ran") + ";exit:7")), true, &exitCode));
  EXPECT_NE(GetFileAttributesA(InFolder("ran")), kInvalidFileAttributes);
  EXPECT_EQ(exitCode, 7u);
}

TEST_F(LibraryContract, RunAndWaitDispatchesMessages) {
  const Hwnd window = CreateCountingWindow();
  ASSERT_NE(window, 0);
  ASSERT_TRUE(PostMessageA(window, kWmUser + 3, 0, 0));
  // The child posts a second message and keeps running; both must have been
  // dispatched by the time RunAndWait returns, so the queue was serviced
  // while the child ran.
  const std::string actions = "post:" + std::to_string(window) + ":" +
                              std::to_string(kWmUser + 4) + ";sleep:1000;touch:" + InFolder("done");
  EXPECT_TRUE(StdTask::RunAndWait(U(Child(actions)), true));
  EXPECT_NE(GetFileAttributesA(InFolder("done")), kInvalidFileAttributes) << "the child has ended";
  EXPECT_EQ(CountingWindowReceived(window, kWmUser + 3), 1);
  EXPECT_EQ(CountingWindowReceived(window, kWmUser + 4), 1);
  EXPECT_TRUE(DestroyWindow(window));
}

// Ignoring case, ReplaceText goes by the system's lower-case mapping: each
// capital finds its small letter and the reverse, in the Latin letters of
// code page 1252 as in Greek and Cyrillic; characters without a lower case
// stay as they are. The length never changes.
TEST_F(LibraryContract, LowerCaseOfTheSystem) {
  struct Case {
    std::u16string capitals;
    std::u16string small;
  };
  const Case cases[] = {
      {u"ABC \u00c4\u00d6\u00dc\u00c0\u00de", u"abc \u00e4\u00f6\u00fc\u00e0\u00fe"},
      {u"\u0160\u0152\u0178\u017d", u"\u0161\u0153\u00ff\u017e"},
      {u"\u0391\u0392\u0393\u03a3\u03a9\u0386", u"\u03b1\u03b2\u03b3\u03c3\u03c9\u03ac"},
      {u"\u0414\u041e\u041c \u0401\u0416", u"\u0434\u043e\u043c \u0451\u0436"},
      {u"\u00d7\u00df\u00b5 1-2 \u20ac\u2030\u4e2d \u00e4\u03c9",
       u"\u00d7\u00df\u00b5 1-2 \u20ac\u2030\u4e2d \u00e4\u03c9"},
  };
  for (const Case& c : cases) {
    std::u16string lowered = c.capitals;
    CharLowerBuffW(&lowered);
    EXPECT_EQ(lowered, c.small);

    std::u16string text = u"<" + c.capitals + u">";
    StdModul::ReplaceText(text, c.small, u"#", true, false);
    EXPECT_EQ(text, u"<#>");
    text = u"<" + c.small + u">";
    StdModul::ReplaceText(text, c.capitals, u"#", true, false);
    EXPECT_EQ(text, u"<#>");
  }
}

}  // namespace
}  // namespace contract
