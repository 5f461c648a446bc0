#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "convert/beside_conversion.h"
#include "convert/file_identity.h"
#include "convert/restore_batch.h"
#include "convert/side_file_names.h"
#include "convert/source_names.h"
#include "walk/convert_folder.h"
#include "walk/walk_tree.h"
#include "walk/workers.h"

namespace kestrane {
namespace {

// A walk that restores: the backups it meets go by batches to the workers, each folder of a
// batch synced once, and the results are reported in the order the walk met them.
class FolderRestore {
 public:
  FolderRestore(FileSystem& fs, const ConvertOptions& options, const WalkOptions& walk,
                const WalkObserver& observer)
      : fs_(fs),
        options_(options),
        observer_(observer),
        batch_files_(std::max<std::size_t>(1, walk.batch_files)),
        workers_(fs, WorkersFor(walk.jobs)),
        sources_(walk.sources) {}

  void Run(const std::filesystem::path& folder, const std::filesystem::path& name);

 private:
  TreeVisitor Visitor();
  void Add(RestoreTask task) {
    tasks_.push_back(std::move(task));
    met_beside_.push_back(false);
    if (met_beside_.size() >= batch_files_) RunBatch();
  }
  void AddBeside(std::filesystem::path source) {
    beside_.push_back(std::move(source));
    met_beside_.push_back(true);
    if (met_beside_.size() >= batch_files_) RunBatch();
  }
  void RunBatch();
  void RunBeside();
  void RunRestores();

  FileSystem& fs_;
  const ConvertOptions& options_;
  const WalkObserver& observer_;
  const std::size_t batch_files_;
  Workers workers_;
  std::vector<RestoreTask> tasks_;
  std::vector<std::optional<FileResult>> task_results_;
  // Sources whose list beside them goes when it is proven theirs.
  const SourceKinds sources_;
  std::vector<std::filesystem::path> beside_;
  std::vector<std::optional<FileResult>> beside_results_;
  // For each file of the batch in the order the walk met it, whether it is a source beside: the
  // order of the reports.
  std::vector<bool> met_beside_;
  // What the listings of the folders not yet done showed (ListForRestore), until the walk visits
  // those entries.
  std::unordered_set<std::filesystem::path::string_type> converted_;
  std::unordered_set<std::filesystem::path::string_type> covered_;
};

void FolderRestore::Run(const std::filesystem::path& folder, const std::filesystem::path& name) {
  auto one = [this](const std::filesystem::path& path) {
    if (IsBackupName(path.filename())) {
      Add({path});
    } else if (IsInputName(path.filename())) {
      Add({BackupPathFor(path)});
    } else if (IsBesideSourceName(path.filename()) && !Missing(fs_, path)) {
      // A source that is not there has no list of its own: like any other name, ignored.
      AddBeside(path);
    }
  };
  // As a conversion's walk: no path of it leads through a link put in place of a folder.
  const std::unique_ptr<FolderHandles> tree = fs_.HoldTree(folder);
  WalkFolderOrName(fs_, folder, name, Visitor(), one);
  RunBatch();
}

TreeVisitor FolderRestore::Visitor() {
  TreeVisitor visitor;
  visitor.wants = [this](const DirEntry& entry) {
    return IsBackupName(entry.name) || IsAsideName(entry.name) || IsPrivateName(entry.name) ||
           IsTakenSource(entry.name, sources_);
  };
  visitor.listed = [this](const std::filesystem::path& dir, const std::vector<DirEntry>& entries) {
    ListedForRestore listed = ListForRestore(entries);
    for (const std::filesystem::path& backup : listed.converted)
      converted_.insert((dir / backup).native());
    for (const std::filesystem::path& aside : listed.asides_with_backup)
      covered_.insert((dir / aside).native());
  };
  // A restore that stopped once the backup was back leaves only the converted file it set
  // aside to show it; with the backup there, the backup's entry does the whole restore, and the
  // two must not race each other on the workers.
  visitor.visit = [this](std::filesystem::path path, const DirEntry& entry) {
    if (IsTakenSource(entry.name, sources_)) {
      AddBeside(std::move(path));
    } else if (IsBackupName(entry.name)) {
      const bool listed = converted_.erase(path.native()) != 0;
      Add({std::move(path), false, listed});
    } else if (covered_.erase(path.native()) == 0) {
      Add({BackupPathFor(InputPathFor(path)), true});
    }
  };
  // A folder error is reported after the files the walk met before it.
  visitor.on_folder_error = [this](const std::filesystem::path& dir, const Status& status) {
    RunBatch();
    if (observer_.on_folder_error) observer_.on_folder_error(dir, status);
  };
  return visitor;
}

void FolderRestore::RunBatch() {
  RunBeside();
  task_results_.clear();
  if (!tasks_.empty()) RunRestores();
  std::size_t task = 0, beside = 0;
  for (const bool is_beside : met_beside_) {
    const std::filesystem::path& path = is_beside ? beside_[beside] : tasks_[task].backup;
    const std::optional<FileResult>& result =
        is_beside ? beside_results_[beside++] : task_results_[task++];
    if (result && observer_.on_file) observer_.on_file(path, *result);
  }
  tasks_.clear();
  beside_.clear();
  met_beside_.clear();
}

void FolderRestore::RunRestores() {
  RestoreBatch batch(fs_, options_, tasks_.size());
  const bool alone = tasks_.size() == 1;
  workers_.Run(
      tasks_.size(), [&](std::size_t slot) { batch.Prepare(slot, tasks_[slot]); }, alone);
  task_results_ =
      batch.Finish([&](std::size_t count, const std::function<void(std::size_t)>& each) {
        workers_.Run(count, each, alone || count == 1);
      });
}

void FolderRestore::RunBeside() {
  beside_results_.assign(beside_.size(), std::nullopt);
  if (beside_.empty()) return;
  // Two sources of one name share one list: at once, which of them finds it would be left to
  // the threads. Each after the first waits, so the one the walk met first decides, as alone.
  std::unordered_set<std::filesystem::path::string_type> lists;
  std::vector<std::size_t> first, later;
  for (std::size_t i = 0; i < beside_.size(); ++i)
    (lists.insert(ListPathFor(beside_[i]).native()).second ? first : later).push_back(i);
  const auto restore = [&](std::size_t i) {
    beside_results_[i] = RestoreBeside(fs_, beside_[i], options_);
  };
  workers_.Run(
      first.size(), [&](std::size_t k) { restore(first[k]); }, first.size() == 1);
  for (std::size_t i : later)
    restore(i);
}

}  // namespace

void RestoreBackups(FileSystem& fs, const std::filesystem::path& folder,
                    const std::filesystem::path& name, const ConvertOptions& options,
                    const WalkObserver& observer, const WalkOptions& walk) {
  FolderRestore(fs, options, walk, observer).Run(folder, name);
}

}  // namespace kestrane
