// What file systems without an atomic no-replace rename still offer: a hard link, and a copy.
// Declared apart so that tests can run them on an ordinary disk; the move ladder
// (convert/move_ladder.h) builds safe moves from them.
#pragma once

#include <filesystem>

#include "platform/status.h"

namespace kestrane::posix {

// linkat() without following links: kUnsupported where the file system has no hard links.
Status LinkNew(const std::filesystem::path& from, const std::filesystem::path& to);

// A new file `to` with the bytes, owner, permissions and modification time of `from`, synced;
// kNotRegular for anything but a regular file. On failure the partial copy is removed.
Status CopyNew(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace kestrane::posix
