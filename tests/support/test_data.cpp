#include "tests/support/test_data.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace test_data {

namespace {

std::string Utf8ToAnsi(const std::string& text) {
  // The files hold only characters of Latin-1, which code page 1252 shares.
  std::string ansi;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      ansi += text[i];
    } else if ((b & 0xE0) == 0xC0 && i + 1 < text.size()) {
      ansi += static_cast<char>(((b & 0x1F) << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F));
    } else {
      throw std::runtime_error("test data: a character beyond Latin-1");
    }
  }
  return ansi;
}

// The lines of a data file, comments left out, in ANSI bytes.
std::vector<std::string> Lines(const std::string& file) {
  std::ifstream in(std::string(DRAVELIN_TEST_DATA_DIR) + "/" + file, std::ios::binary);
  if (!in) throw std::runtime_error("test data: cannot read " + file);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind('#', 0) != 0) lines.push_back(Utf8ToAnsi(line));
  }
  return lines;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream stream(line);
  std::string field;
  while (std::getline(stream, field, '\t')) fields.push_back(field);
  if (!line.empty() && line.back() == '\t') fields.emplace_back();
  return fields;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::string HexBytes(const std::string& file) {
  std::string bytes;
  for (const std::string& line : Lines(file)) {
    std::stringstream stream(line);
    unsigned value = 0;
    while (stream >> std::hex >> value) bytes += static_cast<char>(value);
  }
  return bytes;
}

std::vector<Value> Values(const std::string& file, const std::string& programFolder) {
  std::vector<Value> values;
  for (const std::string& line : Lines(file)) {
    const std::vector<std::string> f = Fields(line);
    if (f.size() != 3) throw std::runtime_error("test data: bad line in " + file + ": " + line);
    Value value{f[0], 0, Replace(f[2], "{program}", programFolder)};
    if (f[1] == "REG_SZ") {
      value.type = 1;
      value.data += '\0';
    } else if (f[1] == "REG_DWORD") {
      value.type = 4;
      const auto number = static_cast<std::uint32_t>(std::stoul(f[2]));
      value.data.clear();
      for (int shift = 0; shift < 32; shift += 8) value.data += static_cast<char>((number >> shift) & 0xFF);
    } else if (f[1] == "REG_BINARY") {
      value.type = 3;
      value.data = HexBytes(f[2].substr(1));
    }
    values.push_back(value);
  }
  return values;
}

std::string ScriptBytes(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\r\n";
  return bytes;
}

}  // namespace

std::string Message(const std::string& name) {
  std::vector<std::string> block;
  bool inBlock = false;
  for (const std::string& line : Lines("messages.txt")) {
    if (!line.empty() && line[0] == '[') {
      if (inBlock) break;
      inBlock = line == "[" + name + "]";
    } else if (inBlock) {
      block.push_back(line);
    }
  }
  while (!block.empty() && block.back().empty()) block.pop_back();
  if (block.empty()) throw std::runtime_error("test data: no message " + name);
  std::string text;
  for (std::size_t i = 0; i < block.size(); ++i) text += (i == 0 ? "" : "\n") + block[i];
  return text;
}

std::string PrintScript(const std::string& ghostscript, const std::string& programFolder) {
  std::vector<std::string> lines = Lines("print_script.txt");
  for (std::string& line : lines) {
    line = Replace(Replace(line, "{ghostscript}", ghostscript), "{program}", programFolder);
  }
  return ScriptBytes(lines);
}

std::string AccessScript() { return ScriptBytes(Lines("access_script.txt")); }

std::string PrinterCommand(const std::string& programFolder) {
  const std::vector<std::string> lines = Lines("printer_command.txt");
  if (lines.size() != 1) throw std::runtime_error("test data: printer_command.txt needs one line");
  return Replace(lines[0], "{program}", programFolder);
}

std::vector<Value> PortValues(const std::string& programFolder) {
  return Values("port_values.tsv", programFolder);
}

std::vector<Value> DriverDataValues() { return Values("driver_data.tsv", {}); }

int ExitCode(const std::string& name) {
  for (const std::string& line : Lines("exit_codes.tsv")) {
    const std::vector<std::string> f = Fields(line);
    if (f.size() >= 2 && f[0] == name) return std::stoi(f[1]);  // later columns: notes
  }
  throw std::runtime_error("test data: no exit code " + name);
}

}  // namespace test_data
