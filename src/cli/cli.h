// kestrane-cli: converts, or restores, the subtitle files of the folders and files it is given,
// without a user interface, for scripts and servers.
#pragma once

#include <string>
#include <vector>

#include "cli/console.h"
#include "platform/file_system.h"

namespace kestrane {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // a file failed, or a folder could not be read
inline constexpr int kExitUsage = 2;   // bad options, no path, a path that is not there

// Runs the tool with `args` (program name first, UTF-8 as CommandLineArgs gives them) and
// returns the exit status. Every path is checked before anything is converted, so a mistyped
// one stops the run before it starts.
int RunCli(const std::vector<std::string>& args, FileSystem& fs, Console& console);

}  // namespace kestrane
