// StdRegistry on the simulated registry: rendering by type and size, root
// names, key creation level by level, the written bytes, the calls made.
#include "std/StdRegistry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/sim/sim.h"
#include "tests/host/sim_fixture.h"

namespace {

namespace sim = platform::sim;
using namespace std::string_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

constexpr std::int32_t kHklm = 2;

using SimFixture = host_test::SimTest;

std::string Bytes(const StdRegistry::ByteBlock& block) { return std::string(block.begin(), block.end()); }

using RegGetValue = SimFixture;

TEST_F(RegGetValue, RendersByTypeAndStoredSize) {
  struct Case { platform::Dword type; std::string stored; std::u16string text; };
  const Case cases[] = {
      {platform::kRegSz, "abc\0"s, u"abc"},
      {platform::kRegSz, "abc", u"ab"},                    // stored without its NUL
      {platform::kRegSz, "", u""},                         // size 0: empty, not the default
      {platform::kRegSz, "a\0b\0"s, std::u16string(u"a\0b", 3)},
      {platform::kRegSz, "\xE4\x80\0"s, u"\u00E4\u20AC"},  // ANSI code page 1252
      {platform::kRegExpandSz, "%SystemRoot%\\x\0"s, u"%SystemRoot%\\x"},
      {platform::kRegNone, "xy\0"s, u"xy"},
      {11, "12345678", u"1234567"},                        // REG_QWORD: read like REG_SZ
      {platform::kRegDword, "\x10\0\0\0"s, u"16"},
      {platform::kRegDword, "\xFF\xFF\xFF\xFF", u"-1"},
      {platform::kRegDword, "\0\0\0\x80"s, u"-2147483648"},
      {platform::kRegDword, "\x10\x01", u"272"},            // short value: the rest stays 0
      {platform::kRegMultiSz, "a\0b\0\0"s, u"a\r\nb\r\n"},
      {platform::kRegMultiSz, "", u""},
      {platform::kRegBinary, "\x01\x02\x03", u"\u0201\u0003"},  // two bytes a character, low first
      {platform::kRegBinary, "\x80\xFF", u"\uFF80"},
      {platform::kRegBinary, "", u""},
  };
  for (const Case& c : cases) {
    sim::SetValue(kHkeyLocalMachine, "SOFTWARE\\X", "v", c.type, c.stored);
    EXPECT_EQ(StdRegistry::RegGetValue(kHklm, u"SOFTWARE\\X", u"v", u"dflt"), c.text)
        << "type " << c.type << " stored " << ::testing::PrintToString(c.stored);
  }
}

TEST_F(RegGetValue, DefaultWhenKeyOrValueIsMissing) {
  sim::SetValue(kHkeyLocalMachine, "SOFTWARE\\X", "v", platform::kRegSz, "x\0"s);
  const std::u16string printers = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";
  EXPECT_EQ(StdRegistry::RegGetValue(kHklm, printers + u"\\DUR-Orarudi", u"Name", u""), u"");
  EXPECT_EQ(StdRegistry::RegGetValue(kHklm, u"SOFTWARE\\Y", u"v", u"dflt"), u"dflt");
  EXPECT_EQ(StdRegistry::RegGetValue(kHklm, u"SOFTWARE\\X", u"w", u"dflt"), u"dflt");
  EXPECT_EQ(StdRegistry::RegGetValue(7, u"SOFTWARE\\X", u"v", u"dflt"), u"dflt");  // invalid handle
  // An eight-byte REG_DWORD doesn't fit the four-byte read: the empty text.
  sim::SetValue(kHkeyLocalMachine, "SOFTWARE\\X", "big", platform::kRegDword, "12345678");
  EXPECT_EQ(StdRegistry::RegGetValue(kHklm, u"SOFTWARE\\X", u"big", u"dflt"), u"");
}

TEST_F(RegGetValue, OneOpenTwoQueriesOneClose) {
  sim::SetValue(kHkeyLocalMachine, "SOFTWARE\\X", "v", platform::kRegSz, "abc\0"s);
  EXPECT_EQ(StdRegistry::RegGetValue(kHklm, u"SOFTWARE\\X", u"v", u""), u"abc");
  EXPECT_EQ(sim::CallCount("RegOpenKeyExA"), 1);
  EXPECT_EQ(sim::CallCount("RegQueryValueExA"), 2);
  EXPECT_EQ(sim::CallCount("RegCloseKey"), 1);
}

TEST_F(RegGetValue, AtNamesTheUnnamedValue) {
  sim::SetValue(kHkeyLocalMachine, "SOFTWARE\\X", "@", platform::kRegSz, "named\0"s);
  EXPECT_EQ(StdRegistry::RegGetValue(kHklm, u"SOFTWARE\\X", u"@", u"dflt"), u"dflt");
  sim::SetValue(kHkeyLocalMachine, "SOFTWARE\\X", "", platform::kRegSz, "unnamed\0"s);
  EXPECT_EQ(StdRegistry::RegGetValue(kHklm, u"SOFTWARE\\X", u"@", u"dflt"), u"unnamed");
}

TEST_F(RegGetValue, RootNumbersAndRootNames) {
  sim::SetValue(kHkeyLocalMachine, "SOFTWARE\\X", "v", platform::kRegSz, "machine\0"s);
  sim::SetValue(kHkeyLocalMachine, "SOFTWARE/X", "v", platform::kRegSz, "slash\0"s);
  sim::SetValue(kHkeyCurrentUser, "Software\\U", "v", platform::kRegSz, "user\0"s);
  sim::SetValue(kHkeyCurrentUser, "Software/U", "v", platform::kRegSz, "user slash\0"s);
  sim::SetValue(kHkeyLocalMachine, "", "v", platform::kRegSz, "root\0"s);
  for (const std::u16string path : {u"HKLM\\SOFTWARE\\X", u"HKLM/SOFTWARE/X", u"HKLM:\\SOFTWARE\\X",
                                    u"HKEY_LOCAL_MACHINE\\SOFTWARE\\X", u"HKEY_LOCAL_MACHINE/SOFTWARE\\X"}) {
    EXPECT_EQ(StdRegistry::RegGetValue(-1, path, u"v", u"dflt"), u"machine") << ::testing::PrintToString(path);
  }
  for (const std::u16string path : {u"hklm\\SOFTWARE\\X", u"HKU\\X", u"\\SOFTWARE\\X", u"SOFTWARE\\X", u""}) {
    EXPECT_EQ(StdRegistry::RegGetValue(-1, path, u"v", u"dflt"), u"dflt") << ::testing::PrintToString(path);
  }
  EXPECT_EQ(StdRegistry::RegGetValue(-1, u"HKLM", u"v", u""), u"root");
  EXPECT_EQ(StdRegistry::RegGetValue(kHklm, u"", u"v", u""), u"root");
  EXPECT_EQ(StdRegistry::RegGetValue(kHklm, u"SOFTWARE/X", u"v", u""), u"slash");  // "/" is part of the name
  EXPECT_EQ(StdRegistry::RegGetValue(1, u"Software\\U", u"v", u""), u"user");
  EXPECT_EQ(StdRegistry::RegGetValue(static_cast<std::int32_t>(0x80000001u), u"Software\\U", u"v", u""), u"user");
  // A key handle takes the path as it is, "/" included.
  EXPECT_EQ(StdRegistry::RegGetValue(static_cast<std::int32_t>(0x80000001u), u"Software/U", u"v", u""), u"user slash");
}

TEST_F(RegGetValue, ReadsWithQueryAccessOnly) {
  sim::SetValue(kHkeyLocalMachine, "SOFTWARE\\Locked", "v", platform::kRegSz, "x\0"s);
  sim::DenyWrites(kHkeyLocalMachine, "SOFTWARE\\Locked");
  EXPECT_EQ(StdRegistry::RegGetValue(kHklm, u"SOFTWARE\\Locked", u"v", u"dflt"), u"x");
}

using RegSetDword = SimFixture;

TEST_F(RegSetDword, FourBytesLeastSignificantFirst) {
  struct Case { std::int32_t value; std::string bytes; std::u16string text; };
  const Case cases[] = {
      {300, "\x2C\x01\0\0"s, u"300"}, {16, "\x10\0\0\0"s, u"16"}, {560, "\x30\x02\0\0"s, u"560"},
      {0, "\0\0\0\0"s, u"0"},         {-1, "\xFF\xFF\xFF\xFF", u"-1"},  // two's complement
      {0x12345678, "\x78\x56\x34\x12", u"305419896"},
  };
  for (const Case& c : cases) {
    StdRegistry::RegSetDword(kHklm, u"SOFTWARE\\X", u"d", c.value);
    const auto stored = sim::GetValue(kHkeyLocalMachine, "SOFTWARE\\X", "d");
    ASSERT_TRUE(stored.has_value()) << c.value;
    EXPECT_EQ(stored->type, platform::kRegDword) << c.value;
    EXPECT_EQ(stored->data, c.bytes) << c.value;
    EXPECT_EQ(StdRegistry::RegGetValue(kHklm, u"SOFTWARE\\X", u"d", u""), c.text);
  }
}

using RegSetString = SimFixture;

TEST_F(RegSetString, TextAndItsNul) {
  struct Case { std::u16string value; std::string bytes; };
  const Case cases[] = {
      {u"", "\0"s}, {u"Drucken in die PDF", "Drucken in die PDF\0"s}, {u"\u00E4\u20AC", "\xE4\x80\0"s}};
  for (const Case& c : cases) {
    StdRegistry::RegSetString(kHklm, u"SOFTWARE\\X", u"s", c.value);
    const auto stored = sim::GetValue(kHkeyLocalMachine, "SOFTWARE\\X", "s");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->type, platform::kRegSz);
    EXPECT_EQ(stored->data, c.bytes);
    EXPECT_EQ(StdRegistry::RegGetValue(kHklm, u"SOFTWARE\\X", u"s", u"dflt"), c.value);
  }
  ASSERT_EQ(sim::RegWrites().size(), 3u);
  EXPECT_EQ(sim::RegWrites()[1].keyPath, "HKEY_LOCAL_MACHINE\\SOFTWARE\\X");
  EXPECT_EQ(sim::RegWrites()[1].data.size(), 19u);
}

TEST_F(RegSetString, AtWritesTheUnnamedValueAndLastTypeWins) {
  StdRegistry::RegSetString(kHklm, u"SOFTWARE\\X", u"@", u"default");
  EXPECT_THAT(sim::ValueNames(kHkeyLocalMachine, "SOFTWARE\\X"), ElementsAre(""));
  StdRegistry::RegSetString(kHklm, u"SOFTWARE\\X", u"v", u"text");
  StdRegistry::RegSetDword(kHklm, u"SOFTWARE\\X", u"v", 5);
  EXPECT_THAT(sim::ValueNames(kHkeyLocalMachine, "SOFTWARE\\X"), ElementsAre("", "v"));
  EXPECT_EQ(sim::GetValue(kHkeyLocalMachine, "SOFTWARE\\X", "v")->type, platform::kRegDword);
}

using RegSetBinary = SimFixture;

TEST_F(RegSetBinary, BytesUnchanged) {
  StdRegistry::ByteBlock block(560);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i * 7 % 256 * (i % 3 != 0));
  StdRegistry::RegSetBinary(kHklm, u"SOFTWARE\\X\\PrinterDriverData", u"PrinterData", block);
  const auto stored = sim::GetValue(kHkeyLocalMachine, "SOFTWARE\\X\\PrinterDriverData", "PrinterData");
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->type, platform::kRegBinary);
  EXPECT_EQ(stored->data, Bytes(block));
  StdRegistry::RegSetBinary(kHklm, u"SOFTWARE\\X", u"empty", {});
  EXPECT_EQ(sim::GetValue(kHkeyLocalMachine, "SOFTWARE\\X", "empty")->data, "");
}

using CreateKeyPath = SimFixture;

TEST_F(CreateKeyPath, LevelByLevelFromTheRoot) {
  const std::string monitors = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors";
  sim::SetValue(kHkeyLocalMachine, monitors + "\\Local Port", "Driver", platform::kRegSz, "localspl.dll\0"s);
  const std::u16string port = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Redirected Port\\Ports\\Dravelin:";
  StdRegistry::RegSetString(kHklm, port, u"Command", u"x");
  EXPECT_THAT(sim::SubKeys(kHkeyLocalMachine, monitors), ElementsAre("Local Port", "Redirected Port"));
  EXPECT_THAT(sim::SubKeys(kHkeyLocalMachine, monitors + "\\Redirected Port"), ElementsAre("Ports"));
  EXPECT_THAT(sim::SubKeys(kHkeyLocalMachine, monitors + "\\Redirected Port\\Ports"), ElementsAre("Dravelin:"));
  EXPECT_TRUE(sim::GetValue(kHkeyLocalMachine, monitors + "\\Local Port", "Driver").has_value());

  StdRegistry::RegSetString(kHklm, u"SOFTWARE\\Y\\", u"v", u"x");  // empty last level: Y again
  EXPECT_TRUE(sim::KeyExists(kHkeyLocalMachine, "SOFTWARE\\Y"));
  EXPECT_THAT(sim::SubKeys(kHkeyLocalMachine, "SOFTWARE\\Y"), IsEmpty());
}

TEST_F(CreateKeyPath, RootNamesInThePath) {
  StdRegistry::RegSetDword(-1, u"HKCU\\Software\\A\\B", u"d", 1);
  EXPECT_THAT(sim::SubKeys(kHkeyCurrentUser, "Software\\A"), ElementsAre("B"));
  EXPECT_TRUE(sim::GetValue(kHkeyCurrentUser, "Software\\A\\B", "d").has_value());

  const std::string before = sim::DumpRegistry();
  StdRegistry::RegSetDword(-1, u"HKXX\\Software\\A", u"d", 1);
  StdRegistry::RegSetDword(-1, u"HKXX\\HKLM\\A", u"d", 1);  // must not land below HKLM
  EXPECT_EQ(sim::DumpRegistry(), before);
  EXPECT_FALSE(sim::KeyExists(kHkeyLocalMachine, "A"));
}

TEST_F(CreateKeyPath, DeniedLevelStopsTheWrite) {
  sim::AddKey(kHkeyLocalMachine, "SOFTWARE\\Locked");
  sim::DenyWrites(kHkeyLocalMachine, "SOFTWARE\\Locked");
  StdRegistry::RegSetString(kHklm, u"SOFTWARE\\Locked\\A\\B", u"v", u"x");
  EXPECT_FALSE(sim::KeyExists(kHkeyLocalMachine, "SOFTWARE\\Locked\\A"));
  EXPECT_THAT(sim::RegWrites(), IsEmpty());
}

TEST_F(RegGetValue, EveryRootByNumberAndByName) {
  // Root name in the path, compared exactly, and the root number it stands for.
  struct Case { std::u16string name; std::int32_t number; };
  const Case cases[] = {
      {u"HKEY_CLASSES_ROOT", 0},     {u"HKCR", 0},    {u"HKEY_CURRENT_USER", 1},   {u"HKCU", 1},
      {u"HKEY_LOCAL_MACHINE", 2},    {u"HKLM", 2},    {u"HKEY_USERS", 3},          {u"HKU", -1},
      {u"HKEY_PERFORMANCE_DATA", 4}, {u"HKEY_CURRENT_CONFIG", 5},                  {u"HKCC", -1},
      {u"HKEY_DYN_DATA", 6},         {u"hklm", -1},   {u"HKLM ", -1},              {u"", -1},
  };
  const auto decimal = [](std::int32_t number) { return std::u16string(1, static_cast<char16_t>(u'0' + number)); };
  for (std::int32_t number = 0; number <= 6; ++number) {
    const platform::HKey root = platform::RootKey(static_cast<std::int32_t>(0x80000000u + number));
    sim::SetValue(root, "K", "v", platform::kRegDword, std::string(1, static_cast<char>(number)) + "\0\0\0"s);
    EXPECT_EQ(StdRegistry::RegGetValue(number, u"K", u"v", u"dflt"), decimal(number));
  }
  for (const Case& c : cases) {
    const std::u16string expected = c.number < 0 ? u"dflt" : decimal(c.number);
    EXPECT_EQ(StdRegistry::RegGetValue(-1, c.name + u"\\K", u"v", u"dflt"), expected)
        << ::testing::PrintToString(c.name);
    EXPECT_EQ(StdRegistry::RegGetValue(-1, c.name + u"/K", u"v", u"dflt"), expected)
        << ::testing::PrintToString(c.name);
  }
}

}  // namespace
