#include "tests/support/test_data.h"

#include <fstream>
#include <map>
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
  for (std::size_t i = 0; i < block.size(); ++i) {
    text += (i == 0 ? "" : "\n") + (block[i] == "{stays}" ? Message("stays") : block[i]);
  }
  return text;
}

std::string PrintScript(const std::string& ghostscript, const std::string& programFolder) {
  std::vector<std::string> lines = Lines("print_script.txt");
  for (std::string& line : lines) {
    line = Replace(Replace(line, "{ghostscript}", ghostscript), "{program}", programFolder);
  }
  return ScriptBytes(lines);
}

Access OutputFolderAccess() {
  const std::vector<std::string> lines = Lines("output_access.txt");
  if (lines.size() != 1) throw std::runtime_error("test data: output_access.txt needs one line");
  std::stringstream fields(lines[0]);
  Access access;
  fields >> access.sid >> std::hex >> access.mask >> access.flags;
  if (!fields) throw std::runtime_error("test data: output_access.txt needs SID, mask and flags");
  return access;
}

std::string EarlierLog() {
  const std::vector<std::string> lines = Lines("earlier_log.txt");
  if (lines.size() != 1) throw std::runtime_error("test data: earlier_log.txt needs one line");
  // The log is UTF-8; the data file's line comes back in ANSI.
  std::string utf8;
  for (const char c : lines[0]) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      utf8 += c;
    } else {
      utf8 += static_cast<char>(0xC0 | (b >> 6));
      utf8 += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return utf8 + "\r\n";
}

std::string PrinterCommand(const std::string& programFolder) {
  const std::vector<std::string> lines = Lines("printer_command.txt");
  if (lines.size() != 1) throw std::runtime_error("test data: printer_command.txt needs one line");
  return Replace(lines[0], "{program}", programFolder);
}

namespace {
// The text in double quotes after a switch of the printer's command line.
std::string CommandArgument(const std::string& name) {
  const std::string line = PrinterCommand("");
  const std::size_t at = line.find(" " + name + " \"");
  if (at == std::string::npos) throw std::runtime_error("test data: printer_command.txt lacks " + name);
  const std::size_t begin = at + name.size() + 3;
  return line.substr(begin, line.find('"', begin) - begin);
}
}  // namespace

std::string PrinterPort() { return CommandArgument("/r"); }

std::string DriverModel() { return CommandArgument("/m"); }

std::vector<Value> PortValues(const std::string& programFolder) {
  return Values("port_values.tsv", programFolder);
}

std::vector<Value> DriverDataValues() { return Values("driver_data.tsv", {}); }

int ExitCode(const std::string& name) {
  for (const std::string& line : Lines("exit_codes.tsv")) {
    const std::vector<std::string> f = Fields(line);
    // Name and code come first; what follows them is for distribution tools.
    if (f.size() >= 2 && f[0] == name) return std::stoi(f[1]);
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

// The values a key of scenarios.txt allows (none listed: any text).
const std::map<std::string, std::vector<std::string>> kAllowed = {
    {"runs", {"both", "sim", "wine"}},
    {"args", {}},
    {"ghostscript", {}},
    {"monitor", {"setup", "setup_fails", "setup_hangs", "german"}},
    {"printer", {"yes", "no"}},
    {"registry", {}},
    {"blocked", {"print_script"}},
    {"locale", {}},
    {"step", {"box:yes", "box:no", "box:cancel", "box:ok", "file:*"}},
    {"box", {}},
    {"opens", {}},
    {"end", {}},
    {"setup", {"ran", "none"}},
    {"outcome", {"installed", "unchanged", "failed", "repaired", "removed"}},
    {"installed", {"yes", "no"}},
    {"change", {"ghostscript_moved", "port_value", "printer_gone", "wpp"}},
    {"dependent", {"yes", "no"}},
    {"spooler", {"no_restart"}},
    {"delete", {"fails"}},
    {"admin", {"yes", "no"}},
    {"left", {"printer"}},
    {"via", {"removal_script"}},
    {"quiet", {"yes", "no"}},
    {"station", {"visible", "hidden", "session0", "unknown"}},
    {"printui", {"works", "fails"}},
    {"log", {"all", "none", "linked", "planted", "link"}},
    {"output", {"link", "foreign", "raced"}},
    {"package", {"writable"}},
    {"plant", {"yes", "no"}},
    {"folder", {}},
};

bool Allowed(const std::vector<std::string>& allowed, const std::string& value) {
  for (const std::string& a : allowed) {
    if (a == value || (a.back() == '*' && value.rfind(a.substr(0, a.size() - 1), 0) == 0)) return true;
  }
  return allowed.empty();
}

void Set(Scenario& s, const std::string& key, const std::string& value) {
  const auto allowed = kAllowed.find(key);
  Require(allowed != kAllowed.end(), s.name, "unknown key " + key);
  Require(Allowed(allowed->second, value), s.name, "bad " + key + " \"" + value + "\"");
  if (key == "registry") {
    const std::size_t bar1 = value.find('|');
    const std::size_t bar2 = bar1 == std::string::npos ? bar1 : value.find('|', bar1 + 1);
    Require(bar2 != std::string::npos, s.name, "registry needs key|name|text");
    s.registry.push_back({value.substr(0, bar1), value.substr(bar1 + 1, bar2 - bar1 - 1), value.substr(bar2 + 1)});
  } else if (key == "box") {
    std::stringstream words(value);
    Box box;
    words >> box.message >> box.buttons >> box.icon;
    Require(Allowed({"ok", "yesno", "yesnocancel"}, box.buttons) && Allowed({"warning", "question", "information", "error"}, box.icon) &&
                words.eof(),
            s.name, "box needs message buttons icon");
    Message(box.message);  // throws for a name without a text
    s.boxes.push_back(box);
  } else if (key == "step") {
    s.steps.push_back(value);
  } else if (key == "printer") {
    s.printer = value == "yes";
  } else if (key == "quiet") {
    s.quiet = value == "yes";
  } else if (key == "installed") {
    s.installed = value == "yes";
  } else if (key == "change") {
    s.changes.push_back(value);
  } else if (key == "dependent") {
    s.dependent = value == "yes";
  } else if (key == "admin") {
    s.administrator = value == "yes";
  } else if (key == "plant") {
    s.plant = value == "yes";
  } else {
    static const std::map<std::string, std::string Scenario::*> kTexts = {
        {"runs", &Scenario::runs},       {"args", &Scenario::args},   {"ghostscript", &Scenario::ghostscript},
        {"monitor", &Scenario::monitor}, {"blocked", &Scenario::blocked}, {"locale", &Scenario::locale},
        {"opens", &Scenario::opens},     {"end", &Scenario::end},     {"setup", &Scenario::setup},
        {"outcome", &Scenario::outcome}, {"station", &Scenario::station}, {"printui", &Scenario::printui},
        {"log", &Scenario::log},         {"output", &Scenario::output}, {"package", &Scenario::package},
        {"folder", &Scenario::folder},   {"spooler", &Scenario::spooler}, {"delete", &Scenario::deletePrinter},
        {"left", &Scenario::left},       {"via", &Scenario::via}};
    s.*(kTexts.at(key)) = value;
  }
}

}  // namespace

std::vector<Scenario> Scenarios() {
  std::vector<Scenario> rows;
  for (const std::string& line : Lines("scenarios.txt")) {
    if (Trim(line).empty()) continue;
    if (line.front() == '[') {
      const std::string name = line.substr(1, line.size() - 2);
      Require(line.back() == ']' && !name.empty() &&
                  name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") == std::string::npos,
              line, "a name of lower-case letters, digits and \"_\"");
      rows.emplace_back().name = name;
      continue;
    }
    const std::size_t eq = line.find('=');
    Require(!rows.empty() && eq != std::string::npos, line, "a line outside a block or without \"=\"");
    Set(rows.back(), Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
  }
  for (const Scenario& s : rows) {
    Require(!s.end.empty() && !s.setup.empty() && !s.outcome.empty(), s.name,
            "end, setup and outcome are required");
    ExitCode(s.end);  // throws for an unknown end
    // The simulation has one locale; a test under Wine must not start a browser.
    Require(s.locale.empty() || s.runs == "wine", s.name, "a locale needs runs = wine");
    Require(s.opens.empty() || s.runs == "sim", s.name, "a web page needs runs = sim");
    // Only the simulation can refuse a deletion or take the rights away.
    Require((s.deletePrinter.empty() && s.administrator) || s.runs == "sim", s.name,
            "delete and admin = no need runs = sim");
    for (const std::string& change : s.changes) {
      Require(s.installed || change == "wpp", s.name, "change " + change + " needs installed = yes");
    }
    Require(s.log.empty() || s.args.find("/log ") != std::string::npos, s.name, "log needs /log in args");
  }
  return rows;
}

}  // namespace test_data
