// Windows paths as text, so that the rules can be tested on any system. The Win32 file system
// hands every path to the system in the \\?\ form: past MAX_PATH characters the plain form fails,
// and the plain form drops a name's trailing dots and spaces, which names made on NAS devices
// and by other systems have.
#pragma once

#include <string>
#include <string_view>

namespace kestrane {

// `path` made absolute against `current_dir` (an absolute folder, used only when `path` is not
// absolute) and normalised: backslashes, no repeated separators, no "." or "..", nothing past a
// drive's root or a share. Unlike GetFullPathNameW, every name is kept as it is, trailing dots
// and spaces included. A path already in the \\?\ or \\.\ form, a drive-relative one ("D:x") on
// another drive than `current_dir`'s, and one without a usable root come back unchanged.
std::wstring AbsoluteWindowsPath(std::wstring_view path, std::wstring_view current_dir);

// The same path in the form the system takes literally: \\?\C:\... or \\?\UNC\server\share\...
std::wstring ExtendedWindowsPath(std::wstring_view path, std::wstring_view current_dir);

// A command line with every \" that ends an argument (before a space, a tab or the end of the
// line) read as the backslash and closing quote it was meant as, for CommandLineToArgvW. The
// runtime's rules take \" for a quote within the argument, so a quoted folder ending in a
// backslash swallows the rest of the line: Windows PowerShell 5.1 passes 'D:\My Subs\' as
// "D:\My Subs\", and Explorer puts a drive's root into "%V" as C:\, so that "C:\" /fps:25 would
// be one argument C:" /fps:25. No Windows name holds a ", so nothing meant is lost.
std::wstring WithClosingQuotesMended(std::wstring_view command_line);

}  // namespace kestrane
