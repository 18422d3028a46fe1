#include "tests/contract/contract_support.h"

#include <algorithm>
#include <cstdio>

namespace contract {

std::string Hex(const std::string& bytes) {
  std::string out;
  char part[4];
  for (unsigned char c : bytes) {
    std::snprintf(part, sizeof part, "%02x ", c);
    out += part;
  }
  if (!out.empty()) out.pop_back();
  return out;
}

namespace {

int g_caseNumber = 0;
constexpr char kContractKey[] = "Software\\DravelinContract";

// Removes a folder with everything in it, through the platform calls.
void RemoveTree(const std::string& folder) {
  std::vector<Entry> entries = List(folder + "\\*");
  for (const Entry& e : entries) {
    if (e.name == "." || e.name == "..") continue;
    const std::string path = folder + "\\" + e.name;
    if (e.attributes & platform::kFileAttributeDirectory) {
      RemoveTree(path);
    } else {
      (void)platform::SetFileAttributesA(path, platform::kFileAttributeNormal);
      (void)platform::DeleteFileA(path);
    }
  }
  (void)platform::RemoveDirectoryA(folder);
}

}  // namespace

void Contract::SetUp() {
  PrepareBackend();
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  const std::string name =
      std::string(info->test_suite_name()) + "." + info->name() + "-" + std::to_string(++g_caseNumber);
  keyPath_ = std::string(kContractKey) + "\\" + name;
  folder_ = TempFolder() + "\\DravelinContract-" + name;
  ASSERT_TRUE(platform::CreateDirectoryA(folder_))
      << folder_ << " error " << platform::GetLastError();
  ASSERT_TRUE(platform::GetCurrentDirectoryA(&savedDirectory_));
}

void Contract::TearDown() {
  if (!savedDirectory_.empty()) (void)platform::SetCurrentDirectoryA(savedDirectory_);
  if (!folder_.empty()) {
    RemoveTree(folder_);
    EXPECT_EQ(platform::GetFileAttributesA(folder_), platform::kInvalidFileAttributes)
        << "scratch folder left behind: " << folder_;
  }
  for (const platform::HKey root : {platform::kHkeyCurrentUser, platform::kHkeyLocalMachine}) {
    EXPECT_TRUE(platform::DeleteKeyTree(root, kContractKey)) << "key left behind below " << root;
  }
}

platform::UniqueKey Contract::CreateKey(platform::HKey root, const std::string& below) {
  platform::UniqueKey key;
  platform::Dword disposition = kSentinel;
  const std::string path = below.empty() ? keyPath_ : keyPath_ + "\\" + below;
  const platform::Long rc =
      platform::RegCreateKeyExA(root, path, platform::kRegOptionNonVolatile, kKeyAll,
                                key.Receive(), &disposition);
  EXPECT_EQ(rc, platform::kErrorSuccess) << path;
  return key;
}

void Contract::WriteFile(const std::string& path, const std::string& content) {
  platform::UniqueHandle file(
      platform::CreateFileA(path, platform::kGenericWrite, 0, platform::kCreateAlways));
  ASSERT_TRUE(file.IsValid()) << path << " error " << platform::GetLastError();
  ASSERT_TRUE(platform::WriteFile(file.Get(), content)) << path;
}

QueryResult Query(platform::HKey key, const std::string& name, platform::Dword bufferSize) {
  QueryResult r;
  r.type = kSentinel;
  r.size = bufferSize == kNoBuffer ? kSentinel : bufferSize;
  std::vector<std::uint8_t> buffer(bufferSize == kNoBuffer ? 0 : bufferSize + 1, kFill);
  platform::SetLastError(kSentinel);
  r.rc = platform::RegQueryValueExA(key, name, &r.type,
                                    bufferSize == kNoBuffer ? nullptr : buffer.data(), &r.size);
  r.lastError = platform::GetLastError();
  r.buffer.assign(buffer.begin(), buffer.end());
  return r;
}

void ExpectValue(const char* file, int line, platform::HKey key, const std::string& name,
                 platform::Dword type, const std::string& bytes) {
  testing::ScopedTrace trace(file, line, "value \"" + name + "\"");
  const QueryResult sized = Query(key, name, kNoBuffer);
  ASSERT_EQ(sized.rc, platform::kErrorSuccess);
  EXPECT_EQ(sized.type, type);
  ASSERT_EQ(sized.size, bytes.size());
  const QueryResult read = Query(key, name, sized.size);
  ASSERT_EQ(read.rc, platform::kErrorSuccess);
  EXPECT_EQ(read.type, type);
  EXPECT_EQ(read.size, bytes.size());
  EXPECT_EQ(Hex(read.buffer.substr(0, bytes.size())), Hex(bytes));
  EXPECT_EQ(static_cast<std::uint8_t>(read.buffer.back()), kFill) << "byte after the buffer";
}

void SetRaw(const char* file, int line, platform::HKey key, const std::string& name,
            platform::Dword type, const std::string& bytes, platform::Dword size) {
  testing::ScopedTrace trace(file, line, "setting \"" + name + "\"");
  const platform::Long rc = platform::RegSetValueExA(
      key, name, type, reinterpret_cast<const std::uint8_t*>(bytes.data()), size);
  EXPECT_EQ(rc, platform::kErrorSuccess);
}

std::vector<Entry> List(const std::string& pattern) {
  std::vector<Entry> entries;
  platform::FindDataA data;
  platform::UniqueFind find(platform::FindFirstFileA(pattern, &data));
  if (!find.IsValid()) return entries;
  do {
    entries.push_back({data.fileName, data.attributes});
  } while (entries.size() < 10000 && platform::FindNextFileA(find.Get(), &data));
  return entries;
}

std::vector<std::string> SortedNames(const std::vector<Entry>& entries) {
  std::vector<std::string> names;
  for (const Entry& e : entries) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  return names;
}

const Entry* FindEntry(const std::vector<Entry>& entries, const std::string& name) {
  for (const Entry& e : entries) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

}  // namespace contract
