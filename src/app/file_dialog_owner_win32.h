// The window that owns Kestrane's open-file dialogs on Windows. A dialog owned by a hidden
// window has no taskbar button (the owner takes it, and a hidden one shows none), so a dialog
// opened behind other windows could not be found at all; an unowned one gets a button but may
// open behind, as an owner gives no right to the foreground either. This owner shows the
// button: it is visible, unowned and an app window (WS_EX_APPWINDOW), yet of no size, so that
// nothing of it is seen; and it asks for the foreground each time a dialog is about to open.
#pragma once

#include <windows.h>

namespace kestrane {

class FileDialogOwner {
 public:
  // Makes the window, "Kestrane" with the program's icon, at the centre of the work area of the
  // monitor the mouse is on (where the user just started Kestrane): a dialog that centres on its
  // owner opens there.
  FileDialogOwner();
  ~FileDialogOwner();
  FileDialogOwner(const FileDialogOwner&) = delete;
  FileDialogOwner& operator=(const FileDialogOwner&) = delete;

  // Null when the window could not be made; dialogs are then shown unowned.
  HWND window() const { return m_window; }

  // Brings the owner to the foreground, so that the dialog it is about to own opens in front and
  // active. Windows allows it to a program started by the user (from Explorer, the Start menu)
  // or one that has the user's last input, as Kestrane does between one file and the next
  // unless the user turned to another program meanwhile: then Windows flashes the owner's
  // taskbar button instead, and the dialog is one click away. False when it was refused.
  bool RequestForeground() const;

 private:
  HWND m_window = nullptr;
};

}  // namespace kestrane
