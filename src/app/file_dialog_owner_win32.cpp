#include "app/file_dialog_owner_win32.h"

namespace kestrane {
namespace {

constexpr wchar_t kClassName[] = L"KestraneFileDialogOwner";
// Kestrane.exe's icon, as kestrane.rc numbers it.
constexpr WORD kIconId = 128;

// The window class, registered once; 0 when it cannot be.
ATOM OwnerClass() {
  static const ATOM atom = [] {
    WNDCLASSEXW owner_class{};
    owner_class.cbSize = sizeof(owner_class);
    owner_class.lpfnWndProc = DefWindowProcW;
    owner_class.hInstance = GetModuleHandleW(nullptr);
    // The taskbar button shows the class's icon; a program without one (a test) gets Windows'.
    owner_class.hIcon = LoadIconW(owner_class.hInstance, MAKEINTRESOURCEW(kIconId));
    owner_class.lpszClassName = kClassName;
    return RegisterClassExW(&owner_class);
  }();
  return atom;
}

}  // namespace

FileDialogOwner::FileDialogOwner() {
  if (OwnerClass() == 0) return;
  POINT mouse{};
  GetCursorPos(&mouse);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!GetMonitorInfoW(MonitorFromPoint(mouse, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
    monitor.rcWork = RECT{0, 0, 0, 0};
  }
  const RECT& work = monitor.rcWork;
  // WS_POPUP, as an overlapped window would have a minimum size and a caption to show.
  m_window = CreateWindowExW(WS_EX_APPWINDOW, kClassName, L"Kestrane", WS_POPUP | WS_VISIBLE,
                             work.left + (work.right - work.left) / 2,
                             work.top + (work.bottom - work.top) / 2, 0, 0, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
}

FileDialogOwner::~FileDialogOwner() {
  if (m_window != nullptr) DestroyWindow(m_window);
}

bool FileDialogOwner::RequestForeground() const {
  return m_window != nullptr && SetForegroundWindow(m_window);
}

}  // namespace kestrane
