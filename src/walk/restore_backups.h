// The undo of a conversion: puts each backup name.txt_original back as name.txt.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "platform/file_system.h"

namespace kestrane {

struct RestoreResult {
  enum class Kind { kRestored, kSkipped, kFailed };
  enum class Reason {
    kNone,  // restored
    // Skipped: nothing was touched.
    kNoBackup,       // name.txt_original is not there
    kNotRegular,     // the backup is a folder, link, FIFO or device
    kTargetNotFile,  // name.txt is a folder, link, FIFO or device
    kNotConverted,   // name.txt does not look converted: it may be the only copy of its text
    // Failed: the backup's bytes are still under the backup name.
    kStat,    // the backup or name.txt could not be examined
    kRead,    // reading name.txt to see whether it is converted
    kRemove,  // removing the converted name.txt
    kMove,    // moving the backup to name.txt
  };

  Kind kind = Kind::kRestored;
  Reason reason = Reason::kNone;
  std::string message;  // the system's words, for failures

  bool restored() const { return kind == Kind::kRestored; }
};

// Short words for a reason: "no backup", "removing the converted file"...
const char* Describe(RestoreResult::Reason reason);

// The name a backup restores to: name.txt_original gives name.txt; any other name is returned
// as it is.
std::filesystem::path RestoredPathFor(const std::filesystem::path& backup);

// Puts `backup` (a name ending in .txt_original; anything else is skipped as no backup) back
// under its input's name. The converted file under that name is removed first; the backup is then
// moved without replacing anything, so its bytes are never lost, even when another program races
// it. A name.txt that does not look converted (no UTF-8 byte-order mark, or a SubRip time arrow
// "-->" in it) is left alone, since a file skipped for its existing backup still holds text of
// its own. With `dry_run` only examines.
RestoreResult RestoreBackup(FileSystem& fs, const std::filesystem::path& backup, bool dry_run);

struct RestoreObserver {
  std::function<void(const std::filesystem::path& backup, const RestoreResult& result)> on_backup;
  std::function<void(const std::filesystem::path& folder, const Status& status)> on_folder_error;
};

// With an empty `name`, restores every backup (*.txt_original, any letter case) in the tree
// under `folder`, walked as the conversion walks it; a drive's root or / is refused. With a
// `name`, restores folder/name when it is a backup, the backup of folder/name when it is an
// input (name.txt), or the whole tree when it is a folder; any other name is ignored.
void RestoreBackups(FileSystem& fs, const std::filesystem::path& folder,
                    const std::filesystem::path& name, bool dry_run,
                    const RestoreObserver& observer = {});

}  // namespace kestrane
