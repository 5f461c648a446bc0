#include "platform/windows_path.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace kestrane {
namespace {

std::string Shown(const std::wstring& path) {
  return Utf16ToWtf8(std::u16string(path.begin(), path.end()));
}

TEST(WindowsPath, AbsoluteAndLiteral) {
  struct Case {
    std::wstring path;
    std::wstring absolute;
    std::wstring extended;
  } cases[] = {
      {LR"(C:\a\b.txt)", LR"(C:\a\b.txt)", LR"(\\?\C:\a\b.txt)"},
      {LR"(c:/a//b/./c/../d.txt)", LR"(c:\a\b\d.txt)", LR"(\\?\c:\a\b\d.txt)"},
      {LR"(C:\)", LR"(C:\)", LR"(\\?\C:\)"},
      {LR"(C:\..\..\x)", LR"(C:\x)", LR"(\\?\C:\x)"},
      {LR"(C:\a\)", LR"(C:\a)", LR"(\\?\C:\a)"},
      // NAS devices make names that end in a dot or a space; the plain form would drop both.
      {LR"(C:\share\Vol. \Ep. 1.\x.txt )", LR"(C:\share\Vol. \Ep. 1.\x.txt )",
       LR"(\\?\C:\share\Vol. \Ep. 1.\x.txt )"},
      {LR"(C:\a\...\b)", LR"(C:\a\...\b)", LR"(\\?\C:\a\...\b)"},
      {LR"(\\nas\films\a\..\b.txt)", LR"(\\nas\films\b.txt)", LR"(\\?\UNC\nas\films\b.txt)"},
      {LR"(//nas/films)", LR"(\\nas\films\)", LR"(\\?\UNC\nas\films\)"},
      {LR"(\\nas\films\..\..\x)", LR"(\\nas\films\x)", LR"(\\?\UNC\nas\films\x)"},
      {LR"(\\?\C:\a\..\b)", LR"(\\?\C:\a\..\b)", LR"(\\?\C:\a\..\b)"},
      {LR"(\\?\UNC\nas\films\x)", LR"(\\?\UNC\nas\films\x)", LR"(\\?\UNC\nas\films\x)"},
      {LR"(\\.\COM1)", LR"(\\.\COM1)", LR"(\\.\COM1)"},
      // Relative to the current folder, C:\work\here.
      {LR"(subs\a.txt)", LR"(C:\work\here\subs\a.txt)", LR"(\\?\C:\work\here\subs\a.txt)"},
      {LR"(..\..\x. )", LR"(C:\x. )", LR"(\\?\C:\x. )"},
      {LR"(.)", LR"(C:\work\here)", LR"(\\?\C:\work\here)"},
      {LR"(\top\x)", LR"(C:\top\x)", LR"(\\?\C:\top\x)"},
      {LR"(c:rel)", LR"(C:\work\here\rel)", LR"(\\?\C:\work\here\rel)"},
      // Relative to drive D:'s own current folder, which only the system knows.
      {LR"(D:rel)", LR"(D:rel)", LR"(D:rel)"},
      // Not paths at all.
      {LR"(\\nas)", LR"(\\nas)", LR"(\\nas)"},
      {LR"(\\nas\)", LR"(\\nas\)", LR"(\\nas\)"},
  };
  const std::wstring here = LR"(C:\work\here)";
  for (const Case& c : cases) {
    EXPECT_EQ(Shown(AbsoluteWindowsPath(c.path, here)), Shown(c.absolute)) << Shown(c.path);
    EXPECT_EQ(Shown(ExtendedWindowsPath(c.path, here)), Shown(c.extended)) << Shown(c.path);
  }
}

TEST(WindowsPath, RelativeToOtherCurrentFolders) {
  struct Case {
    std::wstring here;
    std::wstring path;
    std::wstring extended;
  } cases[] = {
      {LR"(\\nas\films\season)", LR"(..\x.txt)", LR"(\\?\UNC\nas\films\x.txt)"},
      {LR"(\\nas\films)", LR"(\x.txt)", LR"(\\?\UNC\nas\films\x.txt)"},
      {LR"(\\?\C:\deep)", LR"(x.txt)", LR"(\\?\C:\deep\x.txt)"},
      {LR"(\\?\UNC\nas\films)", LR"(x.txt)", LR"(\\?\UNC\nas\films\x.txt)"},
      {LR"()", LR"(x.txt)", LR"(x.txt)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Shown(ExtendedWindowsPath(c.path, c.here)), Shown(c.extended))
        << Shown(c.path) << " in " << Shown(c.here);
  }
}

}  // namespace
}  // namespace kestrane
