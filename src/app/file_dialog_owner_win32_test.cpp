// The open-file dialogs' owner as Windows' shell sees it. Wine keeps no taskbar, so the window's
// own state is read and held against the shell's documented rule.
#define UNICODE
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include "app/file_dialog_owner_win32.h"

#include <gtest/gtest.h>

namespace kestrane {
namespace {

// "The Taskbar": the shell gives a visible top-level window a button when it is unowned and not
// a tool window, or whatever its owner when it has WS_EX_APPWINDOW.
bool HasTaskbarButton(HWND window) {
  const LONG_PTR ex_style = GetWindowLongPtrW(window, GWL_EXSTYLE);
  if (!IsWindowVisible(window) || (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) != 0)
    return false;
  return (ex_style & WS_EX_APPWINDOW) != 0 ||
         (GetWindow(window, GW_OWNER) == nullptr && (ex_style & WS_EX_TOOLWINDOW) == 0);
}

TEST(FileDialogOwnerTest, TheOwnerHasATaskbarButtonShowsNothingAndTakesTheForeground) {
  const FileDialogOwner owner;
  ASSERT_NE(owner.window(), nullptr) << "error " << GetLastError();
  EXPECT_TRUE(HasTaskbarButton(owner.window()));
  RECT frame{};
  ASSERT_TRUE(GetWindowRect(owner.window(), &frame));
  EXPECT_EQ(frame.right - frame.left, 0) << "nothing of the owner may show";
  EXPECT_EQ(frame.bottom - frame.top, 0) << "nothing of the owner may show";
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(owner.window(), MONITOR_DEFAULTTONULL), &monitor))
      << "on no monitor: a dialog centred on it would open off the screen";
  EXPECT_TRUE(PtInRect(&monitor.rcWork, POINT{frame.left, frame.top}));

  // Another program came to the front while a file was converted.
  HWND other = CreateWindowExW(0, L"STATIC", L"Another program", WS_POPUP | WS_VISIBLE, 0, 0, 100,
                               100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(SetForegroundWindow(other));
  EXPECT_TRUE(owner.RequestForeground());
  EXPECT_EQ(GetForegroundWindow(), owner.window());
  DestroyWindow(other);
}

}  // namespace
}  // namespace kestrane
