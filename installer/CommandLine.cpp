#include "installer/CommandLine.h"

#include <cstddef>

namespace Module1 {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// "/Quiet" -> "quiet"; the empty text for an argument that is no switch.
std::u16string SwitchName(const std::u16string& argument) {
  if (argument.size() < 2 || (argument[0] != u'/' && argument[0] != u'-')) return {};
  std::u16string name = argument.substr(1);
  for (char16_t& c : name) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return name;
}

bool IsQuietSwitch(const std::u16string& name) { return name == u"quiet" || name == u"q"; }

bool IsKnownSwitch(const std::u16string& name) {
  return IsQuietSwitch(name) || name == u"log" || name == u"gs" || name == u"?" ||
         name == u"repair" || name == u"remove";
}

}  // namespace

std::vector<std::u16string> SplitCommandLine(const std::u16string& commandLine) {
  std::size_t i = 0;
  const std::size_t n = commandLine.size();
  // The program's token: up to the closing quote, or up to the first blank.
  if (i < n && commandLine[i] == u'"') {
    ++i;
    while (i < n && commandLine[i] != u'"') ++i;
    if (i < n) ++i;
  }
  while (i < n && !IsBlank(commandLine[i])) ++i;

  std::vector<std::u16string> arguments;
  for (;;) {
    while (i < n && IsBlank(commandLine[i])) ++i;
    if (i >= n) break;
    std::u16string argument;
    bool quoted = false;
    while (i < n && (quoted || !IsBlank(commandLine[i]))) {
      if (commandLine[i] == u'\\') {
        std::size_t slashes = 0;
        while (i < n && commandLine[i] == u'\\') {
          ++slashes;
          ++i;
        }
        if (i < n && commandLine[i] == u'"') {
          argument.append(slashes / 2, u'\\');
          if (slashes % 2 == 1) {
            argument += u'"';
            ++i;
          }
        } else {
          argument.append(slashes, u'\\');
        }
      } else if (commandLine[i] == u'"') {
        if (quoted && i + 1 < n && commandLine[i + 1] == u'"') {
          argument += u'"';  // "" inside quotes: a literal quote, still quoted
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        argument += commandLine[i++];
      }
    }
    arguments.push_back(argument);
  }
  return arguments;
}

Options ParseOptions(const std::vector<std::u16string>& arguments) {
  Options options;
  for (const std::u16string& argument : arguments) {
    if (IsQuietSwitch(SwitchName(argument))) options.quiet = true;
  }
  for (std::size_t i = 0; i < arguments.size() && options.error.empty(); ++i) {
    const std::u16string name = SwitchName(arguments[i]);
    if (IsQuietSwitch(name)) continue;
    if (name == u"?") {
      options.help = true;
    } else if (name == u"repair") {
      options.repair = true;
    } else if (name == u"remove") {
      options.remove = true;
    } else if (name == u"log" || name == u"gs") {
      const bool hasValue = i + 1 < arguments.size() && !arguments[i + 1].empty() &&
                            !IsKnownSwitch(SwitchName(arguments[i + 1]));
      if (!hasValue) {
        options.error = u"Zum Schalter " + arguments[i] +
                        (name == u"log" ? u" fehlt der Name der Protokolldatei."
                                        : u" fehlt der Pfad von gswin32c.exe oder gswin64c.exe.");
      } else {
        (name == u"log" ? options.logPath : options.ghostscript) = arguments[++i];
      }
    } else if (name.empty()) {
      options.error = u"Unbekanntes Argument: " + arguments[i];
    } else {
      options.error = u"Unbekannter Schalter: " + arguments[i];
    }
  }
  if (options.error.empty() && options.repair && options.remove) {
    options.error = u"Die Schalter /repair und /remove schlie\u00DFen sich aus.";
  } else if (options.error.empty() && options.remove && !options.ghostscript.empty()) {
    options.error = u"Der Schalter /gs gilt nicht f\u00FCr /remove.";
  }
  return options;
}

std::u16string UsageText() {
  return u"Aufruf: DravelinInstall.exe [/repair | /remove] [/quiet] [/log Datei] [/gs Pfad]\n"
         u"\n"
         u"/repair: den installierten Drucker pr\u00FCfen und reparieren (nach jedem "
         u"Ghostscript-Update)\n"
         u"/remove: den Drucker entfernen\n"
         u"/quiet oder /q: ohne Meldungen und Fragen installieren (Softwareverteilung)\n"
         u"/log Datei: den Ablauf an diese Datei anh\u00E4ngen\n"
         u"/gs Pfad: dieses gswin32c.exe oder gswin64c.exe verwenden, wenn Ghostscript "
         u"nicht im Standardordner liegt\n"
         u"/?: diese Hilfe\n"
         u"\n"
         u"Pfade mit Leerzeichen in Anf\u00FChrungszeichen setzen.\n"
         u"Exitcodes: 0 installiert, 1 Fehler, 2 bereits installiert, 3 und 4 Ghostscript-Frage "
         u"abgebrochen, 5 RedMon fehlt, 6 falscher Aufruf, 7 Ghostscript fehlt, 8 Drucker nicht "
         u"angelegt, 10 Ausgabeordner unsicher, 11 Paketordner unsicher, 12 Programm abgebrochen.\n"
         u"13 gesch\u00FCtzter Druckmodus; /repair: 0 in Ordnung oder repariert, 15 nicht "
         u"installiert; /remove: 0 nichts mehr vorhanden, 9 etwas ist geblieben, 14 "
         u"Druckwarteschlange l\u00E4uft nicht wieder.";
}

}  // namespace Module1
