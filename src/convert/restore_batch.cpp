#include "convert/restore_batch.h"

#include <map>
#include <utility>

#include "convert/restore_in_place.h"
#include "convert/side_file_names.h"

namespace kestrane {

void RestoreBatch::Prepare(std::size_t slot, const RestoreTask& task) {
  folders_[slot] = FolderOf(task.backup);
  if (task.left_aside_only) {
    results_[slot] = FinishRestore(fs_, InputPathFor(task.backup), options_);
  } else {
    results_[slot] = RestoreMoves(fs_, task.backup, options_, task.listed);
  }
}

std::vector<std::optional<FileResult>> RestoreBatch::Finish(
    const ConversionBatch::RunSlots& run_slots) {
  // The folders in the order first met, each with the slots whose restores moved files there.
  std::vector<std::pair<std::filesystem::path, std::vector<std::size_t>>> folders;
  std::map<std::filesystem::path, std::size_t> index_of;
  for (std::size_t slot = 0; slot < results_.size(); ++slot) {
    if (options_.dry_run || !results_[slot] || !results_[slot]->done()) continue;
    auto [it, added] = index_of.try_emplace(folders_[slot], folders.size());
    if (added) folders.emplace_back(folders_[slot], std::vector<std::size_t>());
    folders[it->second].second.push_back(slot);
  }
  // Each folder is one slot of its own, so the results a failed sync changes are its own.
  const auto sync = [&](std::size_t index) {
    const Status status = fs_.SyncDir(folders[index].first);
    if (status.ok()) return;
    // Restored all the same; a rerun would only say "no backup".
    for (std::size_t slot : folders[index].second)
      results_[slot] = FileResult::Warned(*results_[slot], FileResult::Reason::kSyncFolder, status);
  };
  if (run_slots) {
    run_slots(folders.size(), sync);
  } else {
    for (std::size_t index = 0; index < folders.size(); ++index)
      sync(index);
  }
  return std::move(results_);
}

}  // namespace kestrane
