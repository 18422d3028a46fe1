// Writing a command script: a text file, one line after another, each closed
// with CR LF.
#pragma once

#include <string>
#include <vector>

namespace Module1 {

// Creates the file at path (emptying one that exists), writes every line
// followed by CR LF and closes the file right after the last line. The lines
// are converted to the OEM code page, in which cmd reads batch files; the
// path is converted to the ANSI code page for the file call. Throws
// FileFailure with the path and the system's error code when the file can't
// be created or a line can't be written.
void WriteScriptFile(const std::u16string& path, const std::vector<std::u16string>& lines);

// The bytes WriteScriptFile writes for the lines.
std::string ScriptBytes(const std::vector<std::u16string>& lines);

// The whole content of the file at path (converted to the ANSI code page for
// the call); false when it can't be opened or read.
bool ReadFileBytes(const std::u16string& path, std::string* bytes);

}  // namespace Module1
