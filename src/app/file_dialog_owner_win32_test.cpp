// The open-file dialogs' owner as Windows' shell sees it. Wine keeps no taskbar, so the window's
// own state is read and held against the shell's documented rule.
#define UNICODE
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include "app/file_dialog_owner_win32.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>

namespace kestrane {
namespace {

// "The Taskbar": the shell gives a visible top-level window a button when it is unowned and not
// a tool window, or whatever its owner when it has WS_EX_APPWINDOW.
bool HasTaskbarButton(HWND window) {
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  const LONG_PTR ex_style = GetWindowLongPtrW(window, GWL_EXSTYLE);
  if (!IsWindowVisible(window) || (style & WS_CHILD) != 0) return false;
  if ((ex_style & WS_EX_APPWINDOW) != 0) return true;
  return GetWindow(window, GW_OWNER) == nullptr && (ex_style & WS_EX_TOOLWINDOW) == 0;
}

struct WindowCloser {
  void operator()(HWND window) const { DestroyWindow(window); }
};
using Window = std::unique_ptr<std::remove_pointer_t<HWND>, WindowCloser>;

Window Plain(const wchar_t* title, DWORD ex_style, DWORD style, HWND owner = nullptr) {
  return Window(CreateWindowExW(ex_style, L"STATIC", title, style, 0, 0, 100, 100, owner, nullptr,
                                GetModuleHandleW(nullptr), nullptr));
}

TEST(FileDialogOwnerTest, TheOwnerKeepsATaskbarButtonAndShowsNothing) {
  const FileDialogOwner owner;
  ASSERT_NE(owner.window(), nullptr) << "error " << GetLastError();
  const Window hidden = Plain(L"Kestrane", 0, WS_OVERLAPPED);  // the owner as it was
  const Window tool = Plain(L"Tool", WS_EX_TOOLWINDOW, WS_POPUP | WS_VISIBLE);
  const Window owned = Plain(L"Open", 0, WS_POPUP | WS_VISIBLE, owner.window());
  struct Case {
    const char* what;
    HWND window;
    bool button;
  };
  const Case cases[] = {
      {"the open-file dialogs' owner", owner.window(), true},
      {"a hidden owner", hidden.get(), false},
      {"a tool window", tool.get(), false},
      {"a window it owns, as its dialog", owned.get(), false},
  };
  for (const Case& c : cases) {
    ASSERT_NE(c.window, nullptr) << c.what;
    EXPECT_EQ(HasTaskbarButton(c.window), c.button) << c.what;
  }

  wchar_t title[32] = {};
  GetWindowTextW(owner.window(), title, 32);
  EXPECT_EQ(std::wstring(title), L"Kestrane") << "the taskbar button's name";
  RECT frame{};
  ASSERT_TRUE(GetWindowRect(owner.window(), &frame));
  EXPECT_EQ(frame.right - frame.left, 0) << "nothing of the owner may show";
  EXPECT_EQ(frame.bottom - frame.top, 0) << "nothing of the owner may show";
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(owner.window(), MONITOR_DEFAULTTONULL), &monitor))
      << "the owner lies on no monitor, and a dialog centred on it would open off the screen";
  EXPECT_TRUE(PtInRect(&monitor.rcWork, POINT{frame.left, frame.top}));
}

// Each dialog asks anew: another window may have come to the front since the last one.
TEST(FileDialogOwnerTest, TheOwnerTakesTheForegroundEachTimeItAsks) {
  const FileDialogOwner owner;
  ASSERT_NE(owner.window(), nullptr) << "error " << GetLastError();
  const Window other = Plain(L"Another program", 0, WS_POPUP | WS_VISIBLE);
  for (int pass = 0; pass < 2; ++pass) {
    ASSERT_TRUE(SetForegroundWindow(other.get()));
    ASSERT_EQ(GetForegroundWindow(), other.get()) << "pass " << pass;
    EXPECT_TRUE(owner.RequestForeground()) << "pass " << pass;
    EXPECT_EQ(GetForegroundWindow(), owner.window()) << "pass " << pass;
  }
}

}  // namespace
}  // namespace kestrane
