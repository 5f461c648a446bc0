// The spelling of a file the user named: the disk's, never the typing's.
#pragma once

#include <filesystem>

#include "platform/file_system.h"

namespace kestrane {

// `named` (a folder joined with a name the user typed, picked or gave by its 8.3 short name) with
// its last name spelled as the disk spells its trio (side_file_names.h), so that every name built
// from it belongs to a file that is there: where `named` exists, its own spelling (the long name
// for a short one, which may be a backup's); where an input (x.txt) does not, its backup's, less
// the suffix. Every state that leaves a missing input something to do keeps its backup. Anything
// else comes back as it is, and so does every name where the system has one spelling for each.
std::filesystem::path SpelledAsOnDisk(FileSystem& fs, const std::filesystem::path& named);

}  // namespace kestrane
