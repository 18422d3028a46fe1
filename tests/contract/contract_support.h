// Shared fixture and helpers of the contract cases.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/owners.h"
#include "platform/platform.h"
#include "platform/test_hooks.h"
#include "tests/contract/contract_env.h"

namespace contract {

constexpr platform::Dword kSentinel = 0xdeadbeefu;
constexpr std::uint8_t kFill = 0xbd;
constexpr platform::Dword kKeyAll = platform::kKeyQueryValue | platform::kKeySetValue |
                                    platform::kKeyCreateSubKey | platform::kKeyEnumerateSubKeys;

// Bytes of a text literal that may hold NULs: Bytes("a\0b", 3).
inline std::string Bytes(const char* data, std::size_t size) { return std::string(data, size); }

// Printable form of bytes for failure messages.
std::string Hex(const std::string& bytes);

// Every case gets a fresh backend, its own registry key below
// Software\DravelinContract (per root) and its own scratch folder. Both are
// deleted after the case, whether it passed or failed.
class Contract : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // "Software\DravelinContract\<case>-<n>".
  const std::string& KeyPath() const { return keyPath_; }
  // The scratch folder, created, without a closing "\".
  const std::string& Folder() const { return folder_; }
  std::string InFolder(const std::string& name) const { return folder_ + "\\" + name; }

  // Creates (or opens) the case's key, or a subkey of it, with all rights.
  platform::UniqueKey CreateKey(platform::HKey root, const std::string& below = {});
  // A command line that starts the contract child (copied into the scratch
  // folder, below a folder with a blank) with these actions.
  std::string Child(const std::string& actions) const { return ChildCommandLine(folder_, actions); }
  void WriteFile(const std::string& path, const std::string& content);

 private:
  std::string keyPath_;
  std::string folder_;
  std::string savedDirectory_;
};

// The outcome of one RegQueryValueExA call made with sentinels: type and size
// pre-set to 0xdeadbeef (size to the buffer size when there is a buffer), the
// buffer and one byte beyond it filled with 0xbd, last error 0xdeadbeef.
struct QueryResult {
  platform::Long rc = 0;
  platform::Dword type = 0;
  platform::Dword size = 0;
  std::string buffer;  // bufferSize + 1 bytes: the buffer and the guard byte
  platform::Dword lastError = 0;
};
constexpr platform::Dword kNoBuffer = 0xffffffffu;
QueryResult Query(platform::HKey key, const std::string& name, platform::Dword bufferSize);

// Checks type and stored bytes of a value (size query first, then an exact
// read), reporting the caller's line.
void ExpectValue(const char* file, int line, platform::HKey key, const std::string& name,
                 platform::Dword type, const std::string& bytes);
#define EXPECT_REG_VALUE(key, name, type, bytes) \
  ::contract::ExpectValue(__FILE__, __LINE__, key, name, type, bytes)

// Stores a value through RegSetValueExA, expecting success.
void SetRaw(const char* file, int line, platform::HKey key, const std::string& name,
            platform::Dword type, const std::string& bytes, platform::Dword size);
#define SET_REG_VALUE(key, name, type, bytes, size) \
  ::contract::SetRaw(__FILE__, __LINE__, key, name, type, bytes, size)

// Names and attributes of a wildcard listing, in the order returned.
struct Entry {
  std::string name;
  platform::Dword attributes = 0;
};
std::vector<Entry> List(const std::string& pattern);
std::vector<std::string> SortedNames(const std::vector<Entry>& entries);
const Entry* FindEntry(const std::vector<Entry>& entries, const std::string& name);

}  // namespace contract
