#include "package/setup/RedMonSetup.h"

#include <string>

#include "platform/owners.h"
#include "platform/platform.h"

namespace RedMonSetup {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Every 64-bit Windows runs a 64-bit spooler.
bool Is64BitWindows(platform::Word architecture) {
  return architecture == platform::kProcessorArchitectureAmd64 ||
         architecture == platform::kProcessorArchitectureIa64 ||
         architecture == platform::kProcessorArchitectureArm64;
}

// This program's folder, up to and including the last "\" of its path; the
// empty text when the system does not tell it.
std::u16string OwnFolder() {
  std::string path;
  if (!platform::GetModuleFileNameA(&path)) return {};
  const std::size_t cut = path.rfind('\\');
  if (cut == std::string::npos) return {};
  return platform::FromAnsi(path.substr(0, cut + 1));
}

bool IsFile(const std::string& path) {
  const platform::Dword attributes = platform::GetFileAttributesA(path);
  return attributes != platform::kInvalidFileAttributes &&
         (attributes & platform::kFileAttributeDirectory) == 0;
}

int FailureCode() {
  const platform::Dword error = platform::GetLastError();
  return error != 0 ? static_cast<int>(error) : kExitStartFailed;
}

}  // namespace

std::string ArgumentTail(const std::string& commandLine) {
  std::size_t i = 0;
  bool quoted = false;
  while (i < commandLine.size() && (quoted || !IsBlank(commandLine[i]))) {
    if (commandLine[i] == '"') quoted = !quoted;
    ++i;
  }
  while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
  return commandLine.substr(i);
}

std::u16string SetupProgram(const std::u16string& folder, platform::Word architecture) {
  return folder + (Is64BitWindows(architecture) ? u"redmon\\setup64.exe" : u"redmon\\setup.exe");
}

int Run() {
  const std::u16string folder = OwnFolder();
  if (folder.empty()) return FailureCode();
  platform::SystemInfo system;
  platform::GetNativeSystemInfo(&system);
  const std::string program = platform::ToAnsi(SetupProgram(folder, system.processorArchitecture));
  if (!IsFile(program)) return kExitSetupMissing;

  // The path in quotes keeps a folder with blanks in one piece (no file name
  // holds a double quote); the arguments go on byte for byte as they came.
  const std::string tail = ArgumentTail(platform::GetCommandLineA());
  const std::string commandLine = "\"" + program + "\"" + (tail.empty() ? "" : " " + tail);

  platform::StartupInfoA startup;
  startup.cb = platform::StartupInfoSize();
  platform::ProcessInformation info;
  if (!platform::CreateProcessA(commandLine, false, platform::kNormalPriorityClass, startup,
                                &info)) {
    return FailureCode();
  }
  platform::ProcessHandles handles(info);
  if (platform::WaitForSingleObject(handles.process(), platform::kInfinite) !=
      platform::kWaitObject0) {
    return FailureCode();
  }
  platform::Dword exitCode = 0;
  if (!platform::GetExitCodeProcess(handles.process(), &exitCode)) return FailureCode();
  return static_cast<int>(exitCode);
}

}  // namespace RedMonSetup
