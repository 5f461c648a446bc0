#include "walk/convert_folder.h"

#include <optional>
#include <utility>

#include "convert/side_files.h"
#include "walk/walk_tree.h"

namespace kestrane {
namespace {

// With a name, folder/name alone goes to `one`, unless it is a folder, which is walked as a
// whole; without, the whole tree under `folder`. A name holding * or ? is taken literally: it
// names that one file, not a pattern.
void WalkFolderOrName(FileSystem& fs, const std::filesystem::path& folder,
                      const std::filesystem::path& name, TreeVisitor visitor,
                      const std::function<void(const std::filesystem::path&)>& one,
                      const WalkObserver& observer) {
  std::filesystem::path start = folder;
  if (!name.empty()) {
    std::filesystem::path path = folder / name;
    FileInfo info;
    if (!fs.Stat(path, &info).ok() || info.kind != EntryKind::kDirectory) {
      one(path);
      return;
    }
    start = std::move(path);
  }
  visitor.on_folder_error = observer.on_folder_error;
  WalkTree(fs, start, visitor);
}

}  // namespace

void ConvertFolder(FileSystem& fs, const std::filesystem::path& folder,
                   const std::filesystem::path& name, const ConvertOptions& options,
                   const WalkObserver& observer) {
  auto report = [&](const std::filesystem::path& input, const FileResult& result) {
    if (observer.on_file) observer.on_file(input, result);
  };
  TreeVisitor visitor;
  // Only names ending in .txt are inputs, so a backup or x.srt never reaches the converter and
  // no input is converted twice in one walk. Links and FIFOs named *.txt included: the
  // converter opens nothing but regular files and reports the others as skipped, which tells the
  // user why they were left alone.
  visitor.wants = [](const DirEntry& entry) {
    return IsInputName(entry.name) || IsWorkName(entry.name);
  };
  visitor.visit = [&](const std::filesystem::path& path, const DirEntry& entry) {
    if (IsInputName(entry.name)) {
      report(path, ConvertFile(fs, path, options));
      return;
    }
    // A run stopped between its two moves leaves the backup and the work file but no input:
    // only the work file's entry shows that the input is unfinished. RecoverFile does nothing
    // when the input exists, so an input is still handled once, by its own entry.
    const std::filesystem::path input = InputPathFor(path);
    if (std::optional<FileResult> result = RecoverFile(fs, input, options)) report(input, *result);
  };
  // Missing files, links and FIFOs go to the converter too, which skips them and says why; it
  // also finishes an interrupted conversion of the name.
  auto one = [&](const std::filesystem::path& input) {
    if (IsInputName(input.filename())) report(input, ConvertFile(fs, input, options));
  };
  WalkFolderOrName(fs, folder, name, std::move(visitor), one, observer);
}

void RestoreBackups(FileSystem& fs, const std::filesystem::path& folder,
                    const std::filesystem::path& name, bool dry_run, const WalkObserver& observer) {
  auto restore = [&](const std::filesystem::path& backup) {
    FileResult result = RestoreInPlace(fs, backup, dry_run);
    if (observer.on_file) observer.on_file(backup, result);
  };
  TreeVisitor visitor;
  visitor.wants = [](const DirEntry& entry) { return IsBackupName(entry.name); };
  visitor.visit = [&](const std::filesystem::path& path, const DirEntry&) { restore(path); };
  auto one = [&](const std::filesystem::path& path) {
    if (IsBackupName(path.filename())) {
      restore(path);
    } else if (IsInputName(path.filename())) {
      restore(BackupPathFor(path));
    }
  };
  WalkFolderOrName(fs, folder, name, std::move(visitor), one, observer);
}

}  // namespace kestrane
