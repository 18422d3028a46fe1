// The simulated platform's own quirks that the code above relies on and that
// the contract cases don't reach: string termination on registry reads, key
// path forms, the listing's wildcard rules, drive-relative directories, the
// program search of CreateProcessA, the dialog's small-buffer failure and
// the two code pages.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/owners.h"
#include "platform/platform.h"
#include "platform/sim.h"

namespace {

namespace sim = platform::sim;
using namespace std::string_literals;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using platform::Dword;
using platform::kHkeyLocalMachine;

class Sim : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }
  void TearDown() override {
    EXPECT_EQ(sim::OpenKeyCount(), 0) << "a key was left open";
    EXPECT_EQ(sim::OpenHandleCount(), 0) << "a handle was left open";
  }
};

// Reads value "v" of HKLM\SOFTWARE\X into a buffer of bufferSize bytes
// pre-filled with 0xbd; answers the result, the size and the buffer.
struct Read {
  platform::Long result;
  Dword size;
  std::string buffer;
};
Read ReadValue(Dword bufferSize) {
  platform::UniqueKey key;
  EXPECT_EQ(platform::RegOpenKeyExA(kHkeyLocalMachine, "SOFTWARE\\X", 0, platform::kKeyQueryValue,
                                    key.Receive()),
            platform::kErrorSuccess);
  std::vector<std::uint8_t> buffer(bufferSize + 1, 0xbd);
  Dword size = bufferSize;
  Dword type = 0xdeadbeef;
  const platform::Long result = platform::RegQueryValueExA(key.Get(), "v", &type, buffer.data(), &size);
  return {result, size, std::string(buffer.begin(), buffer.end())};
}

using RegQueryValueExA = Sim;

TEST_F(RegQueryValueExA, StringTerminationAsThePlatformDoesIt) {
  sim::SetValue(kHkeyLocalMachine, "SOFTWARE\\X", "v", platform::kRegSz, "abc");  // no NUL stored
  Read r = ReadValue(3);  // exactly the stored size: no NUL added
  EXPECT_EQ(r.result, platform::kErrorSuccess);
  EXPECT_EQ(r.size, 3u);
  EXPECT_EQ(r.buffer, "abc\xbd");
  r = ReadValue(4);  // one byte more: the NUL is added, the size stays 3
  EXPECT_EQ(r.result, platform::kErrorSuccess);
  EXPECT_EQ(r.size, 3u);
  EXPECT_EQ(r.buffer, "abc\0\xbd"s);
  r = ReadValue(2);  // too small: the size needed, the buffer untouched
  EXPECT_EQ(r.result, platform::kErrorMoreData);
  EXPECT_EQ(r.size, 3u);
  EXPECT_EQ(r.buffer, "\xbd\xbd\xbd");

  sim::SetValue(kHkeyLocalMachine, "SOFTWARE\\X", "v", platform::kRegBinary, "abc");
  r = ReadValue(4);  // binary data never gets a NUL
  EXPECT_EQ(r.buffer, "abc\xbd\xbd");
  sim::SetValue(kHkeyLocalMachine, "SOFTWARE\\X", "v", platform::kRegSz, "ab\0"s);
  r = ReadValue(5);  // already terminated: nothing is added
  EXPECT_EQ(r.size, 3u);
  EXPECT_EQ(r.buffer, "ab\0\xbd\xbd\xbd"s);
}

TEST_F(RegQueryValueExA, SizeQueryAndMissingValue) {
  sim::SetValue(kHkeyLocalMachine, "SOFTWARE\\X", "", platform::kRegDword, "\x10\0\0\0"s);
  platform::UniqueKey key;
  ASSERT_EQ(platform::RegOpenKeyExA(kHkeyLocalMachine, "software\\x", 0, platform::kKeyQueryValue,
                                    key.Receive()),
            platform::kErrorSuccess);
  Dword type = 0xdeadbeef;
  Dword size = 0xdeadbeef;
  EXPECT_EQ(platform::RegQueryValueExA(key.Get(), "", &type, nullptr, &size), platform::kErrorSuccess);
  EXPECT_EQ(type, platform::kRegDword);
  EXPECT_EQ(size, 4u);
  size = 0xdeadbeef;
  EXPECT_EQ(platform::RegQueryValueExA(key.Get(), "w", &type, nullptr, &size), platform::kErrorFileNotFound);
  EXPECT_EQ(size, 0xdeadbeefu);
  // A key opened for writing only can't be read.
  platform::UniqueKey writer;
  ASSERT_EQ(platform::RegOpenKeyExA(kHkeyLocalMachine, "SOFTWARE\\X", 0, platform::kKeySetValue,
                                    writer.Receive()),
            platform::kErrorSuccess);
  EXPECT_EQ(platform::RegQueryValueExA(writer.Get(), "", &type, nullptr, &size), platform::kErrorAccessDenied);
}

using RegOpenKeyExA = Sim;

TEST_F(RegOpenKeyExA, SubkeyPathForms) {
  sim::AddKey(kHkeyLocalMachine, "SOFTWARE\\X");
  sim::AddKey(platform::kHkeyClassesRoot, "CLSID");
  struct Case {
    platform::HKey root;
    std::string path;
    platform::Long result;
  } cases[] = {
      {kHkeyLocalMachine, "SOFTWARE\\X", platform::kErrorSuccess},
      {kHkeyLocalMachine, "software\\x", platform::kErrorSuccess},    // case does not count
      {kHkeyLocalMachine, "SOFTWARE\\X\\\\", platform::kErrorSuccess},  // closing "\" ignored
      {kHkeyLocalMachine, "SOFTWARE\\\\X", platform::kErrorSuccess},  // a run of "\" is one
      {kHkeyLocalMachine, "\\SOFTWARE\\X", 161},                      // ERROR_BAD_PATHNAME
      {platform::kHkeyClassesRoot, "\\clsid", platform::kErrorSuccess},  // only there
      {kHkeyLocalMachine, "SOFTWARE/X", platform::kErrorFileNotFound},  // "/" is part of a name
      {kHkeyLocalMachine, "SOFTWARE\\Y", platform::kErrorFileNotFound},
      {-1, "SOFTWARE", platform::kErrorInvalidHandle},
      {platform::RootKey(static_cast<std::int32_t>(0x80000007u)), "", platform::kErrorInvalidHandle},
  };
  for (const Case& c : cases) {
    platform::HKey key = 0x5a5a;
    EXPECT_EQ(platform::RegOpenKeyExA(c.root, c.path, 0, platform::kKeyQueryValue, &key), c.result) << c.path;
    if (c.result == platform::kErrorSuccess) {
      EXPECT_EQ(platform::RegCloseKey(key), platform::kErrorSuccess) << c.path;
    } else {
      EXPECT_EQ(key, 0x5a5a) << "out-parameter changed on failure: " << c.path;
    }
  }
}

TEST_F(RegOpenKeyExA, EmptySubkeyAndClosing) {
  // Of a root: the root itself; of an opened key: a fresh handle.
  platform::HKey key = 0;
  ASSERT_EQ(platform::RegOpenKeyExA(kHkeyLocalMachine, "", 0, platform::kKeyQueryValue, &key), 0);
  EXPECT_EQ(key, kHkeyLocalMachine);
  EXPECT_EQ(sim::OpenKeyCount(), 0);
  EXPECT_EQ(platform::RegCloseKey(kHkeyLocalMachine), platform::kErrorSuccess);

  sim::AddKey(kHkeyLocalMachine, "SOFTWARE");
  platform::UniqueKey parent;
  ASSERT_EQ(platform::RegOpenKeyExA(kHkeyLocalMachine, "SOFTWARE", 0, 1, parent.Receive()), 0);
  platform::HKey again = 0;
  ASSERT_EQ(platform::RegOpenKeyExA(parent.Get(), "", 0, 1, &again), 0);
  EXPECT_NE(again, parent.Get());
  EXPECT_EQ(sim::OpenKeyCount(), 2);
  EXPECT_EQ(platform::RegCloseKey(again), platform::kErrorSuccess);
  EXPECT_EQ(platform::RegCloseKey(again), platform::kErrorInvalidHandle);  // closed twice
  EXPECT_EQ(platform::RegCloseKey(0), platform::kErrorInvalidHandle);
}

using RegCreateKeyExA = Sim;

TEST_F(RegCreateKeyExA, CreatesEveryLevelAndIgnoresTheParentsRights) {
  platform::UniqueKey parent;
  ASSERT_EQ(platform::RegCreateKeyExA(kHkeyLocalMachine, "SOFTWARE", 0, platform::kKeyQueryValue,
                                      parent.Receive(), nullptr),
            0);
  platform::UniqueKey key;
  Dword disposition = 0;
  ASSERT_EQ(platform::RegCreateKeyExA(parent.Get(), "Vendor\\Product\\", 0, 0x3F, key.Receive(), &disposition), 0);
  EXPECT_EQ(disposition, platform::kRegCreatedNewKey);
  EXPECT_THAT(sim::SubKeys(kHkeyLocalMachine, "SOFTWARE\\Vendor"), ElementsAre("Product"));
  ASSERT_EQ(platform::RegCreateKeyExA(parent.Get(), "VENDOR\\product", 0, 0x3F, key.Receive(), &disposition), 0);
  EXPECT_EQ(disposition, platform::kRegOpenedExistingKey);
  EXPECT_THAT(sim::SubKeys(kHkeyLocalMachine, "SOFTWARE\\Vendor"), ElementsAre("Product"));  // case kept
  EXPECT_EQ(platform::RegCreateKeyExA(parent.Get(), "\\Lead", 0, 0x3F, key.Receive(), &disposition), 161);
}

using RegSetValueExA = Sim;

TEST_F(RegSetValueExA, StoresBytesAndCountsAForgottenNul) {
  platform::UniqueKey key;
  ASSERT_EQ(platform::RegCreateKeyExA(kHkeyLocalMachine, "SOFTWARE\\X", 0, 0x3F, key.Receive(), nullptr), 0);
  const char text[] = "abc";  // the byte after the three counted is a NUL
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text);
  ASSERT_EQ(platform::RegSetValueExA(key.Get(), "s", platform::kRegSz, bytes, 3), 0);
  EXPECT_EQ(sim::GetValue(kHkeyLocalMachine, "SOFTWARE\\X", "s")->data, "abc\0"s);
  ASSERT_EQ(platform::RegSetValueExA(key.Get(), "s", platform::kRegSz, bytes, 2), 0);  // 'c' follows
  EXPECT_EQ(sim::GetValue(kHkeyLocalMachine, "SOFTWARE\\X", "s")->data, "ab");
  ASSERT_EQ(platform::RegSetValueExA(key.Get(), "S", platform::kRegBinary, bytes, 3), 0);  // same value
  EXPECT_EQ(sim::GetValue(kHkeyLocalMachine, "SOFTWARE\\X", "s")->data, "abc");
  EXPECT_THAT(sim::ValueNames(kHkeyLocalMachine, "SOFTWARE\\X"), ElementsAre("s"));
  ASSERT_EQ(sim::RegWrites().size(), 3u);
  EXPECT_EQ(sim::RegWrites()[0].keyPath, "HKEY_LOCAL_MACHINE\\SOFTWARE\\X");
  EXPECT_EQ(sim::RegWrites()[0].data, "abc\0"s);

  platform::UniqueKey reader;
  ASSERT_EQ(platform::RegOpenKeyExA(kHkeyLocalMachine, "SOFTWARE\\X", 0, platform::kKeyQueryValue,
                                    reader.Receive()),
            0);
  EXPECT_EQ(platform::RegSetValueExA(reader.Get(), "t", platform::kRegBinary, bytes, 1),
            platform::kErrorAccessDenied);
  EXPECT_EQ(sim::RegWrites().size(), 3u);
  EXPECT_EQ(sim::CallCount("RegSetValueExA"), 4);
}

// ------------------------------------------------------------ file system

std::vector<std::string> List(const std::string& pattern) {
  std::vector<std::string> names;
  platform::FindDataA data;
  platform::UniqueFind find(platform::FindFirstFileA(pattern, &data));
  if (!find.IsValid()) return names;
  do {
    names.push_back(data.fileName);
  } while (platform::FindNextFileA(find.Get(), &data));
  EXPECT_EQ(platform::GetLastError(), static_cast<Dword>(platform::kErrorNoMoreFiles));
  return names;
}

using FindFirstFileA = Sim;

TEST_F(FindFirstFileA, WildcardsMatchAsThePlatformMatches) {
  for (const char* name : {"a.exe", "b.EXE", "noext", "x.exe.bak", "v1.2.exe", "ab"}) {
    sim::AddFile(std::string("C:\\D\\") + name);
  }
  struct Case {
    const char* mask;
    std::vector<std::string> names;
  } cases[] = {
      {"*", {".", "..", "a.exe", "b.EXE", "noext", "x.exe.bak", "v1.2.exe", "ab"}},
      {"*.*", {".", "..", "a.exe", "b.EXE", "noext", "x.exe.bak", "v1.2.exe", "ab"}},  // names without a dot too
      {"*.exe", {"a.exe", "b.EXE", "v1.2.exe"}},  // case does not count; "*" stops at the last dot
      {"*.", {".", "..", "noext", "ab"}},          // names without an extension
      {"?", {}},                                   // "?" matches no dot
      {"??", {"ab"}},                               // and also nothing at the end
      {"????", {"ab"}},
      {"a?", {"ab"}},
      {"?.exe", {"a.exe", "b.EXE"}},
      {"NOEXT", {"noext"}},
      {"*.bak", {"x.exe.bak"}},
  };
  for (const Case& c : cases) {
    EXPECT_THAT(List(std::string("C:\\D\\") + c.mask), ElementsAreArray(c.names)) << c.mask;
  }
}

TEST_F(FindFirstFileA, RootsAndFailures) {
  sim::AddFile("C:\\top.txt", "", platform::kFileAttributeHidden | platform::kFileAttributeSystem);
  EXPECT_THAT(List("C:\\*"), ElementsAre("top.txt"));  // no "." and ".." in a drive root
  platform::FindDataA data;
  data.fileName = "sentinel";
  struct Case {
    const char* pattern;
    Dword error;
  } cases[] = {
      {"C:\\missing\\*", platform::kErrorPathNotFound},
      {"C:\\*.none", platform::kErrorFileNotFound},
      {"C:\\", platform::kErrorFileNotFound},
      {"Q:\\*", platform::kErrorPathNotFound},
  };
  for (const Case& c : cases) {
    platform::SetLastError(0xdeadbeef);
    EXPECT_EQ(platform::FindFirstFileA(c.pattern, &data), platform::kInvalidHandle) << c.pattern;
    EXPECT_EQ(platform::GetLastError(), c.error) << c.pattern;
  }
  EXPECT_EQ(data.fileName, "sentinel");
  EXPECT_FALSE(platform::FindNextFileA(12345, &data));
  EXPECT_EQ(platform::GetLastError(), static_cast<Dword>(platform::kErrorInvalidHandle));
}

using SetCurrentDirectoryA = Sim;

TEST_F(SetCurrentDirectoryA, BareDriveGoesToThatDrivesDirectory) {
  sim::AddFolder("C:\\Work\\Sub");
  sim::AddFolder("D:\\Other");
  std::string dir;
  ASSERT_TRUE(platform::SetCurrentDirectoryA("c:\\work"));
  ASSERT_TRUE(platform::GetCurrentDirectoryA(&dir));
  EXPECT_EQ(dir, "c:\\work");  // kept as spelled
  ASSERT_TRUE(platform::SetCurrentDirectoryA("Sub\\..\\Sub"));
  ASSERT_TRUE(platform::GetCurrentDirectoryA(&dir));
  EXPECT_EQ(dir, "c:\\work\\Sub");
  ASSERT_TRUE(platform::SetCurrentDirectoryA("D:"));  // no "=D:" entry: the root
  EXPECT_EQ(sim::CurrentDir(), "D:\\");
  ASSERT_TRUE(platform::SetCurrentDirectoryA("C:"));  // SetCurrentDirectory keeps no "=C:" entry
  EXPECT_EQ(sim::CurrentDir(), "C:\\");
  sim::SetEnv("=D:", "D:\\Other");
  ASSERT_TRUE(platform::SetCurrentDirectoryA("D:"));
  EXPECT_EQ(sim::CurrentDir(), "D:\\Other");
  ASSERT_TRUE(platform::SetCurrentDirectoryA("D:"));  // the current drive: stays
  EXPECT_EQ(sim::CurrentDir(), "D:\\Other");

  sim::AddFile("D:\\Other\\f.txt");
  EXPECT_FALSE(platform::SetCurrentDirectoryA("f.txt"));
  EXPECT_EQ(platform::GetLastError(), 267u);  // ERROR_DIRECTORY
  EXPECT_FALSE(platform::SetCurrentDirectoryA("D:\\none\\x"));
  EXPECT_EQ(platform::GetLastError(), static_cast<Dword>(platform::kErrorPathNotFound));
  EXPECT_FALSE(platform::SetCurrentDirectoryA("D:\\none"));
  EXPECT_EQ(platform::GetLastError(), static_cast<Dword>(platform::kErrorFileNotFound));
  EXPECT_EQ(sim::CurrentDir(), "D:\\Other");
}

using CreateFileA = Sim;

TEST_F(CreateFileA, CreateAlwaysTruncatesAndDeleteRules) {
  sim::AddFile("C:\\f.txt", "old content");
  platform::UniqueHandle file(platform::CreateFileA("C:\\F.TXT", platform::kGenericWrite, 0, platform::kCreateAlways));
  ASSERT_TRUE(file.IsValid());
  EXPECT_EQ(platform::GetLastError(), static_cast<Dword>(platform::kErrorAlreadyExists));  // while succeeding
  ASSERT_TRUE(platform::WriteFile(file.Get(), "new"));
  EXPECT_EQ(sim::FileContent("C:\\f.txt"), std::optional<std::string>("new"));
  EXPECT_FALSE(platform::DeleteFileA("C:\\f.txt"));  // open without delete sharing
  EXPECT_EQ(platform::GetLastError(), static_cast<Dword>(platform::kErrorSharingViolation));
  std::string read;
  EXPECT_FALSE(platform::ReadFile(file.Get(), &read, 10));  // opened for writing only
  EXPECT_EQ(platform::GetLastError(), static_cast<Dword>(platform::kErrorAccessDenied));
  EXPECT_EQ(sim::OpenHandleCount(), 1);
  file.Close();
  EXPECT_TRUE(platform::DeleteFileA("c:\\f.txt"));

  EXPECT_EQ(platform::CreateFileA("C:\\no\\f.txt", platform::kGenericWrite, 0, platform::kCreateAlways),
            platform::kInvalidHandle);
  EXPECT_EQ(platform::GetLastError(), static_cast<Dword>(platform::kErrorPathNotFound));
  EXPECT_EQ(platform::CreateFileA("C:\\f.txt", platform::kGenericRead, 0, platform::kOpenExisting),
            platform::kInvalidHandle);
  EXPECT_EQ(platform::GetLastError(), static_cast<Dword>(platform::kErrorFileNotFound));
  sim::AddFile("C:\\ro.txt", "x", platform::kFileAttributeReadonly);
  EXPECT_FALSE(platform::DeleteFileA("C:\\ro.txt"));
  EXPECT_EQ(platform::GetLastError(), static_cast<Dword>(platform::kErrorAccessDenied));
  EXPECT_FALSE(platform::CreateDirectoryA("C:\\ro.txt"));
  EXPECT_EQ(platform::GetLastError(), static_cast<Dword>(platform::kErrorAlreadyExists));
  EXPECT_EQ(platform::GetFileAttributesA("C:\\ro.txt\\"), platform::kInvalidFileAttributes);
  EXPECT_EQ(platform::GetLastError(), static_cast<Dword>(platform::kErrorInvalidName));
  std::uint64_t length = 77;
  EXPECT_FALSE(platform::GetFileLengthA("C:\\*.txt", &length));
  EXPECT_FALSE(platform::GetFileLengthA("C:\\", &length));  // a folder
  EXPECT_TRUE(platform::GetFileLengthA("C:\\RO.txt", &length));
  EXPECT_EQ(length, 1u);
}

// ---------------------------------------------------------------- processes

using CreateProcessA = Sim;

platform::StartupInfoA Startup() {
  platform::StartupInfoA startup;
  startup.cb = platform::StartupInfoSize();
  return startup;
}

bool StartAndWait(const std::string& commandLine) {
  platform::ProcessInformation info;
  if (!platform::CreateProcessA(commandLine, false, 0, Startup(), &info)) return false;
  platform::ProcessHandles handles(info);
  return platform::WaitForSingleObject(handles.process(), platform::kInfinite) == platform::kWaitObject0;
}

TEST_F(CreateProcessA, SearchesTheProgramLikeThePlatform) {
  std::vector<std::string> ran;
  auto record = [&ran](const char* who) {
    return [&ran, who](const std::string& line) {
      ran.push_back(std::string(who) + ": " + line);
      return Dword{0};
    };
  };
  sim::AddFile("C:\\Program Files\\Tool\\tool.exe");
  sim::AddProgram("C:\\Program Files\\Tool\\tool.exe", record("tool"));
  sim::AddFile("C:\\Setup\\helper.exe");
  sim::AddProgram("C:\\Setup\\helper.exe", record("helper"));
  sim::AddProgram("cmd", record("cmd"));
  sim::AddFile("C:\\Daten\\x.cmd");

  EXPECT_TRUE(StartAndWait("C:\\Program Files\\Tool\\tool -a"));  // prefixes tried, ".exe" appended
  EXPECT_TRUE(StartAndWait("\"C:\\Program Files\\Tool\\tool.exe\""));
  EXPECT_TRUE(StartAndWait("helper /q"));                          // beside the executable
  EXPECT_TRUE(StartAndWait("C:\\Daten\\x.cmd arg"));               // batch file: cmd
  EXPECT_THAT(ran, ElementsAre("tool: C:\\Program Files\\Tool\\tool -a",
                               "tool: \"C:\\Program Files\\Tool\\tool.exe\"", "helper: helper /q",
                               "cmd: C:\\Daten\\x.cmd arg"));

  platform::ProcessInformation info;
  info.process = 0x5a5a;
  platform::SetLastError(0xdeadbeef);
  EXPECT_FALSE(platform::CreateProcessA("\"C:\\Program Files\\Tool\\none.exe\"", false, 0, Startup(), &info));
  EXPECT_EQ(platform::GetLastError(), static_cast<Dword>(platform::kErrorFileNotFound));
  EXPECT_EQ(info.process, 0x5a5a);
  sim::AddFile("C:\\Setup\\plain.exe");  // there, but nothing scripted for it
  EXPECT_FALSE(platform::CreateProcessA("C:\\Setup\\plain.exe", false, 0, Startup(), &info));
  EXPECT_EQ(platform::GetLastError(), 193u);  // ERROR_BAD_EXE_FORMAT
  ASSERT_EQ(sim::Processes().size(), 6u);
  EXPECT_TRUE(sim::Processes()[0].started);
  EXPECT_FALSE(sim::Processes()[4].started);
}

// Zero-timeout polls time out as often as configured; a wait with a timeout
// lasts until the process has ended.
TEST_F(CreateProcessA, PollsTimeOutThenTheProcessEnds) {
  sim::AddProgram("slow", [](const std::string&) { return Dword{3}; }, 2);
  platform::ProcessInformation info;
  ASSERT_TRUE(platform::CreateProcessA("slow", true, 0, Startup(), &info));
  platform::ProcessHandles handles(info);
  EXPECT_EQ(sim::OpenHandleCount(), 2);
  Dword code = 0;
  ASSERT_TRUE(platform::GetExitCodeProcess(handles.process(), &code));
  EXPECT_EQ(code, 259u);  // STILL_ACTIVE
  EXPECT_EQ(platform::WaitForSingleObject(handles.process(), 0), platform::kWaitTimeout);
  const platform::Hwnd window = platform::CreateCountingWindow();
  ASSERT_TRUE(platform::PostMessageA(window, platform::kWmUser, 0, 0));
  EXPECT_EQ(platform::MsgWaitForMultipleObjects(handles.process(), platform::kInfinite, platform::kQsAllInput),
            platform::kWaitObject0 + 1);  // the message first
  EXPECT_EQ(platform::DispatchPendingMessages(), 1);
  EXPECT_EQ(platform::CountingWindowReceived(window, platform::kWmUser), 1);
  EXPECT_EQ(platform::MsgWaitForMultipleObjects(handles.process(), 0, platform::kQsAllInput), platform::kWaitTimeout);
  ASSERT_TRUE(platform::GetExitCodeProcess(handles.process(), &code));
  EXPECT_EQ(code, 3u);  // both configured polls have timed out: it has ended
  EXPECT_EQ(platform::MsgWaitForMultipleObjects(handles.process(), 10, platform::kQsAllInput), platform::kWaitObject0);
  EXPECT_EQ(platform::WaitForSingleObject(handles.process(), 0), platform::kWaitObject0);
  ASSERT_TRUE(platform::GetExitCodeProcess(handles.process(), &code));
  EXPECT_EQ(code, 3u);
  EXPECT_EQ(sim::ProcessWaits(), 5);
  EXPECT_EQ(sim::BlockingProcessWaits(), 2);
  EXPECT_TRUE(platform::DestroyWindow(window));
  EXPECT_FALSE(platform::PostMessageA(window, platform::kWmUser, 0, 0));
  EXPECT_EQ(platform::WaitForSingleObject(999, 0), platform::kWaitFailed);
}

// -------------------------------------------------------------- dialogs

using GetOpenFileNameA = Sim;

TEST_F(GetOpenFileNameA, ChoiceTooLongForTheBufferFails) {
  sim::QueueDialogChoice("C:\\dir\\names.exe");
  sim::QueueDialogChoice("C:\\dir\\names.exe");
  std::string buffer(18, '\xbd');
  platform::OpenFileNameA record;
  record.structSize = platform::kOpenFileNameSize;
  record.filter = "A\0*.a\0\0"
                  "junk";
  record.file = buffer.data();
  record.maxFile = 16;  // the path and its NUL need 17
  EXPECT_FALSE(platform::GetOpenFileNameA(&record));
  EXPECT_EQ(buffer.substr(0, 2), "\x11\0"s);  // the size needed
  EXPECT_EQ(buffer[16], '\xbd');
  record.maxFile = 17;
  std::fill(buffer.begin(), buffer.end(), '\xbd');
  ASSERT_TRUE(platform::GetOpenFileNameA(&record));
  EXPECT_EQ(buffer, "C:\\dir\\names.exe\0\xbd"s);
  EXPECT_EQ(record.fileOffset, 7);
  EXPECT_EQ(record.fileExtension, 13);
  ASSERT_EQ(sim::Dialogs().size(), 2u);
  EXPECT_EQ(sim::Dialogs()[0].filter, "A\0*.a\0\0"s);
  EXPECT_EQ(sim::Dialogs()[0].fileBuffer, std::string(16, '\xbd'));
  EXPECT_FALSE(platform::GetOpenFileNameA(&record));  // nothing queued: cancelled
  EXPECT_EQ(sim::UnscriptedPrompts(), 1);
}

// ------------------------------------------------------------ code pages

TEST(CodePages, AnsiIs1252AndOemIs850) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::u16string text = platform::FromAnsi(all);
  ASSERT_EQ(text.size(), 256u);
  EXPECT_EQ(text[0x80], u'\u20AC');
  EXPECT_EQ(text[0x81], u'\u0081');  // undefined bytes map to the control characters
  EXPECT_EQ(text[0x8D], u'\u008D');
  EXPECT_EQ(text[0x9F], u'\u0178');
  EXPECT_EQ(text[0xE4], u'\u00E4');
  EXPECT_EQ(platform::ToAnsi(text), all);  // every byte round-trips
  EXPECT_EQ(platform::ToAnsi(u"\u0100\u4E2D\U0001F600x"), "????x");  // one '?' per unit
  EXPECT_EQ(platform::ToOem(u"\u00C4\u00D6\u00DC\u00E4\u00F6\u00FC\u00DF\u20AC"), "\x8E\x99\x9A\x84\x94\x81\xE1?");
  EXPECT_EQ(platform::ToOem(u"C:\\Daten\\PDF"), "C:\\Daten\\PDF");
}

}  // namespace
