// What a name holds now, and whether it is still the file a run holds open: the looks every
// move and removal of ours rests on. A name checked a moment earlier proves nothing by itself;
// these compare under the claim (claim.h), just before the step that needs them.
#pragma once

#include <filesystem>

#include "platform/file_system.h"

namespace kestrane {

// Whether anything has the name; whether a regular file has it; whether the system says that
// nothing has it (a look that fails otherwise is not "missing").
bool Exists(FileSystem& fs, const std::filesystem::path& path);
bool IsFile(FileSystem& fs, const std::filesystem::path& path);
bool Missing(FileSystem& fs, const std::filesystem::path& path);

// Whether `a` and `b` describe the same file, unchanged: kind, size and time, and the identity
// where both tell theirs.
bool SameFile(const FileInfo& a, const FileInfo& b);

// Whether `now` is the file `then` describes, by identity where both tell theirs; its bytes may
// have changed.
bool SameIdentity(const FileInfo& now, const FileInfo& then);

// Whether `path` still names the file that `file` holds open. Its bytes may have changed (the
// check before the moves notices that); another run's moves give the name another file.
bool StillNames(FileSystem& fs, const std::filesystem::path& path, const ReadableFile& file);

}  // namespace kestrane
