#include "std/StdRegistry.h"

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

constexpr std::int32_t kNoRoot = -1;
constexpr std::int32_t kLastRootIndex = 6;

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

WriteObserver& Observer() {
  static WriteObserver observer;
  return observer;
}

}  // namespace

WriteObserver SetWriteObserver(WriteObserver observer) {
  WriteObserver previous = std::move(Observer());
  Observer() = std::move(observer);
  return previous;
}

std::u16string RegGetValue(std::int32_t root, const std::u16string& keyPath,
                           const std::u16string& valueName, const std::u16string& defaultValue) {
  std::u16string path = keyPath;
  const HKey hive = detail::ResolveHive(root, path);
  const std::string name = ValueNameA(valueName);

  platform::UniqueKey key;
  if (platform::RegOpenKeyExA(hive, platform::ToAnsi(path), 0, platform::kKeyQueryValue,
                              key.Receive()) != platform::kErrorSuccess) {
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
  detail::CreateKeyPath(root, keyPath);
  const std::string ansi = platform::ToAnsi(value);
  ByteBlock data(ansi.begin(), ansi.end());
  data.push_back(0);
  detail::SetValueRaw(root, keyPath, valueName, platform::kRegSz, data,
                      static_cast<Dword>(data.size()));
}

void RegSetBinary(std::int32_t root, const std::u16string& keyPath,
                  const std::u16string& valueName, const ByteBlock& block) {
  detail::CreateKeyPath(root, keyPath);
  detail::SetValueRaw(root, keyPath, valueName, platform::kRegBinary, block,
                      static_cast<Dword>(block.size()));
}

void RegSetDword(std::int32_t root, const std::u16string& keyPath,
                 const std::u16string& valueName, std::int32_t value) {
  detail::CreateKeyPath(root, keyPath);
  detail::SetValueRaw(root, keyPath, valueName, platform::kRegDword,
                      detail::DwordToBytes(static_cast<std::uint32_t>(value)), 4);
}

namespace detail {

std::int32_t HiveFromName(const std::u16string& name) {
  static const struct {
    const char16_t* name;
    std::int32_t index;
  } kNames[] = {
      {u"HKEY_CLASSES_ROOT", 0},     {u"HKCR", 0},
      {u"HKEY_CURRENT_USER", 1},     {u"HKCU", 1},
      {u"HKEY_LOCAL_MACHINE", 2},    {u"HKLM", 2},
      {u"HKEY_USERS", 3},            {u"HKEY_PERFORMANCE_DATA", 4},
      {u"HKEY_CURRENT_CONFIG", 5},   {u"HKEY_DYN_DATA", 6},
  };
  for (const auto& entry : kNames) {
    if (name == entry.name) return entry.index;
  }
  return kNoRoot;
}

platform::HKey ResolveHive(std::int32_t& root, std::u16string& keyPath) {
  if (root == kNoRoot) {
    StdModul::ReplaceText(keyPath, u"/", u"\\", false, false);
    const std::u16string delimiter = keyPath.find(u":\\") != std::u16string::npos ? u":\\" : u"\\";
    root = HiveFromName(StdModul::NextToken(keyPath, delimiter));
  }
  if (root >= 0 && root <= kLastRootIndex) {
    return platform::RootKey(static_cast<std::int32_t>(0x80000000u | static_cast<std::uint32_t>(root)));
  }
  return static_cast<HKey>(root);
}

// A root name that is missing or unknown stops the creation at once. Going
// on would hand the unresolved -1 to CreateSubKey, which resolves it again
// against the levels done so far: "HKXX\HKLM\A" would then create "A" right
// below HKEY_LOCAL_MACHINE.
void CreateKeyPath(std::int32_t root, std::u16string keyPath) {
  const HKey hive = ResolveHive(root, keyPath);
  if (root == kNoRoot) return;
  // A handle that came from a 32-bit root number converts back losslessly.
  const std::int32_t handle = static_cast<std::int32_t>(hive);
  std::u16string done;
  while (keyPath.find(u'\\') != std::u16string::npos) {
    const std::u16string level = StdModul::NextToken(keyPath, u"\\");
    CreateSubKey(handle, done, level);
    if (!done.empty()) done += u'\\';
    done += level;
  }
  CreateSubKey(handle, done, keyPath);
}

void CreateSubKey(std::int32_t rootOrHandle, std::u16string parentPath,
                  const std::u16string& subKey) {
  const HKey hive = ResolveHive(rootOrHandle, parentPath);
  platform::UniqueKey parent;
  if (platform::RegOpenKeyExA(hive, platform::ToAnsi(parentPath), 0, platform::kKeyCreateSubKey,
                              parent.Receive()) != platform::kErrorSuccess) {
    return;
  }
  platform::UniqueKey created;
  Dword disposition = 0;
  static_cast<void>(platform::RegCreateKeyExA(parent.Get(), platform::ToAnsi(subKey),
                                              platform::kRegOptionNonVolatile, kKeyWriteAccess,
                                              created.Receive(), &disposition));
}

void SetValueRaw(std::int32_t root, std::u16string keyPath, std::u16string valueName,
                 platform::Dword type, const ByteBlock& data, platform::Dword size) {
  const WriteObserver& observer = Observer();
  const std::int32_t givenRoot = root;
  const std::u16string givenPath = observer ? keyPath : std::u16string();
  const std::string name = ValueNameA(valueName);
  const HKey hive = ResolveHive(root, keyPath);
  platform::UniqueKey key;
  platform::Long result =
      platform::RegOpenKeyExA(hive, platform::ToAnsi(keyPath), 0, kKeyWriteAccess, key.Receive());
  if (result == platform::kErrorSuccess) {
    // Never more bytes than the block holds.
    const Dword count = size < data.size() ? size : static_cast<Dword>(data.size());
    result = platform::RegSetValueExA(key.Get(), name, type, data.data(), count);
  }
  if (observer) observer(givenRoot, givenPath, valueName, type, result);
}

ByteBlock DwordToBytes(std::uint32_t value) {
  ByteBlock bytes;
  for (int i = 0; i < 4; ++i) {
    bytes.push_back(static_cast<std::uint8_t>(value % 256));
    value /= 256;
  }
  return bytes;
}

}  // namespace detail
}  // namespace StdRegistry
