#include "tests/support/test_data.h"

#include <cctype>
#include <fstream>
#include <initializer_list>
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
    if (f.size() == 2 && f[0] == name) return std::stoi(f[1]);
  }
  throw std::runtime_error("test data: no exit code " + name);
}

namespace {

std::string Trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void Require(bool ok, const std::string& scenario, const std::string& what) {
  if (!ok) throw std::runtime_error("test data: scenario " + scenario + ": " + what);
}

bool OneOf(const std::string& value, std::initializer_list<const char*> allowed) {
  for (const char* a : allowed) {
    if (value == a) return true;
  }
  return false;
}

void Set(Scenario& s, const std::string& key, const std::string& value) {
  const auto bad = [&] { return "bad " + key + " \"" + value + "\""; };
  if (key == "runs") {
    Require(OneOf(value, {"both", "sim", "wine"}), s.name, bad());
    s.runs = value;
  } else if (key == "args") {
    s.args = value;
  } else if (key == "ghostscript") {
    Require(OneOf(value, {"default", "none"}) || value.size() > 3, s.name, bad());
    s.ghostscript = value;
  } else if (key == "monitor") {
    Require(OneOf(value, {"setup", "setup_fails", "german"}), s.name, bad());
    s.monitor = value;
  } else if (key == "printer") {
    Require(OneOf(value, {"yes", "no"}), s.name, bad());
    s.printer = value == "yes";
  } else if (key == "registry") {
    const std::size_t bar1 = value.find('|');
    const std::size_t bar2 = value.find('|', bar1 == std::string::npos ? bar1 : bar1 + 1);
    Require(bar2 != std::string::npos, s.name, bad());
    s.registry.push_back({value.substr(0, bar1), value.substr(bar1 + 1, bar2 - bar1 - 1),
                          value.substr(bar2 + 1)});
  } else if (key == "blocked") {
    Require(value == "print_script", s.name, bad());
    s.blocked = value;
  } else if (key == "locale") {
    s.locale = value;
  } else if (key == "step") {
    Require(OneOf(value, {"box:yes", "box:no", "box:cancel", "box:ok"}) ||
                (value.rfind("file:", 0) == 0 && value.size() > 5),
            s.name, bad());
    s.steps.push_back(value);
  } else if (key == "box") {
    std::stringstream words(value);
    Box box;
    words >> box.message >> box.buttons >> box.icon;
    Require(OneOf(box.buttons, {"ok", "yesno", "yesnocancel"}) &&
                OneOf(box.icon, {"warning", "question", "error"}) && words.eof(),
            s.name, bad());
    Message(box.message);  // throws for a name without a text
    s.boxes.push_back(box);
  } else if (key == "opens") {
    s.opens = value;
  } else if (key == "end") {
    ExitCode(value);  // throws for an unknown end
    s.end = value;
  } else if (key == "setup") {
    Require(OneOf(value, {"ran", "none"}), s.name, bad());
    s.setup = value;
  } else if (key == "outcome") {
    Require(OneOf(value, {"installed", "unchanged", "failed", "removal"}), s.name, bad());
    s.outcome = value;
  } else {
    Require(false, s.name, "unknown key " + key);
  }
}

}  // namespace

std::vector<Scenario> Scenarios() {
  std::vector<Scenario> rows;
  for (const std::string& line : Lines("scenarios.txt")) {
    if (Trim(line).empty()) continue;
    if (line.front() == '[') {
      Require(line.back() == ']' && line.size() > 2, line, "bad name line");
      rows.emplace_back();
      rows.back().name = line.substr(1, line.size() - 2);
      for (const char c : rows.back().name) {
        Require(std::isalnum(static_cast<unsigned char>(c)) || c == '_', line, "bad name");
      }
      continue;
    }
    const std::size_t eq = line.find('=');
    Require(!rows.empty() && eq != std::string::npos, line, "a line outside a block or without \"=\"");
    Set(rows.back(), Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
  }
  for (const Scenario& s : rows) {
    Require(!s.end.empty() && !s.setup.empty() && !s.outcome.empty(), s.name,
            "end, setup and outcome are required");
    // The simulation has one locale; a test under Wine must not start a browser.
    Require(s.locale.empty() || s.runs == "wine", s.name, "a locale needs runs = wine");
    Require(s.opens.empty() || s.runs == "sim", s.name, "a web page needs runs = sim");
  }
  return rows;
}

}  // namespace test_data
