// What the command-line tool needs of the platform beyond the file system: its arguments, its
// two output streams, and paths as the user types and reads them. One implementation per
// platform (console_posix.cpp, console_win32.cpp).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kestrane {

class Console {
 public:
  virtual ~Console() = default;
  // Text is UTF-8; each call writes it whole.
  virtual void Out(std::string_view text) = 0;
  virtual void Err(std::string_view text) = 0;
  // Whether standard error shows on a screen, where a progress line can redraw itself.
  virtual bool ErrIsTerminal() = 0;
};

Console& SystemConsole();

// The arguments, program name first, as UTF-8. Windows reads them as UTF-16 from the system, so
// names outside the ANSI code page arrive intact; names that are not valid UTF-16 arrive in
// WTF-8, which PathFromArg turns back into the same name. There a \" that ends an argument is
// the backslash and closing quote it was meant as (see WithClosingQuotesMended).
std::vector<std::string> CommandLineArgs(int argc, char** argv);

std::filesystem::path PathFromArg(std::string_view arg);
// A path for messages, in UTF-8 and with the platform's own separators.
std::string PathText(const std::filesystem::path& path);

}  // namespace kestrane
