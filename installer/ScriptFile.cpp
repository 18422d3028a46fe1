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

void WriteScriptFile(const std::u16string& path, const std::vector<std::u16string>& lines) {
  platform::UniqueHandle file(platform::CreateFileA(
      platform::ToAnsi(path), platform::kGenericWrite, 0, platform::kCreateAlways));
  if (!file.IsValid()) throw FileFailure(path, platform::GetLastError());
  for (const std::u16string& line : lines) {
    // cmd reads a batch file in the OEM code page, not the ANSI one: a path
    // with letters such as "ü" or "ß" only names the right file when its
    // bytes are OEM bytes. ASCII lines come out unchanged.
    if (!platform::WriteFile(file.Get(), platform::ToOem(line) + "\r\n")) {
      throw FileFailure(path, platform::GetLastError());
    }
  }
  file.Close();
}

}  // namespace Module1
