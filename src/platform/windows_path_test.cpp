#include "platform/windows_path.h"

#include <gtest/gtest.h>

#include <utility>

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
    std::wstring current = LR"(C:\work\here)";
  } cases[] = {
      {LR"(C:\a\b.txt)", LR"(C:\a\b.txt)", LR"(\\?\C:\a\b.txt)"},
      {LR"(c:/a//b/./c/../d\)", LR"(c:\a\b\d)", LR"(\\?\c:\a\b\d)"},
      {LR"(C:\..\..\)", LR"(C:\)", LR"(\\?\C:\)"},
      // NAS devices make names that end in a dot or a space; the plain form would drop both.
      {LR"(C:\Vol. \Ep. 1.\x.txt )", LR"(C:\Vol. \Ep. 1.\x.txt )",
       LR"(\\?\C:\Vol. \Ep. 1.\x.txt )"},
      {LR"(C:\a\...\b)", LR"(C:\a\...\b)", LR"(\\?\C:\a\...\b)"},
      {LR"(\\nas\films\a\..\..\b.txt)", LR"(\\nas\films\b.txt)", LR"(\\?\UNC\nas\films\b.txt)"},
      {LR"(//nas/films)", LR"(\\nas\films\)", LR"(\\?\UNC\nas\films\)"},
      {LR"(\\?\C:\a\..\b)", LR"(\\?\C:\a\..\b)", LR"(\\?\C:\a\..\b)"},
      {LR"(\\.\COM1)", LR"(\\.\COM1)", LR"(\\.\COM1)"},
      {LR"(..\..\x. )", LR"(C:\x. )", LR"(\\?\C:\x. )"},
      {LR"(.)", LR"(C:\work\here)", LR"(\\?\C:\work\here)"},
      {LR"(\top\x)", LR"(C:\top\x)", LR"(\\?\C:\top\x)"},
      {LR"(c:rel)", LR"(C:\work\here\rel)", LR"(\\?\C:\work\here\rel)"},
      // Relative to drive D:'s own current folder, which only the system knows.
      {LR"(D:rel)", LR"(D:rel)", LR"(D:rel)"},
      {LR"(..\x)", LR"(\\nas\films\x)", LR"(\\?\UNC\nas\films\x)", LR"(\\nas\films\season)"},
      {LR"(\x)", LR"(\\nas\films\x)", LR"(\\?\UNC\nas\films\x)", LR"(\\nas\films)"},
      {LR"(x)", LR"(C:\deep\x)", LR"(\\?\C:\deep\x)", LR"(\\?\C:\deep)"},
      {LR"(x)", LR"(\\nas\films\x)", LR"(\\?\UNC\nas\films\x)", LR"(\\?\UNC\nas\films)"},
      // Nothing to make them absolute with.
      {LR"(x)", LR"(x)", LR"(x)", LR"()"},
      {LR"(\\nas\)", LR"(\\nas\)", LR"(\\nas\)"},
  };
  for (const Case& c : cases) {
    const std::string name = Shown(c.path) + " in " + Shown(c.current);
    EXPECT_EQ(Shown(AbsoluteWindowsPath(c.path, c.current)), Shown(c.absolute)) << name;
    EXPECT_EQ(Shown(ExtendedWindowsPath(c.path, c.current)), Shown(c.extended)) << name;
  }
}

// The command line as PowerShell writes it, and as the runtime must read it.
TEST(WindowsPath, AQuotedFolderEndsWhereItWasMeantTo) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {LR"(k.exe "D:\My Subs\")", LR"(k.exe "D:\My Subs\\")"},
      {LR"(k.exe "D:\My Subs\" -n "E:\Old Subs\")", LR"(k.exe "D:\My Subs\\" -n "E:\Old Subs\\")"},
      {L"k.exe \"D:\\\"\t-n", L"k.exe \"D:\\\\\"\t-n"},
      // Already right, or a quote within an argument: left alone.
      {LR"(k.exe "D:\My Subs\\" D:\Subs "a\"b" -n)", LR"(k.exe "D:\My Subs\\" D:\Subs "a\"b" -n)"},
  };
  for (const auto& [line, expected] : cases)
    EXPECT_EQ(Shown(WithClosingQuotesMended(line)), Shown(expected)) << Shown(line);
}

}  // namespace
}  // namespace kestrane
