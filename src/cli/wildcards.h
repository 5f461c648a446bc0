// Wildcards in command-line arguments. A POSIX shell expands them before the program starts;
// Windows' shells pass them on, so kestrane-cli expands them itself there, as a shell would.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace kestrane {

// Whether `name` matches `pattern`, * standing for any run of characters and ? for one. Both
// are compared character by character, exactly: pass them through the system's case folding
// first where letter case does not count.
bool MatchesWildcard(std::string_view name, std::string_view pattern);

// The arguments (UTF-8, program first) with each wildcard argument replaced by the paths it
// matches, in order of their folded names. Only the last name of an argument may hold wildcards
// (*.txt, sub\*.txt, D:*.txt). An option (-x), an argument that names an existing entry as it is,
// and a pattern that matches nothing stay as they are. `fold` maps a name to the form in which
// letter case no longer counts.
std::vector<std::string> ExpandWildcards(std::vector<std::string> args, FileSystem& fs,
                                         std::string (*fold)(std::string_view));

}  // namespace kestrane
