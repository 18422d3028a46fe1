#include "installer/ScriptFile.h"

#include "installer/Module1.h"
#include "platform/owners.h"
#include "platform/platform.h"

namespace Module1 {

FileFailure::FileFailure(std::u16string path, platform::Dword error, bool folder)
    : std::runtime_error((folder ? "folder " : "script file ") + platform::ToAnsi(path) +
                         " failed, error " + std::to_string(error)),
      path_(std::move(path)),
      error_(error),
      folder_(folder) {}

namespace {

// cmd reads a batch file in the OEM code page, not the ANSI one: a path with
// letters such as "ü" or "ß" only names the right file when its bytes are
// OEM bytes. ASCII lines come out unchanged.
std::string LineBytes(const std::u16string& line) { return platform::ToOem(line) + "\r\n"; }

}  // namespace

void WriteScriptFile(const std::u16string& path, const std::vector<std::u16string>& lines) {
  platform::UniqueHandle file(platform::CreateFileA(
      platform::ToAnsi(path), platform::kGenericWrite, 0, platform::kCreateAlways));
  if (!file.IsValid()) throw FileFailure(path, platform::GetLastError());
  for (const std::u16string& line : lines) {
    if (!platform::WriteFile(file.Get(), LineBytes(line))) {
      throw FileFailure(path, platform::GetLastError());
    }
  }
  file.Close();
}

std::string ScriptBytes(const std::vector<std::u16string>& lines) {
  std::string bytes;
  for (const std::u16string& line : lines) bytes += LineBytes(line);
  return bytes;
}

bool ReadFileBytes(const std::u16string& path, std::string* bytes) {
  platform::UniqueHandle file(platform::CreateFileA(platform::ToAnsi(path), platform::kGenericRead,
                                                    platform::kFileShareRead, platform::kOpenExisting));
  if (!file.IsValid()) return false;
  std::string content;
  for (;;) {
    std::string chunk;
    if (!platform::ReadFile(file.Get(), &chunk, 4096)) return false;
    if (chunk.empty()) break;
    content += chunk;
  }
  *bytes = std::move(content);
  return true;
}

}  // namespace Module1
