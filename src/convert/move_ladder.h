// How a name changes hands without ever taking what is not ours: a move into a free name, and a
// removal, each done on every file system, whether it has an atomic no-replace rename, only hard
// links, or neither.
//
// The ladder of a move from -> to:
//   1. the system's no-replace rename, where it has one;
//   2. else a hard link to `to`, then the old name dropped: taken to the private name
//      name.txt_gone by a plain rename (one step: whatever `from` holds goes there), its
//      identity compared with the file moved, removed if ours, put back if another program had
//      saved over `from` between the steps;
//   3. else (no links) a complete copy written and synced under the private name
//      name.txt_copying, claimed, and only then renamed to `to`, and the old name dropped as in 2.
// The target is never made under its real name before it is complete, and no name is removed
// that does not hold our file. A cut leaves a private name or two names of one file, which the
// next run finishes or undoes (interrupted_moves.h).
//
// Where the system has neither a no-replace rename nor links, nothing puts a complete file into
// a free name in one step: the copy goes in by a look that `to` is free and a rename right
// after, the narrowest window the system allows. A file another program creates at `to` between
// those two calls is replaced.
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "platform/file_system.h"

namespace kestrane {

// The claims taken on copies made by the ladder: they are new files, which the claim on the
// original does not cover, so the run holds them too until its moves are done.
using CopyClaims = std::vector<std::unique_ptr<ReadableFile>>;

// Moves the regular file at `from` to the free name `to` in the same folder and trio. kExists
// when `to` is taken; on any failure the file is still at `from`, or, after a cut or a failed
// drop, at both names. `claims`, when given, keeps the claim on a copy.
Status MoveToFreeName(FileSystem& fs, const std::filesystem::path& from,
                      const std::filesystem::path& to, CopyClaims* claims = nullptr);

// Removes the file at `path` only while it is the file `ours` describes: the name is taken to the
// private name first and compared there, by identity alone or, with `unchanged`, also by size
// and time. Another file found there goes back to `path`. Nothing at `path` is no failure.
// With `kept_at`, the file goes only while that name still holds it too: only a second name is
// dropped. *removed, when given, tells whether our file went.
Status RemoveIfOurs(FileSystem& fs, const std::filesystem::path& path, const FileInfo& ours,
                    bool unchanged, bool* removed = nullptr,
                    const std::filesystem::path* kept_at = nullptr);

}  // namespace kestrane
