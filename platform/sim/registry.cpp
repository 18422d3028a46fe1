// The simulated registry: an in-memory tree below the seven predefined
// roots; opened keys are fresh handle values that remember their access.
// The registry functions answer their error code and leave the thread's
// last-error value alone.
#include <algorithm>
#include <cstring>

#include "platform/sim/sim_state.h"

namespace platform {
namespace sim::detail {

int RootIndex(HKey key) {
  // Only the low 32 bits of a predefined key's value count, on 64-bit
  // Windows too.
  const auto low = static_cast<std::uint32_t>(static_cast<std::uintptr_t>(key));
  return low >= 0x80000000u && low <= 0x80000006u ? static_cast<int>(low - 0x80000000u) : -1;
}

std::shared_ptr<Key> FindKey(HKey root, const std::string& path) {
  const int index = RootIndex(root);
  if (index < 0) return nullptr;
  auto current = Machine().roots[index];
  for (const std::string& part : SplitPath(path, '\\')) {
    if (!(current = current->Child(part))) return nullptr;
  }
  return current;
}

std::string KeyPath(const Key& key) {
  return key.parent == nullptr ? key.name : KeyPath(*key.parent) + "\\" + key.name;
}

Value* Key::FindValue(const std::string& valueName) {
  for (Value& value : values) {
    if (SameName(value.name, valueName)) return &value;
  }
  return nullptr;
}

void Key::Store(const std::string& valueName, Dword type, const std::string& data) {
  if (Value* value = FindValue(valueName)) {
    *value = Value{value->name, type, data};
  } else {
    values.push_back(Value{valueName, type, data});
  }
}

}  // namespace sim::detail

using namespace sim::detail;

namespace {

// The key rights that change a key: KEY_SET_VALUE, KEY_CREATE_SUB_KEY and
// KEY_CREATE_LINK. (The generic and standard rights are not simulated.)
constexpr Dword kWriteRights = 0x2 | 0x4 | 0x20;

// The key a handle stands for, with the rights it was opened with (a
// predefined root grants everything).
Long KeyOfHandle(HKey handle, std::shared_ptr<Key>* key, Dword* access) {
  if (RootIndex(handle) >= 0) {
    *key = Machine().roots[RootIndex(handle)];
    *access = 0xFFFFFFFFu;
    return kErrorSuccess;
  }
  const auto it = Machine().keys.find(handle);
  if (it == Machine().keys.end()) return kErrorInvalidHandle;
  std::tie(*key, *access) = it->second;
  return kErrorSuccess;
}

Long Open(const std::shared_ptr<Key>& key, Dword access, HKey* result) {
  if ((access & kWriteRights) != 0 && key->denyWrites) return kErrorAccessDenied;
  *result = NewHandleValue();
  Machine().keys[*result] = {key, access};
  return kErrorSuccess;
}

bool IsStringType(Dword type) { return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz; }

}  // namespace

Long RegOpenKeyExA(HKey key, const std::string& subKey, Dword /*options*/, Dword access, HKey* result) {
  Count("RegOpenKeyExA");
  // An empty subkey of a predefined root answers the root itself.
  if (subKey.empty() && RootIndex(key) >= 0) {
    *result = key;
    return kErrorSuccess;
  }
  std::shared_ptr<Key> current;
  Dword granted = 0;
  if (const Long status = KeyOfHandle(key, &current, &granted)) return status;
  // HKEY_CLASSES_ROOT alone accepts a leading "\".
  if (!subKey.empty() && subKey[0] == '\\' && RootIndex(key) != 0) return kErrorBadPathname;
  for (const std::string& part : SplitPath(subKey, '\\')) {
    if (!(current = current->Child(part))) return kErrorFileNotFound;
  }
  return Open(current, access, result);
}

Long RegCreateKeyExA(HKey key, const std::string& subKey, Dword /*options*/, Dword access,
                     HKey* result, Dword* disposition) {
  Count("RegCreateKeyExA");
  std::shared_ptr<Key> current;
  Dword granted = 0;
  // The rights of the parent handle don't matter: the platform checks the
  // key's own security, which denyWrites stands for.
  if (const Long status = KeyOfHandle(key, &current, &granted)) return status;
  if (!subKey.empty() && subKey[0] == '\\') return kErrorBadPathname;
  bool created = false;
  for (const std::string& part : SplitPath(subKey, '\\')) {
    if (auto child = current->Child(part)) {
      current = child;
      continue;
    }
    if (current->denyWrites) return kErrorAccessDenied;
    current = current->AddChild(part, Key{{}, current->root, {}, false});
    created = true;
  }
  const Long status = Open(current, access, result);
  if (status == kErrorSuccess && disposition != nullptr) {
    *disposition = created ? kRegCreatedNewKey : kRegOpenedExistingKey;
  }
  return status;
}

Long RegQueryValueExA(HKey key, const std::string& valueName, Dword* type, std::uint8_t* data,
                      Dword* size) {
  Count("RegQueryValueExA");
  if (data != nullptr && size == nullptr) return kErrorInvalidParameter;
  std::shared_ptr<Key> current;
  Dword granted = 0;
  if (const Long status = KeyOfHandle(key, &current, &granted)) return status;
  if ((granted & kKeyQueryValue) == 0) return kErrorAccessDenied;
  const Value* value = current->FindValue(valueName);
  if (value == nullptr) return kErrorFileNotFound;
  const auto stored = static_cast<Dword>(value->data.size());
  if (type != nullptr) *type = value->type;
  if (data != nullptr) {
    if (*size < stored) {
      *size = stored;
      return kErrorMoreData;
    }
    std::memcpy(data, value->data.data(), stored);
    // A string stored without its NUL gets one when the buffer has room.
    if (IsStringType(value->type) && stored > 0 && stored < *size && value->data.back() != '\0') {
      data[stored] = 0;
    }
  }
  if (size != nullptr) *size = stored;
  return kErrorSuccess;
}

Long RegSetValueExA(HKey key, const std::string& valueName, Dword type, const std::uint8_t* data,
                    Dword size) {
  Count("RegSetValueExA");
  std::shared_ptr<Key> current;
  Dword granted = 0;
  if (const Long status = KeyOfHandle(key, &current, &granted)) return status;
  if ((granted & kKeySetValue) == 0 || current->denyWrites) return kErrorAccessDenied;
  if (data == nullptr && size != 0) return 998;  // ERROR_NOACCESS
  // The platform counts a forgotten NUL of a string in: when the byte after
  // the given size is a NUL and the last given byte is not, it is stored too.
  // Like the platform this reads one byte beyond the size.
  if (IsStringType(type) && size > 0 && data[size - 1] != 0 && data[size] == 0) ++size;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  current->Store(valueName, type, bytes);
  Machine().regWrites.push_back(sim::RegWrite{KeyPath(*current), valueName, type, bytes});
  return kErrorSuccess;
}

Long RegCloseKey(HKey key) {
  Count("RegCloseKey");
  // Closing a predefined root is a no-op that succeeds.
  if (RootIndex(key) >= 0) return kErrorSuccess;
  return Machine().keys.erase(key) == 0 ? kErrorInvalidHandle : kErrorSuccess;
}

Long RegEnumKeyExA(HKey key, Dword index, std::string* name) {
  Count("RegEnumKeyExA");
  std::shared_ptr<Key> current;
  Dword granted = 0;
  if (const Long status = KeyOfHandle(key, &current, &granted)) return status;
  if ((granted & kKeyEnumerateSubKeys) == 0) return kErrorAccessDenied;
  if (index >= current->children.size()) return kErrorNoMoreItems;
  *name = current->children[index]->name;
  return kErrorSuccess;
}

Long RegDeleteKeyA(HKey key, const std::string& subKey) {
  Count("RegDeleteKeyA");
  std::shared_ptr<Key> parent;
  Dword granted = 0;
  if (const Long status = KeyOfHandle(key, &parent, &granted)) return status;
  std::shared_ptr<Key> current = parent;
  for (const std::string& part : SplitPath(subKey, '\\')) {
    if (!(current = current->Child(part))) return kErrorFileNotFound;
  }
  // A root, a key with subkeys and a key the caller may not change stay.
  if (current->parent == nullptr || !current->children.empty() || current->denyWrites) {
    return kErrorAccessDenied;
  }
  auto& siblings = current->parent->children;
  siblings.erase(std::find(siblings.begin(), siblings.end(), current));
  return kErrorSuccess;
}

// ------------------------------------------------------------ control

namespace sim {

void AddKey(HKey root, const std::string& path) {
  const int index = RootIndex(root);
  if (index < 0) return;
  auto current = Machine().roots[index];
  for (const std::string& part : SplitPath(path, '\\')) {
    current = current->AddChild(part, Key{{}, index, {}, false});
  }
}

void SetValue(HKey root, const std::string& path, const std::string& name, Dword type,
              const std::string& data) {
  AddKey(root, path);
  if (const auto key = FindKey(root, path)) key->Store(name, type, data);
}

bool KeyExists(HKey root, const std::string& path) { return FindKey(root, path) != nullptr; }

std::optional<RegValue> GetValue(HKey root, const std::string& path, const std::string& name) {
  const auto key = FindKey(root, path);
  const Value* value = key ? key->FindValue(name) : nullptr;
  if (value == nullptr) return std::nullopt;
  return RegValue{value->type, value->data};
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
  AddKey(root, path);
  if (const auto key = FindKey(root, path)) key->denyWrites = true;
}

const std::vector<RegWrite>& RegWrites() { return Machine().regWrites; }

namespace {
void DumpKey(const Key& key, std::vector<std::string>* lines) {
  static const char* const kHex = "0123456789abcdef";
  const std::string path = KeyPath(key);
  lines->push_back(path);
  for (const Value& value : key.values) {
    std::string line = path + "|" + value.name + "|" + std::to_string(value.type) + "|";
    for (const char c : value.data) {
      line += kHex[static_cast<unsigned char>(c) >> 4];
      line += kHex[c & 15];
    }
    lines->push_back(line);
  }
  for (const auto& child : key.children) DumpKey(*child, lines);
}
}  // namespace

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
