#include "tests/contract/contract_child.h"

#include <cstdlib>

#include "platform/owners.h"
#include "platform/test_hooks.h"

namespace contract {

platform::Dword RunChild(const std::string& actions) {
  platform::Dword exitCode = 0;
  std::size_t start = 0;
  while (start <= actions.size()) {
    std::size_t end = actions.find(';', start);
    if (end == std::string::npos) end = actions.size();
    const std::string action = actions.substr(start, end - start);
    start = end + 1;
    const std::size_t colon = action.find(':');
    const std::string verb = action.substr(0, colon);
    const std::string arg = colon == std::string::npos ? std::string() : action.substr(colon + 1);
    if (verb == "post") {
      const std::size_t second = arg.find(':');
      const auto window = static_cast<platform::Hwnd>(std::strtoll(arg.c_str(), nullptr, 10));
      const auto message =
          static_cast<platform::Dword>(std::strtoul(arg.c_str() + second + 1, nullptr, 10));
      (void)platform::PostMessageA(window, message, 0, 0);
    } else if (verb == "sleep") {
      platform::Sleep(static_cast<platform::Dword>(std::strtoul(arg.c_str(), nullptr, 10)));
    } else if (verb == "touch") {
      platform::UniqueHandle file(platform::CreateFileA(arg, platform::kGenericWrite, 0,
                                                        platform::kCreateAlways));
    } else if (verb == "cwd") {
      std::string directory;
      platform::UniqueHandle file(platform::CreateFileA(arg, platform::kGenericWrite, 0,
                                                        platform::kCreateAlways));
      if (platform::GetCurrentDirectoryA(&directory)) (void)platform::WriteFile(file.Get(), directory);
    } else if (verb == "exit") {
      exitCode = static_cast<platform::Dword>(std::strtoul(arg.c_str(), nullptr, 10));
    }
  }
  return exitCode;
}

}  // namespace contract
