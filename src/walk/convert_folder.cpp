#include "walk/convert_folder.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "convert/beside_conversion.h"
#include "convert/conversion_batch.h"
#include "convert/convert_file.h"
#include "convert/side_file_names.h"
#include "convert/source_names.h"
#include "platform/folder_path.h"
#include "platform/text.h"
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

// A source's path without its extension, its ASCII letters in lower case: what name.srt and
// name.VTT share.
std::filesystem::path::string_type SharedName(const std::filesystem::path& source) {
  auto text = source.native();
  text.resize(text.size() - 4);
  for (auto& c : text)
    c = AsciiLower(c);
  return text;
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
    // A source converted beside it rather than an input; `after_srt`: a .vtt whose .srt of the
    // same name goes first, in an earlier batch or earlier in this one.
    bool beside = false;
    bool after_srt = false;
    bool handled = false;
    std::optional<FileResult> result = {};
  };

  TreeVisitor Visitor();
  void Listed(const std::filesystem::path& dir, const std::vector<DirEntry>& entries);
  void Visit(std::filesystem::path path, const DirEntry& entry);
  const ListedSideFiles* ListingOf(const std::filesystem::path& path) const;
  bool ListedAlone(const std::filesystem::path& path, const DirEntry& entry) const;
  bool SourceListedAlone(const std::filesystem::path& path, const DirEntry& entry) const;
  void Add(ConversionTask task);
  void AddBeside(std::filesystem::path source, bool after_srt, bool listed_alone);
  void VisitSource(std::filesystem::path path, bool listed_alone);
  void RunBatch();
  void FinishBeside(const std::vector<Queued*>& slots,
                    std::vector<std::unique_ptr<BesideConversion>>& pending,
                    std::vector<std::optional<FileResult>>& beside);
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
  const SourceKinds sources_;
  // By the name shared by a taken .srt and .vtt, both listed: whether the walk met the .srt yet,
  // and the .vtt met before it, which waits for it.
  struct Pair {
    bool srt_met = false;
    std::optional<std::filesystem::path> vtt;
    bool srt_would_list = false;  // in a dry run: the .srt would have written the list
  };
  std::map<std::filesystem::path::string_type, Pair> pairs_;
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
      workers_(fs, jobs_),
      sources_(walk.sources) {}

void FolderConversion::Run(const std::filesystem::path& folder, const std::filesystem::path& name) {
  // Missing files, links and FIFOs go to the converter too, which skips them and says why; it
  // also finishes an interrupted conversion of the name.
  auto one = [this](const std::filesystem::path& input) {
    if (IsInputName(input.filename())) Add({input});
    if (IsBesideSourceName(input.filename())) AddBeside(input, false, false);
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
  visitor.wants = [this](const DirEntry& entry) {
    return IsInputName(entry.name) || IsWorkName(entry.name) || IsBackupName(entry.name) ||
           IsAsideName(entry.name) || IsTakenSource(entry.name, sources_);
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
  branch_.emplace_back(std::move(folder), ListedSideFiles(entries, sources_.any()));
  if (!sources_.srt || !sources_.vtt) return;
  std::set<std::filesystem::path::string_type> srt;
  for (const DirEntry& entry : entries) {
    if (IsSubRipSourceName(entry.name)) srt.insert(SharedName(dir / entry.name));
  }
  for (const DirEntry& entry : entries) {
    const auto shared = SharedName(dir / entry.name);
    if (IsWebVttSourceName(entry.name) && srt.count(shared) != 0) pairs_[shared];
  }
}

void FolderConversion::Visit(std::filesystem::path path, const DirEntry& entry) {
  if (IsTakenSource(entry.name, sources_)) {
    const bool alone = SourceListedAlone(path, entry);
    return VisitSource(std::move(path), alone);
  }
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

// The listing of the folder that holds `path`, if the walk has it.
const ListedSideFiles* FolderConversion::ListingOf(const std::filesystem::path& path) const {
  // Spelled as the walk spells both; a spelling that differs only costs the looks.
  const FolderText dir = FolderPart(path);
  auto listed = std::find_if(branch_.rbegin(), branch_.rend(), [&](const auto& level) {
    return FolderText(level.first.native()) == dir;
  });
  return listed != branch_.rend() ? &listed->second : nullptr;
}

// Whether the listing of the input's folder showed it as a regular file without side files.
bool FolderConversion::ListedAlone(const std::filesystem::path& path, const DirEntry& entry) const {
  if (entry.kind != EntryKind::kFile) return false;
  const ListedSideFiles* listed = ListingOf(path);
  return listed != nullptr && !listed->AnyFor(entry.name);
}

// Whether the listing of the source's folder showed it as a regular file, and neither its list
// nor a side file of the list.
bool FolderConversion::SourceListedAlone(const std::filesystem::path& path,
                                         const DirEntry& entry) const {
  if (entry.kind != EntryKind::kFile) return false;
  const ListedSideFiles* listed = ListingOf(path);
  return listed != nullptr && !listed->AnyNamed(ListPathFor(entry.name));
}

// name.srt goes before name.vtt whichever the listing gave first: the .vtt then finds the list,
// which the listing could not show, so it is looked at.
void FolderConversion::VisitSource(std::filesystem::path path, bool listed_alone) {
  auto pair = pairs_.find(SharedName(path));
  if (pair == pairs_.end()) return AddBeside(std::move(path), false, listed_alone);
  if (IsWebVttSourceName(path.filename())) {
    if (pair->second.srt_met) return AddBeside(std::move(path), true, false);
    pair->second.vtt = std::move(path);
    return;
  }
  AddBeside(std::move(path), false, listed_alone);
  pair->second.srt_met = true;
  if (pair->second.vtt) AddBeside(*std::move(pair->second.vtt), true, false);
}

void FolderConversion::AddBeside(std::filesystem::path source, bool after_srt, bool listed_alone) {
  queue_.push_back({{std::move(source), false, {}, listed_alone}, /*beside=*/true, after_srt});
  if (++waiting_ >= batch_files_) RunBatch();
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
  // A source beside is never left for the next batch: a .vtt after its .srt then always follows
  // it here or in a later batch.
  std::vector<std::unique_ptr<BesideConversion>> pending(size);
  std::vector<std::optional<FileResult>> beside(size);
  const auto prepare = [&](std::size_t slot) {
    if (slots[slot]->beside) {
      if (slots[slot]->after_srt) return;
      pending[slot] = std::make_unique<BesideConversion>(fs_, slots[slot]->task.input, options_,
                                                         slots[slot]->task.listed_alone);
      beside[slot] = pending[slot]->Prepare(convert_);
      if (beside[slot]) pending[slot].reset();
      prepared[slot] = 1;
      return;
    }
    if (slot != 0 && written >= batch_bytes_) return;
    const std::optional<std::uint64_t> bytes = batch.Prepare(slot, slots[slot]->task);
    if (!bytes) return;
    written += *bytes;
    prepared[slot] = 1;
  };
  workers_.Run(size, prepare, size == 1);
  FinishBeside(slots, pending, beside);
  // Only the inputs converted in place are left to finish: with one or none, no thread is woken.
  std::size_t in_place = 0;
  for (std::size_t slot = 0; slot < size; ++slot) {
    if (slots[slot]->after_srt) prepared[slot] = 1;
    in_place += prepared[slot] && !slots[slot]->beside;
  }
  const bool alone = in_place <= 1;
  std::vector<std::optional<FileResult>> results =
      batch.Finish([&](std::size_t count, const std::function<void(std::size_t)>& each) {
        workers_.Run(count, each, alone);
      });
  for (std::size_t slot = 0; slot < size; ++slot) {
    if (!prepared[slot]) continue;
    slots[slot]->handled = true;
    slots[slot]->result = slots[slot]->beside ? std::move(beside[slot]) : std::move(results[slot]);
    --waiting_;
  }
  ReportHandled();
}

// The sources beside of a batch, prepared: as the inputs converted in place, one barrier for
// each volume before any move (where a volume has none, each work file syncs itself), each
// folder synced once after its moves. Then each .vtt whose .srt went first, on its own.
void FolderConversion::FinishBeside(const std::vector<Queued*>& slots,
                                    std::vector<std::unique_ptr<BesideConversion>>& pending,
                                    std::vector<std::optional<FileResult>>& beside) {
  std::vector<std::size_t> waiting, after;
  std::map<std::uint64_t, bool> synced;  // by volume
  for (std::size_t slot = 0; slot < slots.size(); ++slot) {
    if (slots[slot]->after_srt) after.push_back(slot);
    if (!pending[slot]) continue;
    waiting.push_back(slot);
    const auto [volume, first] = synced.try_emplace(pending[slot]->device(), false);
    if (first) volume->second = fs_.SyncFileSystem(FolderOf(pending[slot]->list())).ok();
  }
  // A dry run writes no list, so a .vtt would find none where its .srt's would be.
  if (options_.dry_run) {
    for (std::size_t slot = 0; slot < slots.size(); ++slot) {
      if (!slots[slot]->beside || slots[slot]->after_srt || !beside[slot] || !beside[slot]->done())
        continue;
      const auto pair = pairs_.find(SharedName(slots[slot]->task.input));
      if (pair != pairs_.end()) pair->second.srt_would_list = true;
    }
  }
  if (waiting.empty() && after.empty()) return;
  workers_.Run(
      waiting.size(),
      [&](std::size_t i) {
        BesideConversion& conversion = *pending[waiting[i]];
        const bool volume_synced = synced.at(conversion.device());
        beside[waiting[i]] = conversion.Move(volume_synced);
      },
      waiting.size() <= 1);
  // The files come folder by folder: a folder is looked up only when the spelling changes.
  std::map<std::filesystem::path, Status> folders;
  FolderText spelled;
  const Status* folder_synced = nullptr;
  for (std::size_t slot : waiting) {
    if (!beside[slot]->done()) continue;
    if (folder_synced == nullptr || FolderPart(pending[slot]->list()) != spelled) {
      spelled = FolderPart(pending[slot]->list());
      const std::filesystem::path folder = FolderOf(pending[slot]->list());
      const auto [it, first] = folders.try_emplace(folder);
      if (first) it->second = fs_.SyncDir(folder);
      folder_synced = &it->second;
    }
    if (!folder_synced->ok()) {
      beside[slot] =
          FileResult::Warned(*beside[slot], FileResult::Reason::kSyncFolder, *folder_synced);
    }
  }
  workers_.Run(
      after.size(),
      [&](std::size_t i) {
        const std::size_t slot = after[i];
        beside[slot] = pairs_.at(SharedName(slots[slot]->task.input)).srt_would_list
                           ? FileResult::Skipped(FileResult::Reason::kListExists)
                           : ConvertBeside(fs_, slots[slot]->task.input, options_, convert_);
      },
      after.size() <= 1);
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
