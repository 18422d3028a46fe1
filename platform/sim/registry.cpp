// The simulated registry: an in-memory tree below the seven predefined
// roots, opened keys as fresh handle values with the access they were
// opened with.
#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/platform.h"
#include "platform/sim.h"
#include "platform/sim/sim_state.h"

namespace platform {
namespace sim::detail {

int RootIndex(HKey key) {
  // Only the low 32 bits of a predefined key's value count, on 64-bit
  // Windows too.
  const auto low = static_cast<std::uint32_t>(static_cast<std::uintptr_t>(key));
  return low >= 0x80000000u && low <= 0x80000006u ? static_cast<int>(low - 0x80000000u) : -1;
}

std::shared_ptr<Key> RootOf(HKey key) {
  const int index = RootIndex(key);
  return index < 0 ? nullptr : Machine().roots[index];
}

std::string KeyPath(const Key& key) {
  if (key.parent == nullptr) return key.name;
  return KeyPath(*key.parent) + "\\" + key.name;
}

std::string FoldedKeyPath(int root, const std::string& path) {
  std::string folded = std::to_string(root);
  for (const std::string& part : SplitKeyPath(path)) folded += "\\" + Fold(part);
  return folded;
}

// The levels of a subkey path. Runs of "\" count as one separator and
// trailing ones are ignored, as the platform parses key paths.
std::vector<std::string> SplitKeyPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (const char c : path) {
    if (c == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

}  // namespace sim::detail

using namespace sim::detail;

namespace {

// Rights that change a key: KEY_SET_VALUE, KEY_CREATE_SUB_KEY,
// KEY_CREATE_LINK, DELETE, WRITE_DAC, WRITE_OWNER, MAXIMUM_ALLOWED,
// GENERIC_ALL and GENERIC_WRITE.
constexpr Dword kWriteRights = 0x2 | 0x4 | 0x20 | 0x10000 | 0x40000 | 0x80000 | 0x02000000 |
                               0x10000000 | 0x40000000;
// What a predefined root grants: everything.
constexpr Dword kAllRights = 0xFFFFFFFFu;

bool HasRight(Dword granted, Dword right) {
  // GENERIC_ALL and MAXIMUM_ALLOWED grant everything; GENERIC_READ maps to
  // KEY_READ (query, enumerate, notify), GENERIC_WRITE to KEY_WRITE (set
  // value, create subkey).
  if ((granted & (0x10000000 | 0x02000000)) != 0) return true;
  if ((granted & 0x80000000u) != 0) granted |= 0x19;
  if ((granted & 0x40000000u) != 0) granted |= 0x6;
  return (granted & right) == right;
}

bool IsDenied(const Key& key) {
  std::string path;
  for (const Key* k = &key; k->parent != nullptr; k = k->parent) path = k->name + (path.empty() ? "" : "\\" + path);
  return Machine().deniedKeys.count(FoldedKeyPath(key.root, path)) != 0;
}

std::shared_ptr<Key> Child(const Key& key, const std::string& name) {
  for (const auto& child : key.children) {
    if (SameName(child->name, name)) return child;
  }
  return nullptr;
}

// The key a handle stands for, with the rights it was opened with.
Long KeyOfHandle(HKey handle, std::shared_ptr<Key>* key, Dword* access) {
  if (auto root = RootOf(handle)) {
    *key = root;
    *access = kAllRights;
    return kErrorSuccess;
  }
  const auto it = Machine().keys.find(handle);
  if (it == Machine().keys.end()) return kErrorInvalidHandle;
  if (it->second.key->deleted) return static_cast<Long>(kErrorKeyDeleted);
  *key = it->second.key;
  *access = it->second.access;
  return kErrorSuccess;
}

HKey NewKeyHandle(const std::shared_ptr<Key>& key, Dword access) {
  const HKey handle = NewHandleValue();
  Machine().keys[handle] = OpenKey{key, access};
  return handle;
}

// The registry functions answer their error code and leave the thread's
// last-error value alone.
Long Finish(Long result) { return result; }

bool IsStringType(Dword type) { return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz; }

}  // namespace

Long RegOpenKeyExA(HKey key, const std::string& subKey, Dword /*options*/, Dword access, HKey* result) {
  Count("RegOpenKeyExA");
  if (result == nullptr) return Finish(kErrorInvalidParameter);
  // An empty subkey of a predefined root answers the root itself.
  if (subKey.empty() && RootIndex(key) >= 0) {
    *result = key;
    return Finish(kErrorSuccess);
  }
  std::string path = subKey;
  // HKEY_CLASSES_ROOT alone accepts a leading "\"; below any other key it is
  // ERROR_BAD_PATHNAME.
  if (RootIndex(key) == 0 && !path.empty() && path[0] == '\\') path.erase(0, 1);
  std::shared_ptr<Key> current;
  Dword granted = 0;
  const Long status = KeyOfHandle(key, &current, &granted);
  if (status != kErrorSuccess) return Finish(status);
  if (!path.empty() && path[0] == '\\') return Finish(static_cast<Long>(kErrorBadPathname));
  for (const std::string& part : SplitKeyPath(path)) {
    current = Child(*current, part);
    if (!current) return Finish(kErrorFileNotFound);
  }
  if ((access & kWriteRights) != 0 && IsDenied(*current)) return Finish(kErrorAccessDenied);
  *result = NewKeyHandle(current, access);
  return Finish(kErrorSuccess);
}

Long RegCreateKeyExA(HKey key, const std::string& subKey, Dword /*options*/, Dword access,
                     HKey* result, Dword* disposition) {
  Count("RegCreateKeyExA");
  if (result == nullptr) return Finish(static_cast<Long>(1010));  // ERROR_BADKEY
  std::shared_ptr<Key> current;
  Dword granted = 0;
  // The rights of the parent handle don't matter (the platform checks the
  // key's own security, which DenyWrites stands for).
  const Long status = KeyOfHandle(key, &current, &granted);
  if (status != kErrorSuccess) return Finish(status);
  if (!subKey.empty() && subKey[0] == '\\') return Finish(static_cast<Long>(kErrorBadPathname));
  bool created = false;
  for (const std::string& part : SplitKeyPath(subKey)) {
    auto child = Child(*current, part);
    if (!child) {
      if (IsDenied(*current)) return Finish(kErrorAccessDenied);
      child = std::make_shared<Key>();
      child->name = part;
      child->parent = current.get();
      child->root = current->root;
      if (IsDenied(*child)) return Finish(kErrorAccessDenied);
      current->children.push_back(child);
      created = true;
    }
    current = child;
  }
  if ((access & kWriteRights) != 0 && IsDenied(*current)) return Finish(kErrorAccessDenied);
  *result = NewKeyHandle(current, access);
  if (disposition != nullptr) *disposition = created ? kRegCreatedNewKey : kRegOpenedExistingKey;
  return Finish(kErrorSuccess);
}

Long RegQueryValueExA(HKey key, const std::string& valueName, Dword* type, std::uint8_t* data,
                      Dword* size) {
  Count("RegQueryValueExA");
  if (data != nullptr && size == nullptr) return Finish(kErrorInvalidParameter);
  std::shared_ptr<Key> current;
  Dword granted = 0;
  const Long status = KeyOfHandle(key, &current, &granted);
  if (status != kErrorSuccess) return Finish(status);
  if (!HasRight(granted, kKeyQueryValue)) return Finish(kErrorAccessDenied);
  const auto it = std::find_if(current->values.begin(), current->values.end(),
                               [&](const Value& v) { return SameName(v.name, valueName); });
  if (it == current->values.end()) return Finish(kErrorFileNotFound);
  const auto stored = static_cast<Dword>(it->data.size());
  if (type != nullptr) *type = it->type;
  if (data != nullptr) {
    if (*size < stored) {
      *size = stored;
      return Finish(kErrorMoreData);
    }
    std::memcpy(data, it->data.data(), stored);
    // A string stored without its NUL gets one when the buffer has room.
    if (IsStringType(it->type) && stored > 0 && stored < *size && it->data[stored - 1] != '\0') {
      data[stored] = 0;
    }
  }
  if (size != nullptr) *size = stored;
  return Finish(kErrorSuccess);
}

Long RegSetValueExA(HKey key, const std::string& valueName, Dword type, const std::uint8_t* data,
                    Dword size) {
  Count("RegSetValueExA");
  std::shared_ptr<Key> current;
  Dword granted = 0;
  const Long status = KeyOfHandle(key, &current, &granted);
  if (status != kErrorSuccess) return Finish(status);
  if (!HasRight(granted, kKeySetValue) || IsDenied(*current)) return Finish(kErrorAccessDenied);
  if (data == nullptr && size != 0) return Finish(static_cast<Long>(998));  // ERROR_NOACCESS
  // The platform counts a forgotten NUL of a string in: when the byte after
  // the given size is a NUL and the last given byte is not, it is stored too.
  // Like the platform this reads one byte beyond the size.
  if (IsStringType(type) && size > 0 && data[size - 1] != 0 && data[size] == 0) ++size;
  const std::string bytes = size == 0 ? std::string() : std::string(reinterpret_cast<const char*>(data), size);
  auto it = std::find_if(current->values.begin(), current->values.end(),
                         [&](const Value& v) { return SameName(v.name, valueName); });
  if (it == current->values.end()) {
    current->values.push_back(Value{valueName, type, bytes});
  } else {
    it->type = type;
    it->data = bytes;
  }
  Machine().regWrites.push_back(sim::RegWrite{KeyPath(*current), valueName, type, bytes});
  return Finish(kErrorSuccess);
}

Long RegCloseKey(HKey key) {
  Count("RegCloseKey");
  if (key == 0) return Finish(kErrorInvalidHandle);
  // Closing a predefined root is a no-op that succeeds.
  if (RootIndex(key) >= 0) return Finish(kErrorSuccess);
  if (Machine().keys.erase(key) == 0) return Finish(kErrorInvalidHandle);
  return Finish(kErrorSuccess);
}

// --------------------------------------------------------------- control

namespace sim {

namespace {

std::shared_ptr<Key> FindKey(HKey root, const std::string& path) {
  auto current = RootOf(root);
  if (!current) return nullptr;
  for (const std::string& part : SplitKeyPath(path)) {
    current = Child(*current, part);
    if (!current) return nullptr;
  }
  return current;
}

void MarkDeleted(Key& key) {
  key.deleted = true;
  for (const auto& child : key.children) MarkDeleted(*child);
}

void DumpKey(const Key& key, std::vector<std::string>* lines) {
  static const char* const kHex = "0123456789abcdef";
  const std::string path = KeyPath(key);
  lines->push_back(path);
  for (const Value& value : key.values) {
    std::string line = path + "|" + value.name + "|" + std::to_string(value.type) + "|";
    for (const char c : value.data) {
      const auto b = static_cast<unsigned char>(c);
      line += kHex[b >> 4];
      line += kHex[b & 15];
    }
    lines->push_back(line);
  }
  for (const auto& child : key.children) DumpKey(*child, lines);
}

}  // namespace

void AddKey(HKey root, const std::string& path) {
  auto current = RootOf(root);
  if (!current) return;
  for (const std::string& part : SplitKeyPath(path)) {
    auto child = Child(*current, part);
    if (!child) {
      child = std::make_shared<Key>();
      child->name = part;
      child->parent = current.get();
      child->root = current->root;
      current->children.push_back(child);
    }
    current = child;
  }
}

void SetValue(HKey root, const std::string& path, const std::string& name, Dword type,
              const std::string& data) {
  AddKey(root, path);
  const auto key = FindKey(root, path);
  if (!key) return;
  auto it = std::find_if(key->values.begin(), key->values.end(),
                         [&](const Value& v) { return SameName(v.name, name); });
  if (it == key->values.end()) {
    key->values.push_back(Value{name, type, data});
  } else {
    it->type = type;
    it->data = data;
  }
}

void DeleteValue(HKey root, const std::string& path, const std::string& name) {
  const auto key = FindKey(root, path);
  if (!key) return;
  key->values.erase(std::remove_if(key->values.begin(), key->values.end(),
                                   [&](const Value& v) { return SameName(v.name, name); }),
                    key->values.end());
}

void DeleteKey(HKey root, const std::string& path) {
  const auto key = FindKey(root, path);
  if (!key || key->parent == nullptr) return;
  MarkDeleted(*key);
  auto& siblings = key->parent->children;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), key), siblings.end());
}

bool KeyExists(HKey root, const std::string& path) { return FindKey(root, path) != nullptr; }

std::optional<RegValue> GetValue(HKey root, const std::string& path, const std::string& name) {
  const auto key = FindKey(root, path);
  if (!key) return std::nullopt;
  for (const Value& value : key->values) {
    if (SameName(value.name, name)) return RegValue{value.type, value.data};
  }
  return std::nullopt;
}

std::vector<std::string> ValueNames(HKey root, const std::string& path) {
  std::vector<std::string> names;
  if (const auto key = FindKey(root, path)) {
    for (const Value& value : key->values) names.push_back(value.name);
  }
  return names;
}

std::vector<std::string> SubKeys(HKey root, const std::string& path) {
  std::vector<std::string> names;
  if (const auto key = FindKey(root, path)) {
    for (const auto& child : key->children) names.push_back(child->name);
  }
  return names;
}

void DenyWrites(HKey root, const std::string& path) {
  const int index = RootIndex(root);
  if (index >= 0) Machine().deniedKeys.insert(FoldedKeyPath(index, path));
}

const std::vector<RegWrite>& RegWrites() { return Machine().regWrites; }

std::string DumpRegistry() {
  std::vector<std::string> lines;
  for (const auto& root : Machine().roots) DumpKey(*root, &lines);
  std::sort(lines.begin(), lines.end());
  std::string dump;
  for (const std::string& line : lines) dump += line + "\n";
  return dump;
}

}  // namespace sim
}  // namespace platform
