// The application's command line on Windows, where the program reads it whole from the system
// rather than from the runtime's argument vector.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrane {

// The arguments of `command_line`, GetCommandLineW's, program first, as WTF-8 for
// RunApplication. Split by the system's rules, except that a \" ending an argument is the
// backslash and closing quote it was meant as (see WithClosingQuotesMended): Explorer's "%V" for
// a drive's root is "C:\". Empty when the system cannot split it. Windows only.
std::vector<std::string> ArgumentsOfCommandLine(std::wstring_view command_line);

}  // namespace kestrane
