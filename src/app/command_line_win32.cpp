#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "app/command_line.h"
#include "platform/text.h"
#include "platform/windows_path.h"

namespace kestrane {

std::vector<std::string> ArgumentsOfCommandLine(std::wstring_view command_line) {
  const std::wstring mended = WithClosingQuotesMended(command_line);
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(mended.c_str(), &count);
  if (wide == nullptr) return {};
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i)
    args.push_back(Utf16ToWtf8(wide[i]));
  LocalFree(wide);
  return args;
}

}  // namespace kestrane
