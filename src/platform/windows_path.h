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

}  // namespace kestrane
