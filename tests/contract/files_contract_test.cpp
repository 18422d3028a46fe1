// File system calls: listings, attributes, lengths, creation and deletion,
// the current folder, the environment and the code pages.
#include "tests/contract/contract_support.h"

namespace contract {
namespace {

using namespace platform;

class FileContract : public Contract {};

TEST_F(FileContract, ListingWithWildcards) {
  WriteFile(InFolder("a.txt"), "1");
  WriteFile(InFolder("noext"), "2");
  WriteFile(InFolder("hidden.txt"), "3");
  WriteFile(InFolder("system.sys"), "4");
  ASSERT_TRUE(CreateDirectoryA(InFolder("sub")));
  ASSERT_TRUE(CreateDirectoryA(InFolder("hiddensub")));
  ASSERT_TRUE(SetFileAttributesA(InFolder("hidden.txt"), kFileAttributeHidden));
  ASSERT_TRUE(SetFileAttributesA(InFolder("system.sys"), kFileAttributeSystem));
  ASSERT_TRUE(SetFileAttributesA(InFolder("hiddensub"), kFileAttributeHidden | kFileAttributeDirectory));

  // "*.*" matches names without a dot too; hidden and system entries and
  // "." and ".." are listed.
  const std::vector<Entry> all = List(InFolder("*.*"));
  EXPECT_EQ(SortedNames(all),
            (std::vector<std::string>{".", "..", "a.txt", "hidden.txt", "hiddensub", "noext", "sub",
                                      "system.sys"}));
  ASSERT_GE(all.size(), 2u);
  EXPECT_EQ(all[0].name, ".");
  EXPECT_EQ(all[1].name, "..");
  for (const char* folder : {".", "..", "sub", "hiddensub"}) {
    const Entry* e = FindEntry(all, folder);
    ASSERT_NE(e, nullptr) << folder;
    EXPECT_NE(e->attributes & kFileAttributeDirectory, 0u) << folder << " " << std::hex << e->attributes;
  }
  const Entry* hidden = FindEntry(all, "hidden.txt");
  ASSERT_NE(hidden, nullptr);
  EXPECT_NE(hidden->attributes & kFileAttributeHidden, 0u) << std::hex << hidden->attributes;
  const Entry* system = FindEntry(all, "system.sys");
  ASSERT_NE(system, nullptr);
  EXPECT_NE(system->attributes & kFileAttributeSystem, 0u) << std::hex << system->attributes;
  const Entry* file = FindEntry(all, "a.txt");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->attributes & kFileAttributeDirectory, 0u);

  EXPECT_EQ(SortedNames(List(InFolder("*.txt"))),
            (std::vector<std::string>{"a.txt", "hidden.txt"}));
  EXPECT_EQ(SortedNames(List(InFolder("*"))), SortedNames(all));
}

TEST_F(FileContract, ListingEnds) {
  WriteFile(InFolder("only.txt"), "x");
  FindDataA data;
  data.fileName = "sentinel";
  UniqueFind find(FindFirstFileA(InFolder("*.txt"), &data));
  ASSERT_TRUE(find.IsValid());
  EXPECT_EQ(data.fileName, "only.txt");
  SetLastError(kSentinel);
  EXPECT_FALSE(FindNextFileA(find.Get(), &data));
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorNoMoreFiles));
  EXPECT_EQ(data.fileName, "only.txt") << "data untouched at the end";
}

TEST_F(FileContract, ListingFindsNothing) {
  FindDataA data;
  SetLastError(kSentinel);
  EXPECT_EQ(FindFirstFileA(InFolder("*.none"), &data), kInvalidHandle);
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorFileNotFound));
  SetLastError(kSentinel);
  EXPECT_EQ(FindFirstFileA(InFolder("missing\\*"), &data), kInvalidHandle);
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorPathNotFound));
}

TEST_F(FileContract, ListingSingleCharacterWildcard) {
  WriteFile(InFolder("a1.txt"), "1");
  WriteFile(InFolder("a22.txt"), "2");
  EXPECT_EQ(SortedNames(List(InFolder("a?.txt"))), (std::vector<std::string>{"a1.txt"}));
  // A pattern without a folder lists the current folder.
  ASSERT_TRUE(SetCurrentDirectoryA(Folder()));
  EXPECT_EQ(SortedNames(List("*.txt")), (std::vector<std::string>{"a1.txt", "a22.txt"}));
}

// A drive's root folder has no "." and ".." entries.
TEST_F(FileContract, ListingOfDriveRoot) {
  const std::vector<Entry> root = List(Folder().substr(0, 3) + "*");
  EXPECT_FALSE(root.empty());
  EXPECT_EQ(FindEntry(root, "."), nullptr);
  EXPECT_EQ(FindEntry(root, ".."), nullptr);
}

TEST_F(FileContract, NamesIgnoreCaseKeepCase) {
  WriteFile(InFolder("Mixed.TXT"), "abc");
  EXPECT_NE(GetFileAttributesA(InFolder("mixed.txt")), kInvalidFileAttributes);
  const std::vector<Entry> found = List(InFolder("MIXED.txt"));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].name, "Mixed.TXT");
}

TEST_F(FileContract, FileLength) {
  WriteFile(InFolder("five"), "12345");
  WriteFile(InFolder("empty"), "");
  std::uint64_t length = kSentinel;
  EXPECT_TRUE(GetFileLengthA(InFolder("five"), &length));
  EXPECT_EQ(length, 5u);
  EXPECT_TRUE(GetFileLengthA(InFolder("empty"), &length));
  EXPECT_EQ(length, 0u);

  // Opened for attribute access only, a folder fails.
  length = kSentinel;
  SetLastError(kSentinel);
  EXPECT_FALSE(GetFileLengthA(Folder(), &length));
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorAccessDenied));
  EXPECT_EQ(length, kSentinel);

  SetLastError(kSentinel);
  EXPECT_FALSE(GetFileLengthA(InFolder("missing"), &length));
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorFileNotFound));
  SetLastError(kSentinel);
  EXPECT_FALSE(GetFileLengthA(InFolder("missing\\file"), &length));
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorPathNotFound));
  EXPECT_EQ(length, kSentinel);
}

TEST_F(FileContract, Attributes) {
  WriteFile(InFolder("f"), "x");
  const Dword file = GetFileAttributesA(InFolder("f"));
  ASSERT_NE(file, kInvalidFileAttributes);
  EXPECT_EQ(file & kFileAttributeDirectory, 0u) << std::hex << file;
  const Dword folder = GetFileAttributesA(Folder());
  ASSERT_NE(folder, kInvalidFileAttributes);
  EXPECT_NE(folder & kFileAttributeDirectory, 0u) << std::hex << folder;

  SetLastError(kSentinel);
  EXPECT_EQ(GetFileAttributesA(InFolder("missing")), kInvalidFileAttributes);
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorFileNotFound));
  SetLastError(kSentinel);
  EXPECT_EQ(GetFileAttributesA(InFolder("missing\\f")), kInvalidFileAttributes);
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorPathNotFound));
}

TEST_F(FileContract, CreateDirectoryErrors) {
  EXPECT_TRUE(CreateDirectoryA(InFolder("new")));
  SetLastError(kSentinel);
  EXPECT_FALSE(CreateDirectoryA(InFolder("new")));
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorAlreadyExists));
  WriteFile(InFolder("file"), "x");
  SetLastError(kSentinel);
  EXPECT_FALSE(CreateDirectoryA(InFolder("file")));
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorAlreadyExists));
  SetLastError(kSentinel);
  EXPECT_FALSE(CreateDirectoryA(InFolder("missing\\new")));
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorPathNotFound));
  EXPECT_EQ(GetFileAttributesA(InFolder("missing")), kInvalidFileAttributes);
}

TEST_F(FileContract, RemoveDirectory) {
  ASSERT_TRUE(CreateDirectoryA(InFolder("full")));
  WriteFile(InFolder("full\\f"), "x");
  EXPECT_FALSE(RemoveDirectoryA(InFolder("full")));
  ASSERT_TRUE(CreateDirectoryA(InFolder("empty")));
  EXPECT_TRUE(RemoveDirectoryA(InFolder("empty")));
  EXPECT_EQ(GetFileAttributesA(InFolder("empty")), kInvalidFileAttributes);
}

TEST_F(FileContract, DeleteReadOnlyFile) {
  const std::string path = InFolder("readonly.txt");
  WriteFile(path, "x");
  ASSERT_TRUE(SetFileAttributesA(path, kFileAttributeReadonly));
  EXPECT_NE(GetFileAttributesA(path) & kFileAttributeReadonly, 0u);
  SetLastError(kSentinel);
  EXPECT_FALSE(DeleteFileA(path));
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorAccessDenied));
  EXPECT_NE(GetFileAttributesA(path), kInvalidFileAttributes) << "still there";

  ASSERT_TRUE(SetFileAttributesA(path, kFileAttributeNormal));
  const Dword after = GetFileAttributesA(path);
  EXPECT_EQ(after & (kFileAttributeReadonly | kFileAttributeHidden | kFileAttributeSystem), 0u)
      << std::hex << after;
  EXPECT_TRUE(DeleteFileA(path));
  SetLastError(kSentinel);
  EXPECT_EQ(GetFileAttributesA(path), kInvalidFileAttributes);
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorFileNotFound));

  SetLastError(kSentinel);
  EXPECT_FALSE(DeleteFileA(path));
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorFileNotFound));
}

TEST_F(FileContract, CreateWriteRead) {
  const std::string path = InFolder("data.bin");
  const std::string content = Bytes("line 1\r\n\0\xe4\xff", 11);
  WriteFile(path, content);
  {
    UniqueHandle file(CreateFileA(path, kGenericRead, kFileShareRead, kOpenExisting));
    ASSERT_TRUE(file.IsValid());
    std::string bytes = "sentinel";
    ASSERT_TRUE(ReadFile(file.Get(), &bytes, 100));
    EXPECT_EQ(Hex(bytes), Hex(content));
    ASSERT_TRUE(ReadFile(file.Get(), &bytes, 100));
    EXPECT_EQ(bytes, "") << "end of the file";
  }
  // Creating it again empties it.
  {
    SetLastError(kSentinel);
    UniqueHandle file(CreateFileA(path, kGenericWrite, 0, kCreateAlways));
    ASSERT_TRUE(file.IsValid());
    EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorAlreadyExists)) << "it was there";
  }
  std::uint64_t length = kSentinel;
  EXPECT_TRUE(GetFileLengthA(path, &length));
  EXPECT_EQ(length, 0u);
}

TEST_F(FileContract, FolderIsNoFile) {
  ASSERT_TRUE(CreateDirectoryA(InFolder("sub")));
  SetLastError(kSentinel);
  EXPECT_FALSE(DeleteFileA(InFolder("sub")));
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorAccessDenied));
  SetLastError(kSentinel);
  EXPECT_EQ(CreateFileA(InFolder("sub"), kGenericRead, kFileShareRead, kOpenExisting), kInvalidHandle);
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorAccessDenied));
  SetLastError(kSentinel);
  EXPECT_FALSE(RemoveDirectoryA(InFolder("missing")));
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorFileNotFound));
  SetLastError(kSentinel);
  EXPECT_FALSE(SetFileAttributesA(InFolder("missing"), kFileAttributeNormal));
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorFileNotFound));
  // A folder path with a closing backslash names the folder.
  EXPECT_NE(GetFileAttributesA(InFolder("sub\\")) & kFileAttributeDirectory, 0u);
}

TEST_F(FileContract, CreateFileInMissingFolder) {
  SetLastError(kSentinel);
  EXPECT_EQ(CreateFileA(InFolder("missing\\f.txt"), kGenericWrite, 0, kCreateAlways),
            kInvalidHandle);
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorPathNotFound));
  SetLastError(kSentinel);
  EXPECT_EQ(CreateFileA(InFolder("missing.txt"), kGenericRead, 0, kOpenExisting), kInvalidHandle);
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorFileNotFound));
}

TEST_F(FileContract, CurrentDirectory) {
  ASSERT_TRUE(SetCurrentDirectoryA(Folder()));
  std::string current = "sentinel";
  ASSERT_TRUE(GetCurrentDirectoryA(&current));
  EXPECT_EQ(current, Folder()) << "no closing backslash";
  // Relative names resolve against it.
  WriteFile("relative.txt", "x");
  EXPECT_NE(GetFileAttributesA(InFolder("relative.txt")), kInvalidFileAttributes);
  ASSERT_TRUE(CreateDirectoryA("sub"));
  ASSERT_TRUE(SetCurrentDirectoryA("sub"));
  ASSERT_TRUE(GetCurrentDirectoryA(&current));
  EXPECT_EQ(current, InFolder("sub"));

  SetLastError(kSentinel);
  EXPECT_FALSE(SetCurrentDirectoryA(InFolder("missing")));
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorFileNotFound));
  ASSERT_TRUE(GetCurrentDirectoryA(&current));
  EXPECT_EQ(current, InFolder("sub")) << "unchanged after a failure";

  // The drive root keeps its backslash.
  const std::string drive = Folder().substr(0, 2);
  ASSERT_TRUE(SetCurrentDirectoryA(drive + "\\"));
  ASSERT_TRUE(GetCurrentDirectoryA(&current));
  EXPECT_EQ(current, drive + "\\");
}

TEST_F(FileContract, EnvironmentVariables) {
  std::string value = "sentinel";
  EXPECT_FALSE(GetEnvironmentVariableA("DRAVELIN_CONTRACT_UNSET", &value));
  EXPECT_EQ(value, "sentinel");
  ASSERT_TRUE(SetEnvironmentVariableA("DRAVELIN_CONTRACT", "C:\\Program Files"));
  ASSERT_TRUE(GetEnvironmentVariableA("dravelin_contract", &value)) << "names ignore case";
  EXPECT_EQ(value, "C:\\Program Files");
  const std::string longValue(1000, 'x');
  ASSERT_TRUE(SetEnvironmentVariableA("DRAVELIN_CONTRACT", longValue.c_str()));
  ASSERT_TRUE(GetEnvironmentVariableA("DRAVELIN_CONTRACT", &value));
  EXPECT_EQ(value, longValue);
  ASSERT_TRUE(SetEnvironmentVariableA("DRAVELIN_CONTRACT", nullptr));
  EXPECT_FALSE(GetEnvironmentVariableA("DRAVELIN_CONTRACT", &value));
  EXPECT_TRUE(GetEnvironmentVariableA("TEMP", &value));
  EXPECT_EQ(value.empty() ? std::string() : value.substr(0, TempFolder().size()), TempFolder());
}

TEST_F(FileContract, ModuleFileName) {
  std::string path;
  ASSERT_TRUE(GetModuleFileNameA(&path));
  ASSERT_GE(path.size(), 7u) << path;
  EXPECT_EQ(path.substr(1, 2), ":\\") << path;
  std::string ext = path.substr(path.size() - 4);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  EXPECT_EQ(ext, ".exe") << path;
}

TEST_F(FileContract, CodePages) {
  EXPECT_EQ(Hex(ToAnsi(u"\u00e4\u00f6\u00fc\u00df")), Hex("\xe4\xf6\xfc\xdf"));
  EXPECT_EQ(FromAnsi("\xe4\xf6\xfc\xdf"), u"\u00e4\u00f6\u00fc\u00df");
  EXPECT_EQ(Hex(ToAnsi(u"\u20ac")), Hex("\x80")) << "code page 1252";
  EXPECT_EQ(FromAnsi("\x80"), u"\u20ac");
  EXPECT_EQ(Hex(ToAnsi(u"a\u4e2db")), Hex("a?b")) << "a character 1252 lacks";
  EXPECT_EQ(Hex(ToAnsi(std::u16string(u"a\0b", 3))), Hex(Bytes("a\0b", 3)));
  EXPECT_EQ(ToAnsi(u""), "");
  EXPECT_EQ(FromAnsi(""), u"");
  // Code page 850: the same umlauts as 437, but also the copyright sign.
  EXPECT_EQ(Hex(ToOem(u"\u00e4\u00f6\u00fc\u00df\u00a9")), Hex("\x84\x94\x81\xe1\xb8"));
  EXPECT_EQ(Hex(ToOem(u"\u00c4\u00d6\u00dc\u20ac")), Hex("\x8e\x99\x9a?")) << "850 has no euro sign";
  EXPECT_EQ(Hex(ToAnsi(u"\u0100\U0001F600x")), Hex("???x")) << "one '?' per UTF-16 unit";
  // Every byte of 1252 comes back unchanged, the five it leaves undefined
  // as the control characters of the same number.
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::u16string text = FromAnsi(all);
  ASSERT_EQ(text.size(), 256u);
  EXPECT_EQ(text[0x81], u'\u0081');
  EXPECT_EQ(text[0x9F], u'\u0178');
  EXPECT_EQ(Hex(ToAnsi(text)), Hex(all));
}

// The texts the installer writes, through code pages named by number: the
// German ANSI and OEM code pages and UTF-8, which Windows 10 and later can
// make the ANSI code page. A character the code page lacks becomes '?'.
TEST_F(FileContract, CodePagesByNumber) {
  struct Case {
    unsigned codePage;
    std::u16string text;
    std::string bytes;
    std::u16string back;
  };
  const std::u16string anschluss = u"Umgeleiteter Anschlu\u00df";
  const std::u16string strasse = u"Dr\u00fcck Stra\u00dfe";
  const std::u16string euro = u"\u20ac";
  const std::u16string outside = u"a\u4e2d\U0001f600";
  const Case cases[] = {
      {1252, anschluss, "Umgeleiteter Anschlu\xdf", anschluss},
      {1252, strasse, "Dr\xfc" "ck Stra\xdf" "e", strasse},
      {1252, euro, "\x80", euro},
      {1252, outside, "a???", u"a???"},
      {850, anschluss, "Umgeleiteter Anschlu\xe1", anschluss},
      {850, strasse, "Dr\x81" "ck Stra\xe1" "e", strasse},
      {850, euro, "?", u"?"},
      {kCpUtf8, anschluss, "Umgeleiteter Anschlu\xc3\x9f", anschluss},
      {kCpUtf8, strasse, "Dr\xc3\xbc" "ck Stra\xc3\x9f" "e", strasse},
      {kCpUtf8, euro, "\xe2\x82\xac", euro},
      {kCpUtf8, outside, "a\xe4\xb8\xad\xf0\x9f\x98\x80", outside},
  };
  for (const Case& c : cases) {
    const std::string bytes = ToCodePage(c.codePage, c.text);
    EXPECT_EQ(Hex(bytes), Hex(c.bytes)) << "code page " << c.codePage;
    EXPECT_TRUE(FromCodePage(c.codePage, bytes) == c.back)
        << "code page " << c.codePage << ": " << Hex(c.bytes);
  }
  // The system's ANSI and OEM code pages here: 1252 and 850.
  EXPECT_EQ(Hex(ToCodePage(kCpAcp, strasse)), Hex(ToCodePage(1252, strasse)));
  EXPECT_EQ(Hex(ToCodePage(kCpOemcp, strasse)), Hex(ToCodePage(850, strasse)));
  EXPECT_EQ(Hex(ToCodePage(kCpUtf8, u"")), "");
  EXPECT_TRUE(FromCodePage(kCpUtf8, "") == u"");
}

TEST_F(FileContract, ErrorTexts) {
  const std::string text = FormatMessageA(kErrorFileNotFound);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n') << text;
  EXPECT_NE(text.back(), '\r') << text;
  EXPECT_EQ(FormatMessageA(0x2000abcdu), "") << "a code the system has no text for";
}

// The listing's name masks in the platform's matching rules.
TEST_F(FileContract, ListingMasks) {
  for (const char* name : {"a.exe", "b.EXE", "noext", "x.exe.bak", "v1.2.exe", "ab"}) {
    WriteFile(InFolder(name), "");
  }
  const std::vector<std::string> every = {".", "..", "a.exe", "ab", "b.EXE", "noext", "v1.2.exe", "x.exe.bak"};
  struct Case {
    const char* mask;
    std::vector<std::string> names;    // sorted
    std::vector<std::string> literal;  // where DosMaskRules() is false: sorted
  } cases[] = {
      {"*", every, every},
      {"*.*", every, every},                                     // names without a dot too
      {"*.exe", {"a.exe", "b.EXE", "v1.2.exe"}, {"a.exe", "b.EXE", "v1.2.exe"}},  // "*" stops at the last dot
      {"*.", {".", "..", "ab", "noext"}, every},                 // names without an extension
      {"?", {}, {"."}},                                          // "?" matches no dot
      {"??", {"ab"}, {"..", "ab"}},                              // and also nothing at the end
      {"????", {"ab"}, {}},
      {"a?", {"ab"}, {"ab"}},
      {"?.exe", {"a.exe", "b.EXE"}, {"a.exe", "b.EXE"}},
      {"NOEXT", {"noext"}, {"noext"}},
      {"*.bak", {"x.exe.bak"}, {"x.exe.bak"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SortedNames(List(InFolder(c.mask))), DosMaskRules() ? c.names : c.literal) << c.mask;
  }
}

TEST_F(FileContract, ListingFailures) {
  FindDataA data;
  data.fileName = "sentinel";
  struct Case {
    std::string pattern;
    Dword error;
  } cases[] = {
      {Folder().substr(0, 3), kErrorFileNotFound},  // a bare root: no name to match
      {"Q:\\*", kErrorPathNotFound},                 // no such drive
  };
  for (const Case& c : cases) {
    SetLastError(kSentinel);
    EXPECT_EQ(FindFirstFileA(c.pattern, &data), kInvalidHandle) << c.pattern;
    EXPECT_EQ(GetLastError(), c.error) << c.pattern;
  }
  EXPECT_EQ(data.fileName, "sentinel");
}

// The current directory keeps the spelling it was given; a bare drive
// letter of the current drive keeps it too.
TEST_F(FileContract, CurrentDirectoryForms) {
  ASSERT_TRUE(CreateDirectoryA(InFolder("Sub")));
  WriteFile(InFolder("f.txt"), "x");
  std::string lower = Folder();
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  std::string current;
  ASSERT_TRUE(SetCurrentDirectoryA(lower));
  ASSERT_TRUE(GetCurrentDirectoryA(&current));
  EXPECT_EQ(current, lower);
  ASSERT_TRUE(SetCurrentDirectoryA("Sub\\..\\Sub"));
  ASSERT_TRUE(GetCurrentDirectoryA(&current));
  EXPECT_EQ(current, lower + "\\Sub");
  ASSERT_TRUE(SetCurrentDirectoryA(Folder().substr(0, 2)));
  ASSERT_TRUE(GetCurrentDirectoryA(&current));
  EXPECT_EQ(current, lower + "\\Sub") << "the current drive stays where it is";

  SetLastError(kSentinel);
  EXPECT_FALSE(SetCurrentDirectoryA(InFolder("f.txt")));
  EXPECT_EQ(GetLastError(), 267u);  // ERROR_DIRECTORY
  SetLastError(kSentinel);
  EXPECT_FALSE(SetCurrentDirectoryA(InFolder("none\\x")));
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorPathNotFound));
}

// An open file without delete sharing can't be deleted; a handle opened for
// writing can't read; a file path with a closing backslash is no name.
TEST_F(FileContract, OpenFilesAndNames) {
  const std::string path = InFolder("f.txt");
  WriteFile(path, "old content");
  {
    UniqueHandle file(CreateFileA(path, kGenericWrite, 0, kCreateAlways));
    ASSERT_TRUE(file.IsValid());
    ASSERT_TRUE(platform::WriteFile(file.Get(), "new"));
    SetLastError(kSentinel);
    EXPECT_FALSE(DeleteFileA(path));
    EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorSharingViolation));
    std::string read = "sentinel";
    SetLastError(kSentinel);
    EXPECT_FALSE(ReadFile(file.Get(), &read, 10));
    EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorAccessDenied));
  }
  std::uint64_t length = kSentinel;
  EXPECT_TRUE(GetFileLengthA(path, &length));
  EXPECT_EQ(length, 3u);
  SetLastError(kSentinel);
  EXPECT_EQ(GetFileAttributesA(path + "\\"), kInvalidFileAttributes);
  EXPECT_EQ(GetLastError(), FileWithClosingBackslashError());
  EXPECT_FALSE(GetFileLengthA(InFolder("*.txt"), &length));
  ASSERT_TRUE(SetFileAttributesA(path, kFileAttributeReadonly));
  EXPECT_TRUE(GetFileLengthA(path, &length)) << "read-only files have a length too";
}

}  // namespace
}  // namespace contract
