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
  // Shows the dialog until the user answers; its owner, if any, is a hidden window of the
  // toolkit's. Its window is gone, and every
  // event it caused handled, when this returns.
  virtual DialogResult DoModal() = 0;
  // After kOk: the chosen file's folder, absolute, and the file's own name.
  virtual std::filesystem::path GetFolderPath() const = 0;
  virtual std::filesystem::path GetFileName() const = 0;
};

// What every toolkit's open-file dialog shares: the answer, kept as folder and name.
class ChosenFileDialog : public OpenFileDialog {
 public:
  std::filesystem::path GetFolderPath() const override { return m_folder; }
  std::filesystem::path GetFileName() const override { return m_name; }

 protected:
  // Keeps the chosen file's folder and name; the user chose.
  DialogResult Chose(const std::filesystem::path& file) {
    m_folder = file.parent_path();
    m_name = file.filename();
    return DialogResult::kOk;
  }

 private:
  std::filesystem::path m_folder;
  std::filesystem::path m_name;
};

// The one file type an open-file dialog offers: what the user reads, and the names it matches.
struct FileFilter {
  std::string name;     // "Subtitle files (*.txt;*.srt)"
  std::string pattern;  // "*.txt;*.srt": patterns joined by ';', letter case ignored
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A new open-file dialog, not yet shown.
  virtual std::unique_ptr<OpenFileDialog> NewOpenFileDialog(const FileFilter& filter) = 0;
  // Shows the folder picker.
  virtual bool Browse(CDirDialog& picker) = 0;
  // Shows `text` (UTF-8) in a message box titled Kestrane, owned by no window, until the user
  // closes it.
  virtual void ShowMessage(const std::string& text) = 0;
};

// The toolkit's message box, as Dialogs::ShowMessage.
void ShowMessageBox(const std::string& text);

// A toolkit's dialogs: its open-file dialog and the folder picker itself.
template <typename ToolkitOpenFileDialog>
class ToolkitDialogs : public Dialogs {
 public:
  std::unique_ptr<OpenFileDialog> NewOpenFileDialog(const FileFilter& filter) override {
    return std::make_unique<ToolkitOpenFileDialog>(filter);
  }
  bool Browse(CDirDialog& picker) override { return picker.Browse(); }
  void ShowMessage(const std::string& text) override { ShowMessageBox(text); }
};

// The toolkit's dialogs.
Dialogs& PlatformDialogs();

}  // namespace kestrane
