// The fallbacks that MoveNoReplace takes on file systems that refuse an atomic no-replace
// rename, declared apart so that tests can run them on an ordinary disk.
#pragma once

#include <filesystem>

#include "platform/status.h"

namespace kestrane::posix {

// link() then unlink(): for file systems without renameat2's RENAME_NOREPLACE.
Status MoveByLink(const std::filesystem::path& from, const std::filesystem::path& to);

// A copy that keeps bytes, permissions and modification time, then unlink(): for file systems
// without hard links. The identity changes; on failure the partial copy is removed.
Status MoveByCopy(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace kestrane::posix
