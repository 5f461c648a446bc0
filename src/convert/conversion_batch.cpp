#include "convert/conversion_batch.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <utility>

#include "convert/file_identity.h"
#include "convert/in_place_conversion.h"
#include "convert/side_file_names.h"

namespace kestrane {

// The batch's folders, each with its slots, in the order first met, and how many of each are
// still to move.
struct ConversionBatch::Folders {
  std::vector<std::pair<std::filesystem::path, std::vector<std::size_t>>> list;
  std::vector<std::size_t> index_of_slot;
  std::unique_ptr<std::atomic<std::size_t>[]> unmoved;
};

// One sync of each file system the batch wrote to, through a folder of the batch on it, by
// device. The work file is beside its input, so on the input's device.
struct ConversionBatch::Barriers {
  struct Barrier {
    std::vector<std::filesystem::path> folders;
    bool synced = false;  // else each work file syncs itself
    Status failed;
  };
  std::map<std::uint64_t, Barrier> by_device;
};

ConversionBatch::ConversionBatch(FileSystem& fs, const ConvertOptions& options, Converter convert,
                                 std::size_t size)
    : fs_(fs),
      options_(options),
      convert_(std::move(convert)),
      pending_(size),
      results_(size),
      inputs_(size) {}

ConversionBatch::~ConversionBatch() = default;

// The input's own entry speaks for it when it is there; else the first of its work file, its
// file set aside and its backup that exists.
bool ConversionBatch::LeftInterrupted(const ConversionTask& task) {
  FileInfo info;
  if (!Missing(fs_, task.input)) return false;
  if (!fs_.Stat(BackupPathFor(task.input), &info).ok() || info.kind != EntryKind::kFile) {
    return false;
  }
  const bool backup = IsBackupName(task.side_file), aside = IsAsideName(task.side_file);
  if (Exists(fs_, WorkPathFor(task.input)) ? backup || aside : !backup && !aside) return false;
  return !(backup && IsFile(fs_, AsidePathFor(task.input)));
}

// Whether the input of `slot` is the file that a slot of this batch began with under another
// name: no slot moves anything before Finish, so every input still names what it claimed.
bool ConversionBatch::ClaimedByAnotherSlot(std::size_t slot) {
  FileInfo mine;
  if (!fs_.Stat(inputs_[slot], &mine).ok() || mine.inode == 0) return false;
  std::vector<std::filesystem::path> others;
  {
    std::lock_guard<std::mutex> lock(inputs_mutex_);
    for (std::size_t other = 0; other < inputs_.size(); ++other) {
      if (other != slot && !inputs_[other].empty()) others.push_back(inputs_[other]);
    }
  }
  return std::any_of(others.begin(), others.end(), [&](const std::filesystem::path& other) {
    FileInfo theirs;
    return fs_.Stat(other, &theirs).ok() && SameIdentity(theirs, mine);
  });
}

std::optional<std::uint64_t> ConversionBatch::Prepare(std::size_t slot,
                                                      const ConversionTask& task) {
  if (task.interrupted_only && !LeftInterrupted(task)) return 0;
  {
    std::lock_guard<std::mutex> lock(inputs_mutex_);
    inputs_[slot] = task.input;
  }
  auto conversion =
      std::make_unique<InPlaceConversion>(fs_, task.input, options_, task.listed_alone);
  results_[slot] = conversion->Prepare(convert_);
  // The claim another slot holds is this run's own: that name's turn comes in a later batch.
  if (results_[slot] && results_[slot]->reason == FileResult::Reason::kBusy &&
      ClaimedByAnotherSlot(slot)) {
    results_[slot].reset();
    return std::nullopt;
  }
  if (results_[slot]) return 0;
  const std::uint64_t written = conversion->written();
  pending_[slot] = std::move(conversion);
  return written;
}

ConversionBatch::Folders ConversionBatch::GroupByFolder() const {
  Folders folders;
  folders.index_of_slot.resize(pending_.size());
  // The files come folder by folder, so a file's folder is most often the one before, spelled
  // alike.
  std::map<std::filesystem::path, std::size_t> index_of;
  std::size_t index = 0;
  FolderText last;
  for (std::size_t slot = 0; slot < pending_.size(); ++slot) {
    if (!pending_[slot]) continue;
    const FolderText spelled = FolderPart(pending_[slot]->input());
    if (folders.list.empty() || spelled != last) {
      last = spelled;
      std::filesystem::path folder = FolderOf(pending_[slot]->input());
      auto [it, added] = index_of.try_emplace(folder, folders.list.size());
      if (added) folders.list.emplace_back(std::move(folder), std::vector<std::size_t>());
      index = it->second;
    }
    folders.list[index].second.push_back(slot);
    folders.index_of_slot[slot] = index;
  }
  folders.unmoved = std::make_unique<std::atomic<std::size_t>[]>(folders.list.size());
  for (std::size_t i = 0; i < folders.list.size(); ++i)
    folders.unmoved[i] = folders.list[i].second.size();
  return folders;
}

ConversionBatch::Barriers ConversionBatch::SyncFileSystems(const Folders& folders) {
  Barriers barriers;
  for (const auto& [folder, slots] : folders.list) {
    for (std::size_t slot : slots) {
      // Each folder comes once, so a folder already listed for this device is the last one.
      std::vector<std::filesystem::path>& listed =
          barriers.by_device[pending_[slot]->device()].folders;
      if (listed.empty() || listed.back().native() != folder.native()) listed.push_back(folder);
    }
  }
  for (auto& [device, barrier] : barriers.by_device) {
    for (const std::filesystem::path& folder : barrier.folders) {
      Status s = fs_.SyncFileSystem(folder);
      // A folder renamed since its files were written: any other on that file system serves.
      if (s.code() == Status::Code::kNotFound) continue;
      barrier.synced = s.ok();
      if (!s.ok() && s.code() != Status::Code::kUnsupported) barrier.failed = s;
      break;
    }
  }
  return barriers;
}

// A seal after the barrier is the closing of the file, which on some systems waits for the
// device as well, and a work file without a barrier syncs itself here. The last slot of a folder
// to move syncs it: every other slot of it has its result, and the folder its moves.
void ConversionBatch::SealAndMove(std::size_t slot, const Barriers& barriers, Folders& folders) {
  InPlaceConversion* conversion = pending_[slot].get();
  if (!conversion) return;
  // Every device is in the map already: a lookup, safe on several threads at once.
  const auto& barrier = barriers.by_device.at(conversion->device());
  results_[slot] =
      barrier.failed.ok() ? conversion->Seal(barrier.synced) : conversion->Abandon(barrier.failed);
  if (!results_[slot]) results_[slot] = conversion->Move();
  pending_[slot].reset();
  const std::size_t index = folders.index_of_slot[slot];
  const auto& [folder, slots] = folders.list[index];
  if (--folders.unmoved[index] != 0) return;
  if (std::none_of(slots.begin(), slots.end(), [&](std::size_t s) { return results_[s]->done(); }))
    return;
  Status s = fs_.SyncDir(folder);
  if (s.ok()) return;
  // The files are converted all the same: saying "failed" would send the user to a rerun that
  // answers "backup exists".
  for (std::size_t other : slots) {
    if (results_[other]->done())
      results_[other] = FileResult::Warned(*results_[other], FileResult::Reason::kSyncFolder, s);
  }
}

std::vector<std::optional<FileResult>> ConversionBatch::Finish(const RunSlots& run_slots) {
  Folders folders = GroupByFolder();
  const Barriers barriers = SyncFileSystems(folders);
  const auto each = [&](std::size_t slot) { SealAndMove(slot, barriers, folders); };
  if (run_slots) {
    run_slots(pending_.size(), each);
  } else {
    for (std::size_t slot = 0; slot < pending_.size(); ++slot)
      each(slot);
  }
  return std::move(results_);
}

}  // namespace kestrane
