#include "std/StdRegistry.h"

#include <optional>
#include <string>
#include <utility>

#include "platform/owners.h"
#include "platform/platform.h"
#include "std/StdModul.h"

namespace StdRegistry {

namespace {

using platform::Dword;
using platform::HKey;

// KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS
// | KEY_NOTIFY | KEY_CREATE_LINK: the specific rights only, none of the
// standard rights that KEY_ALL_ACCESS adds.
constexpr Dword kKeyNotify = 0x10;
constexpr Dword kKeyCreateLink = 0x20;
constexpr Dword kKeyWriteAccess = platform::kKeyQueryValue | platform::kKeySetValue |
                                  platform::kKeyCreateSubKey | platform::kKeyEnumerateSubKeys |
                                  kKeyNotify | kKeyCreateLink;
static_assert(kKeyWriteAccess == 0x3F, "the write paths ask for 0x3F");

// A key named by a root key and a path below it, the way every operation
// opens its key. The caller's root number is resolved into it once.
struct KeyName {
  std::optional<HKey> root;  // empty: the path began with no known root name
  std::u16string path;       // below root, without the root name
};

// The predefined root of a root name, compared exactly: "HKLM" and
// "HKEY_LOCAL_MACHINE" name HKEY_LOCAL_MACHINE, "hklm" and "HKU" nothing.
std::optional<HKey> HiveFromName(const std::u16string& name) {
  static const struct {
    const char16_t* name;
    HKey root;
  } kNames[] = {
      {u"HKEY_CLASSES_ROOT", platform::kHkeyClassesRoot},
      {u"HKCR", platform::kHkeyClassesRoot},
      {u"HKEY_CURRENT_USER", platform::kHkeyCurrentUser},
      {u"HKCU", platform::kHkeyCurrentUser},
      {u"HKEY_LOCAL_MACHINE", platform::kHkeyLocalMachine},
      {u"HKLM", platform::kHkeyLocalMachine},
      {u"HKEY_USERS", platform::kHkeyUsers},
      {u"HKEY_PERFORMANCE_DATA", platform::kHkeyPerformanceData},
      {u"HKEY_CURRENT_CONFIG", platform::kHkeyCurrentConfig},
      {u"HKEY_DYN_DATA", platform::kHkeyDynData},
  };
  for (const auto& entry : kNames) {
    if (name == entry.name) return entry.root;
  }
  return std::nullopt;
}

// Root number 0..6: the predefined root 0x80000000 + number, the path as it
// is. -1: "/" becomes "\" and the path's first level (up to ":\" when the
// path holds one, else up to "\") names the root: "HKLM:\A/B" is
// HKEY_LOCAL_MACHINE and "A\B"; "HKLM" alone is the root itself. Any other
// number is a key handle, the path as it is.
KeyName ResolveHive(std::int32_t rootNumber, std::u16string path) {
  constexpr std::int32_t kRootInPath = -1;
  constexpr std::int32_t kLastRootIndex = 6;
  if (rootNumber == kRootInPath) {
    StdModul::ReplaceText(path, u"/", u"\\", false, false);
    const std::u16string delimiter = path.find(u":\\") != std::u16string::npos ? u":\\" : u"\\";
    const std::optional<HKey> root = HiveFromName(StdModul::NextToken(path, delimiter));
    return KeyName{root, path};
  }
  if (rootNumber >= 0 && rootNumber <= kLastRootIndex) {
    return KeyName{platform::RootKey(static_cast<std::int32_t>(0x80000000u + rootNumber)), path};
  }
  return KeyName{platform::RootKey(rootNumber), path};
}

std::string ValueNameA(const std::u16string& valueName) {
  return platform::ToAnsi(valueName == u"@" ? std::u16string() : valueName);
}

std::u16string DecimalText(std::int32_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

// Two bytes to a character, the first in the low half; an odd last byte
// stands alone in the low half.
std::u16string PackBytes(const std::vector<std::uint8_t>& bytes, Dword size) {
  std::u16string packed;
  packed.reserve((size + 1) / 2);
  for (Dword i = 0; i < size; i += 2) {
    const unsigned low = bytes[i];
    const unsigned high = i + 1 < size ? bytes[i + 1] : 0;
    packed += static_cast<char16_t>(low | (high << 8));
  }
  return packed;
}

// The text of the first count bytes of a character value, converted.
std::u16string CharacterText(const std::vector<std::uint8_t>& bytes, Dword count) {
  return platform::FromAnsi(std::string(bytes.begin(), bytes.begin() + count));
}

std::u16string Render(Dword type, const std::vector<std::uint8_t>& bytes, Dword size) {
  switch (type) {
    case platform::kRegBinary:
      return PackBytes(bytes, size);
    case platform::kRegDword: {
      const std::uint32_t raw = static_cast<std::uint32_t>(bytes[0]) |
                                static_cast<std::uint32_t>(bytes[1]) << 8 |
                                static_cast<std::uint32_t>(bytes[2]) << 16 |
                                static_cast<std::uint32_t>(bytes[3]) << 24;
      return DecimalText(static_cast<std::int32_t>(raw));
    }
    case platform::kRegMultiSz: {
      if (size == 0) return {};
      std::u16string text = CharacterText(bytes, size - 1);
      StdModul::ReplaceText(text, std::u16string(1, u'\0'), u"\r\n", false, false);
      return text;
    }
    default:
      return size == 0 ? std::u16string() : CharacterText(bytes, size - 1);
  }
}

// Creates (or opens) subKey below parentPath: the parent is opened with
// KEY_CREATE_SUB_KEY only; the new key is asked for 0x3F and closed at once.
void CreateSubKey(HKey root, const std::u16string& parentPath, const std::u16string& subKey) {
  platform::UniqueKey parent;
  if (platform::RegOpenKeyExA(root, platform::ToAnsi(parentPath), 0, platform::kKeyCreateSubKey,
                              parent.Receive()) != platform::kErrorSuccess) {
    return;
  }
  platform::UniqueKey created;
  Dword disposition = 0;
  static_cast<void>(platform::RegCreateKeyExA(parent.Get(), platform::ToAnsi(subKey),
                                              platform::kRegOptionNonVolatile, kKeyWriteAccess,
                                              created.Receive(), &disposition));
}

// Creates every level of the path from the root downwards, each below the
// levels before it; an empty level (from a leading or trailing "\") opens
// the key above it again. A path whose root name is unknown creates nothing.
void CreateKeyPath(const KeyName& key) {
  if (!key.root) return;
  std::u16string rest = key.path;
  std::u16string done;
  while (rest.find(u'\\') != std::u16string::npos) {
    const std::u16string level = StdModul::NextToken(rest, u"\\");
    CreateSubKey(*key.root, done, level);
    if (!done.empty()) done += u'\\';
    done += level;
  }
  CreateSubKey(*key.root, done, rest);
}

WriteObserver& Observer() {
  static WriteObserver observer;
  return observer;
}

// Opens the key with 0x3F and sets the value. Answers the system's result
// code: that of opening the key when the open failed; an invalid handle for
// a root name that is unknown.
platform::Long SetValueRaw(const KeyName& key, const std::u16string& valueName, Dword type,
                           const ByteBlock& data) {
  if (!key.root) return platform::kErrorInvalidHandle;
  platform::UniqueKey opened;
  const platform::Long result = platform::RegOpenKeyExA(*key.root, platform::ToAnsi(key.path), 0,
                                                        kKeyWriteAccess, opened.Receive());
  if (result != platform::kErrorSuccess) return result;
  return platform::RegSetValueExA(opened.Get(), ValueNameA(valueName), type, data.data(),
                                  static_cast<Dword>(data.size()));
}

// The key path is created even when the write that follows fails.
void CreateAndSet(std::int32_t rootNumber, const std::u16string& keyPath,
                  const std::u16string& valueName, Dword type, const ByteBlock& data) {
  const KeyName key = ResolveHive(rootNumber, keyPath);
  CreateKeyPath(key);
  const platform::Long result = SetValueRaw(key, valueName, type, data);
  if (const WriteObserver& observer = Observer()) observer(rootNumber, keyPath, valueName, type, result);
}

// The four bytes of value, least significant first.
ByteBlock DwordToBytes(std::uint32_t value) {
  ByteBlock bytes;
  for (int i = 0; i < 4; ++i) {
    bytes.push_back(static_cast<std::uint8_t>(value % 256));
    value /= 256;
  }
  return bytes;
}

}  // namespace

WriteObserver SetWriteObserver(WriteObserver observer) {
  WriteObserver previous = std::move(Observer());
  Observer() = std::move(observer);
  return previous;
}

std::u16string RegGetValue(std::int32_t root, const std::u16string& keyPath,
                           const std::u16string& valueName, const std::u16string& defaultValue) {
  const KeyName keyName = ResolveHive(root, keyPath);
  if (!keyName.root) return defaultValue;
  const std::string name = ValueNameA(valueName);

  platform::UniqueKey key;
  if (platform::RegOpenKeyExA(*keyName.root, platform::ToAnsi(keyName.path), 0,
                              platform::kKeyQueryValue, key.Receive()) != platform::kErrorSuccess) {
    return defaultValue;
  }
  Dword type = 0;
  Dword size = 0;
  if (platform::RegQueryValueExA(key.Get(), name, &type, nullptr, &size) !=
      platform::kErrorSuccess) {
    return defaultValue;
  }
  // A REG_DWORD is read into four zero bytes; every other type into size + 1
  // zero bytes, of which size are offered, so the read always fits a value
  // that has not grown since the size query.
  const bool isDword = type == platform::kRegDword;
  std::vector<std::uint8_t> buffer(isDword ? 4 : std::size_t{size} + 1, 0);
  Dword readSize = isDword ? 4 : size;
  Dword readType = 0;
  if (platform::RegQueryValueExA(key.Get(), name, &readType, buffer.data(), &readSize) !=
      platform::kErrorSuccess) {
    return {};
  }
  if (readSize > buffer.size()) return {};  // a platform that overstates: nothing trustworthy
  return Render(type, buffer, readSize);
}

void RegSetString(std::int32_t root, const std::u16string& keyPath,
                  const std::u16string& valueName, const std::u16string& value) {
  const std::string ansi = platform::ToAnsi(value);
  ByteBlock data(ansi.begin(), ansi.end());
  data.push_back(0);
  CreateAndSet(root, keyPath, valueName, platform::kRegSz, data);
}

void RegSetBinary(std::int32_t root, const std::u16string& keyPath,
                  const std::u16string& valueName, const ByteBlock& block) {
  CreateAndSet(root, keyPath, valueName, platform::kRegBinary, block);
}

void RegSetDword(std::int32_t root, const std::u16string& keyPath,
                 const std::u16string& valueName, std::int32_t value) {
  CreateAndSet(root, keyPath, valueName, platform::kRegDword,
               DwordToBytes(static_cast<std::uint32_t>(value)));
}

}  // namespace StdRegistry
