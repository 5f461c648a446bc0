#include "walk/convert_folder.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "convert/conversion_batch.h"
#include "convert/convert_file.h"
#include "convert/side_file_names.h"
#include "walk/walk_tree.h"
#include "walk/workers.h"

namespace kestrane {
namespace {

// What a batch holds open, in descriptors: each of its files keeps its input and its work file
// until the barrier; each worker opens a few more for a moment (a folder to move in or sync, the
// two ends of a copy); and a few stay aside for the file system's own (one per device it wrote
// to) and the program's.
constexpr std::size_t kHeldPerFile = 2;
constexpr std::size_t kPassingPerWorker = 4;
constexpr std::size_t kSpareHandles = 16;

// The most files a batch of `jobs` workers may take with `free_handles` descriptors left, never
// more than `wanted` nor fewer than one.
std::size_t BatchFilesFor(std::size_t wanted, unsigned jobs, std::size_t free_handles) {
  if (free_handles == SIZE_MAX) return wanted;
  const std::size_t room = free_handles > kSpareHandles ? free_handles - kSpareHandles : 0;
  // At most as many workers as files: then each file costs its own and a worker's.
  std::size_t fit = room / (kHeldPerFile + kPassingPerWorker);
  const std::size_t workers = kPassingPerWorker * jobs;
  if (room > workers) fit = std::max(fit, (room - workers) / kHeldPerFile);
  return std::clamp<std::size_t>(fit, 1, wanted);
}

// Whether `dir` is `folder` or below it, as the walk spells them.
bool IsWithin(const std::filesystem::path& dir, const std::filesystem::path& folder) {
  auto [end, _] = std::mismatch(folder.begin(), folder.end(), dir.begin(), dir.end());
  return end == folder.end();
}

// A walk that converts: it queues the inputs it meets; each batch converts the first ones not
// yet handled on the workers, and the results are reported in the order the walk met them.
class FolderConversion {
 public:
  FolderConversion(FileSystem& fs, const ConvertOptions& options, const WalkOptions& walk,
                   const WalkObserver& observer);

  void Run(const std::filesystem::path& folder, const std::filesystem::path& name);

 private:
  // An input the walk met, and once its batch is done, what became of it.
  struct Queued {
    ConversionTask task;
    bool handled = false;
    std::optional<FileResult> result = {};
  };

  TreeVisitor Visitor();
  void Listed(const std::filesystem::path& dir, const std::vector<DirEntry>& entries);
  void Visit(std::filesystem::path path, const DirEntry& entry);
  bool ListedAlone(const std::filesystem::path& path, const DirEntry& entry) const;
  void Add(ConversionTask task);
  void RunBatch();
  void RunBatches() {
    while (waiting_ != 0)
      RunBatch();
  }
  void ReportHandled();

  FileSystem& fs_;
  const ConvertOptions& options_;
  const WalkObserver& observer_;
  const unsigned jobs_;
  const std::size_t batch_files_;
  const std::uint64_t batch_bytes_;
  const Converter convert_;
  Workers workers_;
  std::deque<Queued> queue_;
  std::size_t waiting_ = 0;  // entries of the queue not yet handled
  // The side files listed in each folder of the walk's current branch, the deepest last: an
  // input's folder is always on it when the input is visited.
  std::vector<std::pair<std::filesystem::path, ListedSideFiles>> branch_;
};

FolderConversion::FolderConversion(FileSystem& fs, const ConvertOptions& options,
                                   const WalkOptions& walk, const WalkObserver& observer)
    : fs_(fs),
      options_(options),
      observer_(observer),
      jobs_(WorkersFor(walk.jobs)),
      batch_files_(
          BatchFilesFor(std::max<std::size_t>(1, walk.batch_files), jobs_, fs.FreeFileHandles())),
      batch_bytes_(walk.batch_bytes),
      convert_(SubtitleConverter(options)),
      workers_(fs, jobs_) {}

void FolderConversion::Run(const std::filesystem::path& folder, const std::filesystem::path& name) {
  // Missing files, links and FIFOs go to the converter too, which skips them and says why; it
  // also finishes an interrupted conversion of the name.
  auto one = [this](const std::filesystem::path& input) {
    if (IsInputName(input.filename())) Add({input});
  };
  // A folder error is reported after the files the walk met before it.
  TreeVisitor visitor = Visitor();
  visitor.on_folder_error = [this](const std::filesystem::path& dir, const Status& status) {
    RunBatches();
    if (observer_.on_folder_error) observer_.on_folder_error(dir, status);
  };
  // Every path of the walk is `folder` joined with names it listed: none of them may lead through
  // a link put in place of a folder after it was listed.
  const std::unique_ptr<FolderHandles> tree = fs_.HoldTree(folder);
  WalkFolderOrName(fs_, folder, name, visitor, one);
  RunBatches();
}

TreeVisitor FolderConversion::Visitor() {
  TreeVisitor visitor;
  // Only names ending in .txt are inputs, so a backup or x.srt never reaches the converter and
  // no input is converted twice in one walk. Links and FIFOs named *.txt included: the
  // converter opens nothing but regular files and reports the others as skipped, which tells the
  // user why they were left alone.
  visitor.wants = [](const DirEntry& entry) {
    return IsInputName(entry.name) || IsWorkName(entry.name) || IsBackupName(entry.name) ||
           IsAsideName(entry.name);
  };
  visitor.listed = [this](const std::filesystem::path& dir, const std::vector<DirEntry>& entries) {
    Listed(dir, entries);
  };
  visitor.visit = [this](std::filesystem::path path, const DirEntry& entry) {
    Visit(std::move(path), entry);
  };
  return visitor;
}

void FolderConversion::Listed(const std::filesystem::path& dir,
                              const std::vector<DirEntry>& entries) {
  // Spelled as its entries' paths give it back: without a last separator.
  std::filesystem::path folder = dir.has_filename() ? dir : dir.parent_path();
  while (!branch_.empty() && !IsWithin(folder, branch_.back().first))
    branch_.pop_back();
  branch_.emplace_back(std::move(folder), ListedSideFiles(entries));
}

void FolderConversion::Visit(std::filesystem::path path, const DirEntry& entry) {
  if (IsInputName(entry.name)) {
    const bool alone = ListedAlone(path, entry);
    Add({std::move(path), false, {}, alone});
    return;
  }
  // A run stopped part-way, or a file removed on purpose, can leave side files without their
  // input: only their entries show that the input is unfinished, or that its backup is alone.
  // The task does nothing when the input exists, so an input is still handled once, by its own
  // entry.
  Add({InputPathFor(path), true, path});
}

// Whether the listing of the input's folder showed it as a regular file without side files.
bool FolderConversion::ListedAlone(const std::filesystem::path& path, const DirEntry& entry) const {
  if (entry.kind != EntryKind::kFile) return false;
  // Spelled as the walk spells both; a spelling that differs only costs the look.
  const FolderText dir = FolderPart(path);
  auto listed = std::find_if(branch_.rbegin(), branch_.rend(), [&](const auto& level) {
    return FolderText(level.first.native()) == dir;
  });
  return listed != branch_.rend() && !listed->second.AnyFor(entry.name);
}

void FolderConversion::Add(ConversionTask task) {
  queue_.push_back({std::move(task)});
  if (++waiting_ >= batch_files_) RunBatch();
}

void FolderConversion::RunBatch() {
  std::vector<Queued*> slots;
  for (Queued& entry : queue_) {
    if (slots.size() == batch_files_) break;
    if (entry.handled) continue;
    slots.push_back(&entry);
  }
  const std::size_t size = slots.size();
  ConversionBatch batch(fs_, options_, convert_, size);
  std::atomic<std::uint64_t> written = 0;
  std::vector<char> prepared(size, 0);
  // Once the batch has written its share, the slots left wait for the next batch. The first is
  // always taken, whatever the batch has written (it heads the first worker's stretch), so each
  // batch lets the reports move on; the batch leaves it only as another name of a file another
  // slot claimed, which that slot's report moves on instead.
  const auto prepare = [&](std::size_t slot) {
    if (slot != 0 && written >= batch_bytes_) return;
    const std::optional<std::uint64_t> bytes = batch.Prepare(slot, slots[slot]->task);
    if (!bytes) return;
    written += *bytes;
    prepared[slot] = 1;
  };
  workers_.Run(size, prepare, size == 1);
  const bool alone = std::count(prepared.begin(), prepared.end(), 1) == 1;
  std::vector<std::optional<FileResult>> results =
      batch.Finish([&](std::size_t count, const std::function<void(std::size_t)>& each) {
        workers_.Run(count, each, alone);
      });
  for (std::size_t slot = 0; slot < size; ++slot) {
    if (!prepared[slot]) continue;
    slots[slot]->handled = true;
    slots[slot]->result = std::move(results[slot]);
    --waiting_;
  }
  ReportHandled();
}

// A file handled ahead of one left for the next batch waits for it.
void FolderConversion::ReportHandled() {
  while (!queue_.empty() && queue_.front().handled) {
    if (queue_.front().result && observer_.on_file)
      observer_.on_file(queue_.front().task.input, *queue_.front().result);
    queue_.pop_front();
  }
}

}  // namespace

void ConvertFolder(FileSystem& fs, const std::filesystem::path& folder,
                   const std::filesystem::path& name, const ConvertOptions& options,
                   const WalkObserver& observer, const WalkOptions& walk) {
  FolderConversion(fs, options, walk, observer).Run(folder, name);
}

}  // namespace kestrane
