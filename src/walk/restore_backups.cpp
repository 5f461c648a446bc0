#include "walk/restore_backups.h"

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "convert/convert_file.h"
#include "walk/walk_tree.h"

namespace kestrane {
namespace {

constexpr std::string_view kBackupSuffix = ".txt_original";
constexpr std::size_t kOriginalLength = sizeof("_original") - 1;

// Whether `path` reads like the converter's output rather than a subtitle input. Converted text
// starts with a UTF-8 byte-order mark and has every cue on one line, with no "-->" left; a UTF-16
// input has no such mark, an input in UTF-8 with the mark keeps its arrows.
Status LooksConverted(FileSystem& fs, const std::filesystem::path& path, bool* converted) {
  *converted = false;
  std::unique_ptr<ReadableFile> file;
  Status status = fs.OpenForRead(path, &file);
  if (!status.ok()) return status;
  std::string head;    // the first three bytes
  std::string window;  // the last two bytes read before, then the bytes of this read
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    std::size_t got = 0;
    status = file->Read(buffer.data(), buffer.size(), &got);
    if (!status.ok()) return status;
    if (got == 0) break;
    const std::string_view chunk(buffer.data(), got);
    if (head.size() < 3) head.append(chunk.substr(0, 3 - head.size()));
    window.append(chunk);
    if (window.find("-->") != std::string::npos) return Status::Ok();
    window.erase(0, window.size() - std::min<std::size_t>(window.size(), 2));
  }
  *converted = head == "\xEF\xBB\xBF";
  return Status::Ok();
}

RestoreResult Skipped(RestoreResult::Reason reason) {
  return {RestoreResult::Kind::kSkipped, reason, {}};
}

RestoreResult Failed(RestoreResult::Reason reason, const Status& status) {
  return {RestoreResult::Kind::kFailed, reason, status.message()};
}

}  // namespace

const char* Describe(RestoreResult::Reason reason) {
  switch (reason) {
    case RestoreResult::Reason::kNone:
      return "restored";
    case RestoreResult::Reason::kNoBackup:
      return "no backup";
    case RestoreResult::Reason::kNotRegular:
      return "backup not a regular file";
    case RestoreResult::Reason::kTargetNotFile:
      return "name taken by a folder or link";
    case RestoreResult::Reason::kNotConverted:
      return "not converted";
    case RestoreResult::Reason::kStat:
      return "examining the files";
    case RestoreResult::Reason::kRead:
      return "reading the converted file";
    case RestoreResult::Reason::kRemove:
      return "removing the converted file";
    case RestoreResult::Reason::kMove:
      return "moving the backup back";
  }
  return "?";
}

std::filesystem::path RestoredPathFor(const std::filesystem::path& backup) {
  auto text = backup.native();
  if (!EndsWithIgnoringCase(backup, kBackupSuffix)) return backup;
  text.resize(text.size() - kOriginalLength);
  return std::filesystem::path(std::move(text));
}

RestoreResult RestoreBackup(FileSystem& fs, const std::filesystem::path& backup, bool dry_run) {
  // Any other name would be its own target, and removing the target would remove it.
  if (!EndsWithIgnoringCase(backup, kBackupSuffix))
    return Skipped(RestoreResult::Reason::kNoBackup);
  FileInfo info;
  Status status = fs.Stat(backup, &info);
  if (status.code() == Status::Code::kNotFound) return Skipped(RestoreResult::Reason::kNoBackup);
  if (!status.ok()) return Failed(RestoreResult::Reason::kStat, status);
  if (info.kind != EntryKind::kFile) return Skipped(RestoreResult::Reason::kNotRegular);

  const std::filesystem::path target = RestoredPathFor(backup);
  status = fs.Stat(target, &info);
  const bool present = status.ok();
  if (present && info.kind != EntryKind::kFile) {
    return Skipped(RestoreResult::Reason::kTargetNotFile);
  }
  if (!present && status.code() != Status::Code::kNotFound) {
    return Failed(RestoreResult::Reason::kStat, status);
  }
  if (present) {
    bool converted = false;
    status = LooksConverted(fs, target, &converted);
    if (!status.ok()) return Failed(RestoreResult::Reason::kRead, status);
    if (!converted) return Skipped(RestoreResult::Reason::kNotConverted);
  }
  if (dry_run) return {};

  // The converted file is derived from the backup, so it may go first: until the move below
  // the original bytes stay under the backup name, and a move that fails leaves them there.
  if (present) {
    status = fs.Remove(target);
    if (!status.ok()) return Failed(RestoreResult::Reason::kRemove, status);
  }
  status = fs.MoveNoReplace(backup, target);
  if (!status.ok()) return Failed(RestoreResult::Reason::kMove, status);
  return {};
}

void RestoreBackups(FileSystem& fs, const std::filesystem::path& folder,
                    const std::filesystem::path& name, bool dry_run,
                    const RestoreObserver& observer) {
  auto restore = [&](const std::filesystem::path& backup) {
    RestoreResult result = RestoreBackup(fs, backup, dry_run);
    if (observer.on_backup) observer.on_backup(backup, result);
  };

  std::filesystem::path start = folder;
  if (!name.empty()) {
    std::filesystem::path path = folder / name;
    FileInfo info;
    if (!fs.Stat(path, &info).ok() || info.kind != EntryKind::kDirectory) {
      if (EndsWithIgnoringCase(path.filename(), kBackupSuffix)) {
        restore(path);
      } else if (EndsWithIgnoringCase(path.filename(), ".txt")) {
        restore(BackupPathFor(path));
      }
      return;
    }
    start = std::move(path);
  }

  TreeVisitor visitor;
  visitor.wants = [](const DirEntry& entry) {
    return EndsWithIgnoringCase(entry.name, kBackupSuffix);
  };
  visitor.visit = [&](const std::filesystem::path& path, const DirEntry&) { restore(path); };
  visitor.on_folder_error = observer.on_folder_error;
  WalkTree(fs, start, visitor);
}

}  // namespace kestrane
