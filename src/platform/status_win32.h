// Statuses from Win32 errors, in the words of the system, for the Win32 file system and its
// open files.
#pragma once

#ifndef UNICODE
#define UNICODE
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace kestrane::win32 {

// A path as messages show it: UTF-8, or WTF-8 for a name that is not valid UTF-16.
std::string PathText(const std::filesystem::path& path);

// What the last failed call left: its Win32 error and the NT status it was made from, which
// tells apart what Win32 folds into one error.
struct SystemError {
  DWORD error = 0;
  LONG nt_status = 0;
};

// Read at once after the failed call, before another call overwrites them.
SystemError LastError();

// "<operation> <path>: <the system's words for the error>", of the kind the error stands for.
Status SystemStatus(std::string_view operation, const std::filesystem::path& path, DWORD error);
Status SystemStatus(std::string_view operation, const std::filesystem::path& path,
                    SystemError last);

// kNotRegular for `path`, which is a folder, device or link.
Status NotRegular(std::string_view operation, const std::filesystem::path& path);

// A move's failure, naming both of its paths.
Status MoveStatus(const std::filesystem::path& from, const std::filesystem::path& to,
                  SystemError last);

}  // namespace kestrane::win32
