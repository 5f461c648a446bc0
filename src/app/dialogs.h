// The dialogs start-up shows, behind an interface so that one start-up serves every platform and
// tests can script the user's answers. One implementation per toolkit: dialogs_win32.cpp,
// dialogs_gtk.cpp.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "app/dir_dialog.h"

namespace kestrane {

enum class DialogResult {
  kOk,      // the user chose
  kCancel,  // the user closed the dialog without choosing
  kError,   // the dialog could not be shown, or its choice has no file-system path
};

// A dialog that opens one file.
class OpenFileDialog {
 public:
  virtual ~OpenFileDialog() = default;
  // Shows the dialog, owned by no window, until the user answers. Its window is gone, and every
  // event it caused handled, when this returns.
  virtual DialogResult DoModal() = 0;
  // After kOk: the chosen file's folder, absolute, and the file's own name.
  virtual std::filesystem::path GetFolderPath() const = 0;
  virtual std::filesystem::path GetFileName() const = 0;
};

// The one file type an open-file dialog offers: what the user reads, and the names it matches.
struct FileFilter {
  std::string name;     // "SRT file (*.txt)"
  std::string pattern;  // "*.txt", letter case ignored
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A new open-file dialog, not yet shown.
  virtual std::unique_ptr<OpenFileDialog> NewOpenFileDialog(const FileFilter& filter) = 0;
  // Shows the folder picker; the platform's version is picker.Browse().
  virtual bool Browse(CDirDialog& picker) = 0;
};

// The toolkit's dialogs.
Dialogs& PlatformDialogs();

}  // namespace kestrane
