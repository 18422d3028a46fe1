// The common open and save dialogs, with the file-type list built from an
// extension table.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace StdDialoge {

// FileDialog in dialog mode 0 (the open dialog).
std::u16string SelectFile(const platform::Hwnd& owner, std::u16string title,
                          std::u16string& folder, std::u16string proposedName,
                          std::u16string filterSpec, std::u16string defaultExt);

// Shows the dialog (mode 0: open; 1: save, asks before overwriting; 2: save;
// other: save without flags) starting in folder (empty: the current
// directory), and puts the current directory back afterwards.
// filterSpec "#ext#ext" builds one file type per extension ("#exe":
// "Anwendungs-Dateien" with "*.exe"; "*" is "Alle Dateien"); any other text
// is a ready "label|pattern|..." list.
// Answers the empty text on cancel or failure (folder unchanged). Otherwise
// with an empty folder the full path; with a folder the bare name, and folder
// becomes the chosen file's folder with its closing "\". folder + result is
// always the chosen path.
std::u16string FileDialog(const platform::Hwnd& owner, const std::u16string& title,
                          std::u16string& folder, const std::u16string& proposedName,
                          const std::u16string& filterSpec, const std::u16string& defaultExt,
                          const std::int16_t& mode);

}  // namespace StdDialoge
