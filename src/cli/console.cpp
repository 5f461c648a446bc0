#include "cli/console.h"

namespace kestrane {

std::string WithPowerShellQuotesMended(std::string_view command_line) {
  std::string mended;
  std::size_t backslashes = 0;
  for (std::size_t i = 0; i < command_line.size(); ++i) {
    const char c = command_line[i];
    if (c == '"' && backslashes % 2 == 1) {
      const char next = i + 1 < command_line.size() ? command_line[i + 1] : ' ';
      // An even run of backslashes before a quote stands for half as many, and the quote ends
      // the argument.
      if (next == ' ' || next == '\t') mended += '\\';
    }
    backslashes = c == '\\' ? backslashes + 1 : 0;
    mended += c;
  }
  return mended;
}

}  // namespace kestrane
