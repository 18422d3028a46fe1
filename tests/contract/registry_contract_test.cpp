// Registry calls: how values come back through RegQueryValueExA, error
// codes, roots and key names.
#include <algorithm>
#include <vector>

#include "tests/contract/contract_support.h"

namespace contract {
namespace {

using namespace platform;

class RegContract : public Contract {};

// "abc" with the byte after it not NUL: the stored value has no terminator.
TEST_F(RegContract, QueryValueStoredWithoutNul) {
  UniqueKey key = CreateKey(kHkeyCurrentUser);
  SET_REG_VALUE(key.Get(), "s", kRegSz, "abcX", 3);

  QueryResult sized = Query(key.Get(), "s", kNoBuffer);
  EXPECT_EQ(sized.rc, kErrorSuccess);
  EXPECT_EQ(sized.type, kRegSz);
  EXPECT_EQ(sized.size, 3u);
  EXPECT_EQ(sized.lastError, kSentinel) << "a successful query leaves the last error alone";

  // Exactly the stored size: the bytes, no NUL added, nothing beyond.
  QueryResult exact = Query(key.Get(), "s", 3);
  EXPECT_EQ(exact.rc, kErrorSuccess);
  EXPECT_EQ(exact.size, 3u);
  EXPECT_EQ(Hex(exact.buffer), Hex("abc\xbd"));

  // One byte more: the NUL is added, the size stays the stored size.
  QueryResult more = Query(key.Get(), "s", 4);
  EXPECT_EQ(more.rc, kErrorSuccess);
  EXPECT_EQ(more.size, 3u);
  EXPECT_EQ(Hex(more.buffer), Hex(Bytes("abc\0\xbd", 5)));

  // Too small: ERROR_MORE_DATA and the size needed; the buffer is untouched.
  QueryResult small = Query(key.Get(), "s", 2);
  EXPECT_EQ(small.rc, kErrorMoreData);
  EXPECT_EQ(small.size, 3u);
  EXPECT_EQ(Hex(small.buffer), Hex("\xbd\xbd\xbd"));
  // A buffer of size 0 is a buffer too, not a size query.
  QueryResult none = Query(key.Get(), "s", 0);
  EXPECT_EQ(none.rc, kErrorMoreData);
  EXPECT_EQ(none.size, 3u);
}

// RegSetValueExA counts a terminator the caller left out when the byte after
// the data is NUL (as after every std::string): "abc" of size 3 is stored as
// four bytes.
TEST_F(RegContract, SetValueAddsMissingNul) {
  UniqueKey key = CreateKey(kHkeyCurrentUser);
  const std::string text = "abc";
  SET_REG_VALUE(key.Get(), "s", kRegSz, text, 3);
  EXPECT_REG_VALUE(key.Get(), "s", kRegSz, Bytes("abc\0", 4));
  QueryResult small = Query(key.Get(), "s", 3);
  EXPECT_EQ(small.rc, kErrorMoreData);
  EXPECT_EQ(small.size, 4u);
}

TEST_F(RegContract, QueryValueStoredWithNul) {
  UniqueKey key = CreateKey(kHkeyCurrentUser);
  SET_REG_VALUE(key.Get(), "s", kRegSz, Bytes("abc\0", 4), 4);
  QueryResult exact = Query(key.Get(), "s", 4);
  EXPECT_EQ(exact.rc, kErrorSuccess);
  EXPECT_EQ(exact.size, 4u);
  EXPECT_EQ(Hex(exact.buffer), Hex(Bytes("abc\0\xbd", 5)));
  // Room to spare: no second NUL is written.
  QueryResult more = Query(key.Get(), "s", 5);
  EXPECT_EQ(more.rc, kErrorSuccess);
  EXPECT_EQ(more.size, 4u);
  EXPECT_EQ(Hex(more.buffer), Hex(Bytes("abc\0\xbd\xbd", 6)));
}

TEST_F(RegContract, QueryValueOfSizeZero) {
  UniqueKey key = CreateKey(kHkeyCurrentUser);
  SET_REG_VALUE(key.Get(), "empty", kRegSz, "X", 0);
  QueryResult sized = Query(key.Get(), "empty", kNoBuffer);
  EXPECT_EQ(sized.rc, kErrorSuccess);
  EXPECT_EQ(sized.type, kRegSz);
  EXPECT_EQ(sized.size, 0u);
}

TEST_F(RegContract, QueryMissingValue) {
  UniqueKey key = CreateKey(kHkeyCurrentUser);
  QueryResult withBuffer = Query(key.Get(), "missing", 8);
  EXPECT_EQ(withBuffer.rc, kErrorFileNotFound);
  EXPECT_EQ(withBuffer.size, 8u) << "size untouched";
  EXPECT_EQ(withBuffer.type, kSentinel) << "type untouched";
  EXPECT_EQ(Hex(withBuffer.buffer), Hex(std::string(9, '\xbd')));
  QueryResult sizeOnly = Query(key.Get(), "missing", kNoBuffer);
  EXPECT_EQ(sizeOnly.rc, kErrorFileNotFound);
  EXPECT_EQ(sizeOnly.size, kSentinel) << "size untouched";
}

TEST_F(RegContract, OpenMissingKey) {
  HKey result = static_cast<HKey>(kSentinel);
  EXPECT_EQ(RegOpenKeyExA(kHkeyCurrentUser, KeyPath() + "\\missing", 0, kKeyQueryValue, &result),
            kErrorFileNotFound);
  EXPECT_EQ(result, static_cast<HKey>(kSentinel)) << "out-key untouched";
  // A missing level in the middle gives the same code.
  EXPECT_EQ(RegOpenKeyExA(kHkeyLocalMachine, KeyPath() + "\\missing\\below", 0, kKeyQueryValue,
                          &result),
            kErrorFileNotFound);
}

TEST_F(RegContract, InvalidRootHandle) {
  const HKey invalid = -1;
  HKey result = static_cast<HKey>(kSentinel);
  EXPECT_EQ(RegOpenKeyExA(invalid, "Software", 0, kKeyQueryValue, &result), kErrorInvalidHandle);
  EXPECT_EQ(result, static_cast<HKey>(kSentinel));
  Dword disposition = kSentinel;
  EXPECT_EQ(RegCreateKeyExA(invalid, "Software", 0, kKeyAll, &result, &disposition),
            kErrorInvalidHandle);
  EXPECT_EQ(disposition, kSentinel);
  QueryResult q = Query(invalid, "x", kNoBuffer);
  EXPECT_EQ(q.rc, kErrorInvalidHandle);
  const std::uint8_t data[1] = {0};
  EXPECT_EQ(RegSetValueExA(invalid, "x", kRegBinary, data, 1), kErrorInvalidHandle);
}

TEST_F(RegContract, PredefinedRootsOpen) {
  for (HKey root : {kHkeyClassesRoot, kHkeyCurrentUser, kHkeyLocalMachine, kHkeyUsers,
                    kHkeyCurrentConfig}) {
    SCOPED_TRACE(testing::Message() << "root " << std::hex << root);
    UniqueKey key;
    EXPECT_EQ(RegOpenKeyExA(root, "", 0, kKeyQueryValue, key.Receive()), kErrorSuccess);
    EXPECT_TRUE(key.IsValid());
  }
  UniqueKey created = CreateKey(kHkeyLocalMachine);
  UniqueKey software;
  EXPECT_EQ(RegOpenKeyExA(kHkeyLocalMachine, "SOFTWARE", 0, kKeyQueryValue, software.Receive()),
            kErrorSuccess);
  // A root number converts to the root's handle value.
  EXPECT_EQ(RootKey(static_cast<std::int32_t>(0x80000002u)), kHkeyLocalMachine);
}

TEST_F(RegContract, CreateKeyDisposition) {
  for (HKey root : {kHkeyCurrentUser, kHkeyLocalMachine}) {
    SCOPED_TRACE(testing::Message() << "root " << std::hex << root);
    UniqueKey first, second;
    Dword disposition = kSentinel;
    // Every missing level is created in one call.
    ASSERT_EQ(RegCreateKeyExA(root, KeyPath() + "\\a\\b", 0, kKeyAll, first.Receive(),
                              &disposition),
              kErrorSuccess);
    EXPECT_EQ(disposition, kRegCreatedNewKey);
    ASSERT_EQ(RegCreateKeyExA(root, KeyPath() + "\\a\\b", 0, kKeyAll, second.Receive(),
                              &disposition),
              kErrorSuccess);
    EXPECT_EQ(disposition, kRegOpenedExistingKey);
    UniqueKey middle;
    EXPECT_EQ(RegOpenKeyExA(root, KeyPath() + "\\a", 0, kKeyQueryValue, middle.Receive()),
              kErrorSuccess);
  }
}

TEST_F(RegContract, ValueTypes) {
  UniqueKey key = CreateKey(kHkeyLocalMachine);
  const std::string expand = Bytes("%SystemRoot%\\x\0", 15);
  SET_REG_VALUE(key.Get(), "expand", kRegExpandSz, expand, 15);
  EXPECT_REG_VALUE(key.Get(), "expand", kRegExpandSz, expand);

  const std::string multi = Bytes("a\0b\0\0", 5);
  SET_REG_VALUE(key.Get(), "multi", kRegMultiSz, multi, 5);
  EXPECT_REG_VALUE(key.Get(), "multi", kRegMultiSz, multi);

  std::string every;
  for (int b = 0; b < 256; ++b) every.push_back(static_cast<char>(b));
  SET_REG_VALUE(key.Get(), "binary", kRegBinary, every, 256);
  EXPECT_REG_VALUE(key.Get(), "binary", kRegBinary, every);
  // Binary data ending in a byte other than NUL gets nothing added.
  SET_REG_VALUE(key.Get(), "three", kRegBinary, Bytes("\x01\x02\x03\0", 4), 3);
  EXPECT_REG_VALUE(key.Get(), "three", kRegBinary, "\x01\x02\x03");

  SET_REG_VALUE(key.Get(), "dword", kRegDword, Bytes("\x2c\x01\0\0", 4), 4);
  EXPECT_REG_VALUE(key.Get(), "dword", kRegDword, Bytes("\x2c\x01\0\0", 4));

  // A second write with another type replaces the value.
  SET_REG_VALUE(key.Get(), "dword", kRegSz, Bytes("x\0", 2), 2);
  EXPECT_REG_VALUE(key.Get(), "dword", kRegSz, Bytes("x\0", 2));

  // A string value with NULs inside keeps them.
  SET_REG_VALUE(key.Get(), "inner", kRegSz, Bytes("a\0b\0", 4), 4);
  EXPECT_REG_VALUE(key.Get(), "inner", kRegSz, Bytes("a\0b\0", 4));
}

TEST_F(RegContract, UnnamedValue) {
  UniqueKey key = CreateKey(kHkeyCurrentUser);
  SET_REG_VALUE(key.Get(), "", kRegSz, Bytes("default\0", 8), 8);
  SET_REG_VALUE(key.Get(), "@", kRegSz, Bytes("at\0", 3), 3);
  EXPECT_REG_VALUE(key.Get(), "", kRegSz, Bytes("default\0", 8));
  EXPECT_REG_VALUE(key.Get(), "@", kRegSz, Bytes("at\0", 3));
}

TEST_F(RegContract, KeyNamesWithSlashAndColon) {
  UniqueKey slash = CreateKey(kHkeyLocalMachine, "A/B");
  SET_REG_VALUE(slash.Get(), "v", kRegDword, Bytes("\x01\0\0\0", 4), 4);
  HKey result = static_cast<HKey>(kSentinel);
  // "/" is part of the name: there is no key "A" with a subkey "B".
  EXPECT_EQ(RegOpenKeyExA(kHkeyLocalMachine, KeyPath() + "\\A", 0, kKeyQueryValue, &result),
            kErrorFileNotFound);
  UniqueKey again;
  ASSERT_EQ(RegOpenKeyExA(kHkeyLocalMachine, KeyPath() + "\\A/B", 0, kKeyQueryValue,
                          again.Receive()),
            kErrorSuccess);
  EXPECT_REG_VALUE(again.Get(), "v", kRegDword, Bytes("\x01\0\0\0", 4));

  UniqueKey colon = CreateKey(kHkeyLocalMachine, "Ports\\Dravelin:");
  UniqueKey colonAgain;
  EXPECT_EQ(RegOpenKeyExA(kHkeyLocalMachine, KeyPath() + "\\Ports\\Dravelin:", 0, kKeyQueryValue,
                          colonAgain.Receive()),
            kErrorSuccess);
}

TEST_F(RegContract, NamesIgnoreCase) {
  UniqueKey key = CreateKey(kHkeyCurrentUser, "MixedCase");
  SET_REG_VALUE(key.Get(), "ValueName", kRegSz, Bytes("x\0", 2), 2);
  for (const char* spelling : {"mixedcase", "MIXEDCASE"}) {
    SCOPED_TRACE(spelling);
    UniqueKey other;
    std::string path = KeyPath();
    for (char& c : path) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    path += std::string("\\") + spelling;
    ASSERT_EQ(RegOpenKeyExA(kHkeyCurrentUser, path, 0, kKeyQueryValue, other.Receive()),
              kErrorSuccess);
    EXPECT_REG_VALUE(other.Get(), "VALUENAME", kRegSz, Bytes("x\0", 2));
  }
}

TEST_F(RegContract, SetValueNeedsSetAccess) {
  UniqueKey created = CreateKey(kHkeyCurrentUser);
  UniqueKey readOnly;
  ASSERT_EQ(RegOpenKeyExA(kHkeyCurrentUser, KeyPath(), 0, kKeyQueryValue, readOnly.Receive()),
            kErrorSuccess);
  const std::uint8_t data[4] = {1, 0, 0, 0};
  EXPECT_EQ(RegSetValueExA(readOnly.Get(), "v", kRegDword, data, 4), kErrorAccessDenied);
  QueryResult q = Query(created.Get(), "v", kNoBuffer);
  EXPECT_EQ(q.rc, kErrorFileNotFound);
}

// Empty levels: a closing "\" names the key itself, and so does the empty
// subkey name; a leading "\" is no valid path below these roots.
TEST_F(RegContract, EmptyLevelsAndBackslashes) {
  constexpr Long kErrorBadPathname = 161;
  UniqueKey key = CreateKey(kHkeyCurrentUser);
  UniqueKey trailing;
  EXPECT_EQ(RegOpenKeyExA(kHkeyCurrentUser, KeyPath() + "\\", 0, kKeyQueryValue,
                          trailing.Receive()),
            kErrorSuccess);
  UniqueKey self;
  Dword disposition = kSentinel;
  EXPECT_EQ(RegCreateKeyExA(key.Get(), "", 0, kKeyAll, self.Receive(), &disposition),
            kErrorSuccess);
  EXPECT_EQ(disposition, EmptySubkeyDisposition());
  HKey result = static_cast<HKey>(kSentinel);
  EXPECT_EQ(RegOpenKeyExA(kHkeyCurrentUser, "\\" + KeyPath(), 0, kKeyQueryValue, &result),
            kErrorBadPathname);
  EXPECT_EQ(RegCreateKeyExA(kHkeyLocalMachine, "\\" + KeyPath(), 0, kKeyAll, &result, &disposition),
            kErrorBadPathname);
  EXPECT_EQ(result, static_cast<HKey>(kSentinel));
}

TEST_F(RegContract, CloseKey) {
  HKey key = 0;
  ASSERT_EQ(RegCreateKeyExA(kHkeyCurrentUser, KeyPath(), 0, kKeyAll, &key, nullptr), kErrorSuccess);
  EXPECT_EQ(RegCloseKey(key), kErrorSuccess);
}

// Spellings of a subkey path: case does not count, a closing "\" and runs
// of "\" are empty levels, "/" is part of a name, and a leading "\" is
// accepted below HKEY_CLASSES_ROOT only.
TEST_F(RegContract, SubkeyPathForms) {
  constexpr Long kErrorBadPathname = 161;
  UniqueKey created = CreateKey(kHkeyCurrentUser, "Sub\\Key");
  std::string upper = KeyPath();
  for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  struct Case {
    HKey root;
    std::string path;
    Long result;
  } cases[] = {
      {kHkeyCurrentUser, KeyPath() + "\\Sub\\Key", kErrorSuccess},
      {kHkeyCurrentUser, upper + "\\SUB\\key", kErrorSuccess},
      {kHkeyCurrentUser, KeyPath() + "\\Sub\\Key\\\\", kErrorSuccess},
      {kHkeyCurrentUser, KeyPath() + "\\Sub\\\\Key", kErrorSuccess},
      {kHkeyCurrentUser, "\\" + KeyPath(), kErrorBadPathname},
      {kHkeyClassesRoot, "\\CLSID", kErrorSuccess},
      {kHkeyCurrentUser, KeyPath() + "/Sub", kErrorFileNotFound},
      {RootKey(static_cast<std::int32_t>(0x80000007u)), "Software", kErrorInvalidHandle},
  };
  for (const Case& c : cases) {
    HKey key = static_cast<HKey>(kSentinel);
    EXPECT_EQ(RegOpenKeyExA(c.root, c.path, 0, kKeyQueryValue, &key), c.result) << c.path;
    if (c.result == kErrorSuccess) {
      EXPECT_EQ(RegCloseKey(key), kErrorSuccess) << c.path;
    } else {
      EXPECT_EQ(key, static_cast<HKey>(kSentinel)) << "out-key changed on failure: " << c.path;
    }
  }
}

// The empty subkey of a predefined root opens the root itself; closing a
// root succeeds, closing a key twice or the null key fails.
TEST_F(RegContract, EmptySubkeyOfRootAndClosing) {
  HKey key = static_cast<HKey>(kSentinel);
  ASSERT_EQ(RegOpenKeyExA(kHkeyLocalMachine, "", 0, kKeyQueryValue, &key), kErrorSuccess);
  EXPECT_EQ(key, kHkeyLocalMachine);
  EXPECT_EQ(RegCloseKey(kHkeyLocalMachine), kErrorSuccess);

  UniqueKey parent = CreateKey(kHkeyCurrentUser);
  HKey again = 0;
  ASSERT_EQ(RegOpenKeyExA(parent.Get(), "", 0, kKeyQueryValue, &again), kErrorSuccess);
  EXPECT_NE(again, parent.Get()) << "a key's empty subkey is a new handle";
  EXPECT_EQ(RegCloseKey(again), kErrorSuccess);
  EXPECT_EQ(RegCloseKey(again), kErrorInvalidHandle);
  EXPECT_EQ(RegCloseKey(0), kErrorInvalidHandle);
}

// Creating below a key needs no rights on the handle of its parent.
TEST_F(RegContract, CreateBelowAReadOnlyHandle) {
  UniqueKey created = CreateKey(kHkeyCurrentUser);
  UniqueKey parent;
  ASSERT_EQ(RegOpenKeyExA(kHkeyCurrentUser, KeyPath(), 0, kKeyQueryValue, parent.Receive()),
            kErrorSuccess);
  UniqueKey child;
  Dword disposition = kSentinel;
  EXPECT_EQ(RegCreateKeyExA(parent.Get(), "Vendor\\Product", 0, kKeyAll, child.Receive(), &disposition),
            kErrorSuccess);
  EXPECT_EQ(disposition, kRegCreatedNewKey);
}

// A key opened for setting values only can't be read; value names ignore
// case when written, and the first spelling stays.
TEST_F(RegContract, QueryNeedsQueryAccess) {
  UniqueKey key = CreateKey(kHkeyCurrentUser);
  SET_REG_VALUE(key.Get(), "Value", kRegBinary, "ab", 2);
  SET_REG_VALUE(key.Get(), "VALUE", kRegBinary, "cd", 2);
  EXPECT_REG_VALUE(key.Get(), "value", kRegBinary, "cd");
  UniqueKey writer;
  ASSERT_EQ(RegOpenKeyExA(kHkeyCurrentUser, KeyPath(), 0, kKeySetValue, writer.Receive()), kErrorSuccess);
  EXPECT_EQ(Query(writer.Get(), "Value", kNoBuffer).rc, kErrorAccessDenied);
  // Binary data read into a bigger buffer gets no NUL.
  QueryResult more = Query(key.Get(), "Value", 4);
  EXPECT_EQ(more.rc, kErrorSuccess);
  EXPECT_EQ(Hex(more.buffer), Hex("cd\xbd\xbd\xbd"));
}

// Subkeys are listed by index until ERROR_NO_MORE_ITEMS; a key is deleted
// only once it has no subkeys of its own.
TEST_F(RegContract, EnumerateAndDeleteKeys) {
  UniqueKey key = CreateKey(kHkeyCurrentUser);
  CreateKey(kHkeyCurrentUser, "a");
  CreateKey(kHkeyCurrentUser, "b\\c");
  std::vector<std::string> names;
  std::string name = "untouched";
  Dword index = 0;
  for (; RegEnumKeyExA(key.Get(), index, &name) == kErrorSuccess && index < 10; ++index) names.push_back(name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a", "b"}));
  std::string past = "untouched";
  EXPECT_EQ(RegEnumKeyExA(key.Get(), index, &past), kErrorNoMoreItems);
  EXPECT_EQ(past, "untouched");

  EXPECT_EQ(RegDeleteKeyA(kHkeyCurrentUser, KeyPath() + "\\b"), kErrorAccessDenied) << "b has a subkey";
  EXPECT_EQ(RegDeleteKeyA(kHkeyCurrentUser, KeyPath() + "\\b\\c"), kErrorSuccess);
  EXPECT_EQ(RegDeleteKeyA(kHkeyCurrentUser, KeyPath() + "\\b"), kErrorSuccess);
  EXPECT_EQ(RegDeleteKeyA(kHkeyCurrentUser, KeyPath() + "\\b"), kErrorFileNotFound);
  UniqueKey gone;
  EXPECT_EQ(RegOpenKeyExA(kHkeyCurrentUser, KeyPath() + "\\b", 0, kKeyQueryValue, gone.Receive()),
            kErrorFileNotFound);
}

}  // namespace
}  // namespace contract
