// The folder picker: the system's folder browser on Windows, a folder chooser on GTK. Its owner
// sets the in-members, calls Browse once and reads the out-members.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace kestrane {

class CDirDialog {
 public:
  CDirDialog() = default;
  virtual ~CDirDialog() = default;
  CDirDialog(const CDirDialog&) = delete;
  CDirDialog& operator=(const CDirDialog&) = delete;

  // Shows the picker, owned by no window, and waits. True when a folder with a file-system path
  // was chosen: m_strFolder is then its absolute path and m_nImage its image index. False when
  // the user cancelled or a step failed; the out-members mean nothing then. Trims m_strStartSel
  // (see TrimStartSelection, with the real file system) before showing anything.
  bool Browse();

  // Asked whenever the selection changes, with the selected folder (empty when it has no
  // file-system path) and an empty status text to fill in; returns whether OK is allowed for
  // that selection. This version always allows it and leaves the status text empty.
  virtual bool OnSelChange(const std::filesystem::path& folder, std::string& status);

  std::string m_strCaption;             // in: window title; empty keeps the system's
  std::filesystem::path m_strFolder;    // out: the chosen folder
  std::filesystem::path m_strRoot;      // in: top of the tree; empty for everything
  std::filesystem::path m_strStartSel;  // in: folder selected at first; empty for none
  std::string m_strPrompt;              // in: text above the tree; empty gives "Open"
  int m_nImage = -1;                    // out: the chosen item's image index
  bool m_bStatusText = false;           // in: show a status line that OnSelChange fills
};

// The start selection as the picker uses it. A path that does not exist as given loses its
// trailing white space, as a name typed or pasted with a blank after it would; one that exists
// keeps it (a network share can hold a folder whose name ends in a space). Then one trailing
// slash or backslash goes, but a root's own stays: "C:\" and "\\server\share\" (Windows' forms
// are read so on every system, as both separators are) and "/", for "C:" is the drive's current
// folder, not its root. `exists` answers for the path as given, character for character.
std::filesystem::path TrimStartSelection(
    const std::filesystem::path& start,
    const std::function<bool(const std::filesystem::path&)>& exists);

// Whether the picker's OK is enabled for a selection: only for one with a file-system path
// (`folder` empty means none, such as This PC or a library), and then as OnSelChange answered.
// The browser would otherwise let OK end the picker with nothing to convert.
bool OkEnabledFor(const std::filesystem::path& folder, bool on_sel_change_allows);

// How much the Windows picker grows past the size the browser chose (its default is cramped):
// 25 by 60 pixels at 96 dots per inch, scaled to the window's `dpi` so that the frame, which
// grows with it, does not eat the gain. A `dpi` of 0 (unknown) counts as 96.
struct Enlargement {
  int width;
  int height;
};
Enlargement PickerEnlargement(unsigned dpi);

// A rectangle on the screen, in pixels, `right` and `bottom` outside it, as Windows gives them.
struct ScreenRect {
  int left;
  int top;
  int right;
  int bottom;
  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// Where the Windows picker goes: its whole window, `window` as the browser made it, grown by
// PickerEnlargement(dpi) and centred on `work_area`, the part of the window's own monitor that
// the taskbar leaves free. A window larger than the work area starts at its top left corner, so
// that the caption stays in reach.
ScreenRect PickerPlacement(const ScreenRect& window, const ScreenRect& work_area, unsigned dpi);

// The instruction text shown above the tree.
std::string PromptOf(const CDirDialog& picker);

}  // namespace kestrane
