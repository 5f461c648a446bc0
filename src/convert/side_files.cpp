#include "convert/side_files.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <utility>
#include <vector>

#include "convert/conversion_check.h"
#include "platform/text.h"

namespace kestrane {
namespace {

using Kind = FileResult::Kind;
using Reason = FileResult::Reason;

constexpr std::string_view kInputExtension = ".txt";
constexpr std::string_view kWorkSuffix = "_temp";
constexpr std::string_view kBackupSuffix = "_original";
// No longer than the backup's: a name that had room for its backup has room for this one.
constexpr std::string_view kAsideSuffix = "_undoing";

// The path of a work file that only hands its text on.
const std::filesystem::path kNoPath;

// How often a run looks at a trio again when another run changed it between the look and the
// claim. Each change is another run finishing a step, so a few looks settle it.
constexpr int kMaxLooks = 4;

template <typename Char>
Char AsciiLower(Char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<Char>(c - 'A' + 'a') : c;
}

// Whether `name` ends with the ASCII text `head` followed by `tail`, ignoring ASCII letter case.
bool EndsWithIgnoringCase(const std::filesystem::path& name, std::string_view head,
                          std::string_view tail = {}) {
  // The native string, not string(): on Windows that would go through the ANSI code page.
  const auto& text = name.native();
  const std::size_t size = head.size() + tail.size();
  if (text.size() < size) return false;
  const std::size_t start = text.size() - size;
  for (std::size_t i = 0; i < size; ++i) {
    const char want = i < head.size() ? head[i] : tail[i - head.size()];
    if (AsciiLower(text[start + i]) != AsciiLower(static_cast<unsigned char>(want))) return false;
  }
  return true;
}

std::filesystem::path WithSuffix(const std::filesystem::path& input, std::string_view suffix) {
  // Made from its text at once: a copy of the path and an append would parse its name twice.
  std::filesystem::path::string_type text;
  text.reserve(input.native().size() + suffix.size());
  text = input.native();
  text.append(suffix.begin(), suffix.end());
  return std::filesystem::path(std::move(text));
}

FileResult Result(Kind kind, Reason reason, std::string message = {}) {
  FileResult result;
  result.kind = kind;
  result.reason = reason;
  result.message = std::move(message);
  return result;
}

FileResult Skipped(Reason reason) {
  return Result(Kind::kSkipped, reason);
}

FileResult Failed(Reason reason, const Status& status) {
  return Result(Kind::kFailed, reason, status.message());
}

bool SameFile(const FileInfo& a, const FileInfo& b) {
  // An identity of zero means the system could not tell; size and time still count.
  bool same_identity = a.inode == 0 || b.inode == 0 || (a.device == b.device && a.inode == b.inode);
  return a.kind == b.kind && a.size == b.size && a.mtime_ns == b.mtime_ns && same_identity;
}

// Whether `now` is the file `then` describes, by identity where both tell theirs.
bool SameIdentity(const FileInfo& now, const FileInfo& then) {
  if (now.inode == 0 || then.inode == 0) return now.kind == then.kind;
  return now.kind == then.kind && now.device == then.device && now.inode == then.inode;
}

bool Exists(FileSystem& fs, const std::filesystem::path& path) {
  FileInfo info;
  return fs.Stat(path, &info).ok();
}

bool IsFile(FileSystem& fs, const std::filesystem::path& path) {
  FileInfo info;
  return fs.Stat(path, &info).ok() && info.kind == EntryKind::kFile;
}

bool Missing(FileSystem& fs, const std::filesystem::path& path) {
  FileInfo info;
  return fs.Stat(path, &info).code() == Status::Code::kNotFound;
}

// Whether `path` still names the file that `file` holds open. Its bytes may have changed (the
// check before the moves notices that); another run's moves give the name another file.
bool StillNames(FileSystem& fs, const std::filesystem::path& path, const ReadableFile& file) {
  FileInfo now;
  if (!fs.Stat(path, &now).ok()) return false;
  const FileInfo& then = file.info();
  if (now.inode == 0 || then.inode == 0) return SameFile(now, then);
  return SameIdentity(now, then);
}

std::filesystem::path FolderOf(const std::filesystem::path& path) {
  std::filesystem::path folder = path.parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

// Claims `file` for this run. Another run holding it is the one answer that stops us; a file
// system without locks leaves us where we were before locks existed, which the moves (never
// replacing anything) keep safe.
bool Busy(ReadableFile& file) {
  return file.TryLock().code() == Status::Code::kBusy;
}

// What holds a work file's name. Ours is empty or starts with the UTF-8 mark every conversion
// starts with (a cut may have kept only its first bytes): a work file a run left when it died.
// Anything else is another program's, whatever its name.
enum class Work { kNone, kOurs, kForeign };

Work WorkAt(FileSystem& fs, const std::filesystem::path& path) {
  std::unique_ptr<ReadableFile> file;
  Status s = fs.OpenForRead(path, &file);
  if (s.code() == Status::Code::kNotRegular || s.code() == Status::Code::kAccessDenied ||
      s.code() == Status::Code::kBusy) {
    return Work::kForeign;
  }
  // Nothing there, or nothing to be learnt here: creating the work file says what it is.
  if (!s.ok()) return Work::kNone;
  char head[3];
  std::size_t have = 0;
  while (have < sizeof head) {
    std::size_t got = 0;
    if (!file->Read(head + have, sizeof head - have, &got).ok()) return Work::kForeign;
    if (got == 0) break;
    have += got;
  }
  return std::string_view(head, have) == kUtf8Mark.substr(0, have) ? Work::kOurs : Work::kForeign;
}

// Whether `candidate` holds exactly what `convert` makes of `original` (SameCueLine for each
// line); reads both, and leaves `original` at its start again.
Status IsConversionOf(FileSystem& fs, ReadableFile& candidate, ReadableFile& original,
                      const Converter& convert, bool* same) {
  *same = false;
  Status s = original.Rewind();
  if (!s.ok()) return s;
  ConversionCheck check(candidate);
  WorkFile work(fs, [&check](std::string_view text) { return check.Expect(text); });
  const ConversionOutcome outcome = convert(original, work);
  s = outcome.status;
  // Without a cue nothing was ever converted from it.
  if (s.ok() && outcome.cues != 0) s = check.Finish(same);
  if (check.differs()) s = Status::Ok();
  Status rewound = original.Rewind();
  return s.ok() ? rewound : s;
}

// Opens the file set aside at `aside` and checks it against `original`: *taken holds it open
// when it is what converting `original` gives, and still the file at that name, unchanged.
Status CheckSetAside(FileSystem& fs, const std::filesystem::path& aside, ReadableFile& original,
                     const Converter& convert, std::unique_ptr<ReadableFile>* taken) {
  taken->reset();
  std::unique_ptr<ReadableFile> file;
  Status s = fs.OpenForRead(aside, &file);
  if (s.code() == Status::Code::kNotFound || s.code() == Status::Code::kNotRegular) {
    return Status::Ok();
  }
  if (!s.ok()) return s;
  bool same = false;
  s = IsConversionOf(fs, *file, original, convert, &same);
  if (!s.ok()) return s;
  FileInfo now;
  if (same && fs.Stat(aside, &now).ok() && SameFile(now, file->info())) *taken = std::move(file);
  return Status::Ok();
}

// Removes the file set aside that CheckSetAside proved ours, unless another file took its name.
Status RemoveSetAside(FileSystem& fs, const std::filesystem::path& aside,
                      const ReadableFile& taken) {
  FileInfo now;
  if (!fs.Stat(aside, &now).ok() || !SameFile(now, taken.info())) return Status::Ok();
  return fs.Remove(aside);
}

}  // namespace

bool IsInputName(const std::filesystem::path& name) {
  return EndsWithIgnoringCase(name, kInputExtension);
}

bool IsWorkName(const std::filesystem::path& name) {
  return EndsWithIgnoringCase(name, kInputExtension, kWorkSuffix);
}

bool IsBackupName(const std::filesystem::path& name) {
  return EndsWithIgnoringCase(name, kInputExtension, kBackupSuffix);
}

bool IsAsideName(const std::filesystem::path& name) {
  return EndsWithIgnoringCase(name, kInputExtension, kAsideSuffix);
}

FolderText FolderPart(const std::filesystem::path& path) {
  const FolderText text = path.native();
  // One scan back from the end: find_last_of looks each character up in the set of separators.
  for (std::size_t i = text.size(); i-- > 0;) {
#ifdef _WIN32
    if (text[i] == L'\\' || text[i] == L'/') return text.substr(0, i);
#else
    if (text[i] == '/') return text.substr(0, i);
#endif
  }
  return FolderText();
}

std::filesystem::path WorkPathFor(const std::filesystem::path& input) {
  return WithSuffix(input, kWorkSuffix);
}

std::filesystem::path BackupPathFor(const std::filesystem::path& input) {
  return WithSuffix(input, kBackupSuffix);
}

std::filesystem::path AsidePathFor(const std::filesystem::path& input) {
  return WithSuffix(input, kAsideSuffix);
}

namespace {

std::filesystem::path::string_type Folded(const std::filesystem::path& name) {
  auto text = name.native();
  for (auto& c : text)
    c = AsciiLower(c);
  return text;
}

}  // namespace

ListedSideFiles::ListedSideFiles(const std::vector<DirEntry>& entries) {
  for (const DirEntry& entry : entries) {
    if (IsWorkName(entry.name) || IsBackupName(entry.name) || IsAsideName(entry.name)) {
      inputs_.insert(Folded(InputPathFor(entry.name)));
    }
  }
}

bool ListedSideFiles::AnyFor(const std::filesystem::path& name) const {
  return !inputs_.empty() && inputs_.count(Folded(name)) != 0;
}

std::filesystem::path InputPathFor(const std::filesystem::path& side_file) {
  std::size_t suffix = 0;
  if (IsWorkName(side_file)) suffix = kWorkSuffix.size();
  if (IsBackupName(side_file)) suffix = kBackupSuffix.size();
  if (IsAsideName(side_file)) suffix = kAsideSuffix.size();
  auto text = side_file.native();
  text.resize(text.size() - suffix);
  return std::filesystem::path(std::move(text));
}

WorkFile::WorkFile(FileSystem& fs, const std::filesystem::path& path, FileMode mode, bool dry_run)
    : fs_(fs), path_(path), mode_(mode), dry_run_(dry_run) {}

WorkFile::WorkFile(FileSystem& fs, std::function<Status(std::string_view)> sink)
    : WorkFile(fs, kNoPath, FileMode(0), /*dry_run=*/true) {
  sink_ = std::move(sink);
}

Status WorkFile::Append(std::string_view text) {
  if (dry_run_) {
    Status s = sink_ ? sink_(text) : Status::Ok();
    if (!s.ok()) failed_step_ = Reason::kWrite;
    return s;
  }
  if (!file_) {
    Status s = Create();
    if (!s.ok()) return s;
  }
  Status s = file_->Append(text);
  if (!s.ok()) failed_step_ = Reason::kWrite;
  written_ += text.size();
  return s;
}

Status WorkFile::Create() {
  Status s = fs_.CreateNew(path_, mode_, &file_);
  if (s.code() == Status::Code::kExists) {
    // Left by a run that died, when it looks like ours: a live one would hold the claim we
    // hold. Anything else there is another program's.
    if (WorkAt(fs_, path_) != Work::kOurs) {
      failed_step_ = Reason::kForeignWork;
      return s;
    }
    if (fs_.Remove(path_).ok()) s = fs_.CreateNew(path_, mode_, &file_);
  }
  if (!s.ok()) {
    failed_step_ = Reason::kCreateWork;
    return s;
  }
  identity_ = file_->info();
  created_ = true;
  return s;
}

Status WorkFile::Seal(bool sync) {
  if (!file_) return Status::Ok();
  Status s = sync ? file_->Sync() : Status::Ok();
  if (!s.ok()) {
    failed_step_ = Reason::kSync;
    return s;
  }
  s = file_->Close();
  file_.reset();
  if (!s.ok()) failed_step_ = Reason::kClose;
  return s;
}

void WorkFile::Disown() {
  file_.reset();
  created_ = false;
}

std::string WorkFile::Discard() {
  file_.reset();
  if (!created_) return {};
  created_ = false;
  Status s = fs_.Remove(path_);
  return s.ok() ? std::string() : s.message();
}

// One conversion of a trio, step by step. The steps run in this order, and nothing is lost at
// any point of it, power cuts included:
//   1. claim the original, look again with the claim held; when finishing an interrupted
//      conversion, move backup -> input first, which makes it an untouched input again;
//   2. write the work file; make it durable (with the rest of its batch), close it;
//   3. move input -> backup, then work -> input;
//   4. release the claim; sync the folder (once for all the batch's files in it).
// Until the first move the input holds the original. Between the moves the input's name is
// free, the original is the backup, and a complete, durable work file is beside it: a run that
// finds that (the interrupted state) puts the backup back and converts it again, never trusting
// a work file it did not write nor removing it while the backup is alone. A move never replaces
// anything, and a failed second move puts the original back; when even that fails the work file
// stays, so the trio is interrupted rather than a lone backup no run would finish. The work
// file is durable before the moves, so they cannot reach the disk ahead of its bytes; the
// folder is synced after them, so a file reported converted stays converted. A batch runs
// step 2 for all its files before step 3 for any: one barrier then serves them all.
class InPlaceConversion {
 public:
  InPlaceConversion(FileSystem& fs, const std::filesystem::path& input,
                    const ConvertOptions& options, bool listed_alone = false)
      : fs_(fs),
        input_(input),
        work_path_(WorkPathFor(input)),
        backup_(BackupPathFor(input)),
        dry_run_(options.dry_run),
        listed_alone_(listed_alone) {}

  // Steps 1 and 2, short of durability. Empty when the work file waits for the barrier;
  // otherwise the result.
  std::optional<FileResult> Prepare(const Converter& convert) {
    if (std::optional<FileResult> skipped = Claim()) return skipped;
    // The listing showed no work file and nothing set aside: should one have come since, the
    // work file's creation finds it, and a file set aside waits for the next run.
    if (!recovering_ && !listed_alone_) {
      // With the claim held no live run writes this work file: what is there is a dead run's,
      // or another program's.
      if (WorkAt(fs_, work_path_) == Work::kForeign) {
        source_.reset();
        return Skipped(Reason::kForeignWork);
      }
      // A restore that stopped before removing the converted file it had set aside: it goes
      // when it is what the original gives. Should that fail, it stays for a restore to finish.
      std::unique_ptr<ReadableFile> taken;
      const std::filesystem::path aside = AsidePathFor(input_);
      if (!dry_run_ && CheckSetAside(fs_, aside, *source_, convert, &taken).ok() && taken) {
        (void)RemoveSetAside(fs_, aside, *taken);
      }
    }
    FileResult result = Write(convert);
    if (result.done() && !dry_run_) {
      done_ = std::move(result);
      return std::nullopt;
    }
    source_.reset();
    // The claim took the listing's word that there is no backup. Had another run converted the
    // input since, what was read is its conversion: converted again, it would have been stopped
    // by the first move, which never replaces a backup; anything else ends here, and the
    // backup, looked at only now, says what happened.
    if (listed_alone_ && !dry_run_ && Exists(fs_, backup_)) return Skipped(Reason::kBackupExists);
    return result;
  }

  std::uint64_t written() const { return work_ ? work_->written() : 0; }
  std::uint64_t device() const { return source_->info().device; }
  const std::filesystem::path& input() const { return input_; }

  // The end of step 2: `synced` when the barrier made the work file durable already, else its
  // own sync; empty when the moves may follow.
  std::optional<FileResult> Seal(bool synced) {
    Status s = work_->Seal(!synced);
    if (!s.ok()) return Fail(Kind::kFailed, work_->failed_step(), s);
    return std::nullopt;
  }

  // The barrier failed: nothing of the work file can be trusted.
  FileResult Abandon(const Status& status) { return Fail(Kind::kFailed, Reason::kSync, status); }

  // Step 3 and the release of step 4; the batch syncs the folder.
  FileResult Move() {
    // Where the system cannot keep writers out while the input is read, notice them instead.
    FileInfo now;
    if (!fs_.Stat(input_, &now).ok() || !SameFile(now, source_->info())) {
      return Fail(Kind::kSkipped, Reason::kChanged, Status::Ok());
    }
    // While the work file waited for the barrier, its name may have been given to another file
    // (a link planted there): only the file written goes in, and the other is not ours to remove.
    Status s = fs_.Stat(work_path_, &now);
    if (!s.ok() || !SameIdentity(now, work_->identity())) {
      work_->Disown();
      if (!s.ok() && s.code() != Status::Code::kNotFound)
        return Fail(Kind::kFailed, Reason::kStat, s);
      return Fail(Kind::kFailed, Reason::kWorkReplaced, Status::Ok());
    }
    s = fs_.MoveNoReplace(input_, backup_);
    if (s.code() == Status::Code::kExists) return Fail(Kind::kSkipped, Reason::kBackupExists, s);
    if (!s.ok()) return Fail(Kind::kFailed, Reason::kBackupMove, s);
    s = fs_.MoveNoReplace(work_path_, input_);
    if (!s.ok()) {
      // Put the original back where the user left it. Should that fail, the work file stays
      // beside the backup, and the next run finishes the conversion.
      if (fs_.MoveNoReplace(backup_, input_).ok()) {
        return Fail(Kind::kFailed, Reason::kInstallMove, s);
      }
      return Failed(Reason::kInstallMove, s);
    }
    source_.reset();
    return std::move(done_);
  }

 private:
  // Step 1. Empty when a source is claimed; otherwise what to report.
  std::optional<FileResult> Claim() {
    for (int look = 0; look < kMaxLooks; ++look) {
      std::optional<FileResult> result;
      if (listed_alone_) {
        result = ClaimSource(/*from_backup=*/false);
        if (result || source_) return result;
        // Changed since the listing: from now on each look asks the file system.
        listed_alone_ = false;
        continue;
      }
      // A backup is, as a rule, the only unconverted copy: never overwritten, never converted
      // over. A backup that cannot be looked at is no reason to stop: no move replaces one.
      if (Exists(fs_, backup_)) {
        if (!Missing(fs_, input_)) return Skipped(Reason::kBackupExists);
        if (IsFile(fs_, AsidePathFor(input_))) {
          result = PutBackSetAside();
        } else if (!Exists(fs_, work_path_)) {
          return Skipped(Reason::kLoneBackup);
        } else if (WorkAt(fs_, work_path_) == Work::kForeign) {
          return Skipped(Reason::kForeignWork);
        } else {
          result = ClaimSource(/*from_backup=*/true);
        }
      } else {
        result = ClaimSource(/*from_backup=*/false);
      }
      if (result || source_) return result;
    }
    return Skipped(Reason::kBusy);
  }

  // A restore stopped after setting the converted file aside: under the claim on the backup it
  // goes back, and the trio is converted, as before the restore. Empty: look again.
  std::optional<FileResult> PutBackSetAside() {
    if (dry_run_) return Skipped(Reason::kBackupExists);
    std::unique_ptr<ReadableFile> claim;
    Status s = fs_.OpenForRead(backup_, &claim);
    if (s.code() == Status::Code::kNotFound) return std::nullopt;
    if (s.code() == Status::Code::kNotRegular) return Skipped(Reason::kBackupExists);
    if (!s.ok()) return Failed(Reason::kOpen, s);
    if (Busy(*claim)) return Skipped(Reason::kBusy);
    if (!Missing(fs_, input_) || !StillNames(fs_, backup_, *claim)) return std::nullopt;
    s = fs_.MoveNoReplace(AsidePathFor(input_), input_);
    if (s.ok() || s.code() == Status::Code::kExists || s.code() == Status::Code::kNotFound) {
      return std::nullopt;
    }
    return Failed(Reason::kPutBack, s);
  }

  // Opens and claims the input, or the backup when finishing an interrupted conversion, then
  // checks that the trio is still as the look found it. Neither a result nor a source: look again.
  std::optional<FileResult> ClaimSource(bool from_backup) {
    const std::filesystem::path& path = from_backup ? backup_ : input_;
    std::unique_ptr<ReadableFile> file;
    Status s = listed_alone_ ? fs_.OpenListedForRead(path, &file) : fs_.OpenForRead(path, &file);
    if (s.code() == Status::Code::kNotFound) {
      // Another run moved it meanwhile: its next state tells what is left to do.
      if (from_backup || Exists(fs_, backup_)) return std::nullopt;
      return Skipped(Reason::kNoInput);
    }
    if (s.code() == Status::Code::kNotRegular) {
      return Skipped(from_backup ? Reason::kBackupExists : Reason::kNotRegular);
    }
    if (!s.ok()) return Failed(Reason::kOpen, s);
    if (!dry_run_) {
      if (Busy(*file)) return Skipped(Reason::kBusy);
      // What the look saw may have changed before the claim: the run that held it may have
      // finished, or finished the conversion we came to finish. The name is looked at even when
      // the listing saw the input alone, since another run's moves give it the converted file;
      // the backup then only once the conversion ends short of its moves (see Prepare).
      const bool same =
          from_backup ? Missing(fs_, input_) && StillNames(fs_, backup_, *file)
                      : StillNames(fs_, input_, *file) && (listed_alone_ || !Exists(fs_, backup_));
      if (!same) return std::nullopt;
      if (from_backup) {
        s = fs_.MoveNoReplace(backup_, input_);
        if (s.code() == Status::Code::kExists) return std::nullopt;
        if (!s.ok()) return Failed(Reason::kRestoreMove, s);
      }
    }
    source_ = std::move(file);
    recovering_ = from_backup;
    return std::nullopt;
  }

  // Step 2.
  FileResult Write(const Converter& convert) {
    work_.emplace(fs_, work_path_, source_->info(), dry_run_);
    const ConversionOutcome outcome = convert(*source_, *work_);
    if (!outcome.status.ok()) {
      const Reason step = outcome.failed_step;
      return Fail(step == Reason::kForeignWork ? Kind::kSkipped : Kind::kFailed, step,
                  outcome.status);
    }
    if (outcome.cues == 0) {
      // A backup without a cue is an input without one again, as before any run; the work
      // file beside it is stale.
      if (recovering_ && !dry_run_) (void)fs_.Remove(work_path_);
      return Fail(Kind::kSkipped, Reason::kNoSubtitle, Status::Ok());
    }
    FileResult done;
    done.cues = outcome.cues;
    done.code_page = outcome.code_page;
    done.recovered = recovering_;
    return done;
  }

  // Ends a conversion that did not succeed: the work file goes, and the result says why.
  FileResult Fail(Kind kind, Reason reason, const Status& status) {
    source_.reset();
    std::string message = status.message();
    const std::string removal = work_->Discard();
    if (!removal.empty()) message += (message.empty() ? "" : "; ") + removal;
    return Result(kind, reason, std::move(message));
  }

  FileSystem& fs_;
  const std::filesystem::path input_;
  const std::filesystem::path work_path_;
  const std::filesystem::path backup_;
  const bool dry_run_;
  bool listed_alone_;                     // ConversionTask::listed_alone, until a look disagrees
  std::unique_ptr<ReadableFile> source_;  // open and claimed from step 1 to step 4
  bool recovering_ = false;
  std::optional<WorkFile> work_;
  FileResult done_;  // what to report once the moves are made
};

ConversionBatch::ConversionBatch(FileSystem& fs, const ConvertOptions& options, Converter convert,
                                 std::size_t size)
    : fs_(fs), options_(options), convert_(std::move(convert)), pending_(size), results_(size) {}

ConversionBatch::~ConversionBatch() = default;

std::uint64_t ConversionBatch::Prepare(std::size_t slot, const ConversionTask& task) {
  if (task.interrupted_only) {
    // The input's own entry speaks for it when it is there; else the first of its work file,
    // its file set aside and its backup that exists.
    FileInfo info;
    if (!Missing(fs_, task.input)) return 0;
    if (!fs_.Stat(BackupPathFor(task.input), &info).ok() || info.kind != EntryKind::kFile) {
      return 0;
    }
    const bool backup = IsBackupName(task.side_file), aside = IsAsideName(task.side_file);
    if (Exists(fs_, WorkPathFor(task.input)) ? backup || aside : !backup && !aside) {
      return 0;
    }
    if (backup && IsFile(fs_, AsidePathFor(task.input))) return 0;
  }
  auto conversion =
      std::make_unique<InPlaceConversion>(fs_, task.input, options_, task.listed_alone);
  results_[slot] = conversion->Prepare(convert_);
  if (results_[slot]) return 0;
  const std::uint64_t written = conversion->written();
  pending_[slot] = std::move(conversion);
  return written;
}

std::vector<std::optional<FileResult>> ConversionBatch::Finish(const RunSlots& run_slots) {
  // The batch's folders, each with its slots, in the order first met. The files come folder by
  // folder, so a file's folder is most often the one before, spelled alike.
  std::vector<std::pair<std::filesystem::path, std::vector<std::size_t>>> folders;
  {
    std::map<std::filesystem::path, std::size_t> index_of;
    std::size_t index = 0;
    FolderText last;
    for (std::size_t slot = 0; slot < pending_.size(); ++slot) {
      if (!pending_[slot]) continue;
      const FolderText spelled = FolderPart(pending_[slot]->input());
      if (folders.empty() || spelled != last) {
        last = spelled;
        std::filesystem::path folder = FolderOf(pending_[slot]->input());
        auto [it, added] = index_of.try_emplace(folder, folders.size());
        if (added) folders.emplace_back(std::move(folder), std::vector<std::size_t>());
        index = it->second;
      }
      folders[index].second.push_back(slot);
    }
  }
  // One sync of each file system the batch wrote to, through a folder of the batch on it. The
  // work file is beside its input, so on the input's device.
  struct Barrier {
    std::vector<std::filesystem::path> folders;
    bool synced = false;  // else each work file syncs itself
    Status failed;
  };
  std::map<std::uint64_t, Barrier> barriers;
  for (const auto& [folder, slots] : folders) {
    for (std::size_t slot : slots) {
      // Each folder comes once, so a folder already listed for this device is the last one.
      std::vector<std::filesystem::path>& listed = barriers[pending_[slot]->device()].folders;
      if (listed.empty() || listed.back().native() != folder.native()) listed.push_back(folder);
    }
  }
  for (auto& [device, barrier] : barriers) {
    for (const std::filesystem::path& folder : barrier.folders) {
      Status s = fs_.SyncFileSystem(folder);
      // A folder renamed since its files were written: any other on that file system serves.
      if (s.code() == Status::Code::kNotFound) continue;
      barrier.synced = s.ok();
      if (!s.ok() && s.code() != Status::Code::kUnsupported) barrier.failed = s;
      break;
    }
  }

  // Each file is sealed, then moved, and each folder synced by the call that moves its last
  // file. A seal after the barrier is the closing of the file, which on some systems waits for
  // the device as well, and a work file without a barrier syncs itself there.
  std::vector<std::size_t> folder_of(pending_.size());
  const auto unmoved = std::make_unique<std::atomic<std::size_t>[]>(folders.size());
  for (std::size_t index = 0; index < folders.size(); ++index) {
    unmoved[index] = folders[index].second.size();
    for (std::size_t slot : folders[index].second)
      folder_of[slot] = index;
  }
  const auto each = [&](std::size_t slot) {
    InPlaceConversion* conversion = pending_[slot].get();
    if (!conversion) return;
    // Every device is in the map already: a lookup, safe on several threads at once.
    const Barrier& barrier = std::as_const(barriers).at(conversion->device());
    results_[slot] = barrier.failed.ok() ? conversion->Seal(barrier.synced)
                                         : conversion->Abandon(barrier.failed);
    if (!results_[slot]) results_[slot] = conversion->Move();
    pending_[slot].reset();
    // The last of its folder: every other slot of it has its result, and the folder its moves.
    const auto& [folder, slots] = folders[folder_of[slot]];
    if (--unmoved[folder_of[slot]] != 0) return;
    if (std::none_of(slots.begin(), slots.end(),
                     [&](std::size_t s) { return results_[s]->done(); }))
      return;
    Status s = fs_.SyncDir(folder);
    if (s.ok()) return;
    for (std::size_t other : slots) {
      if (results_[other]->done()) results_[other] = Failed(Reason::kSyncFolder, s);
    }
  };
  if (run_slots) {
    run_slots(pending_.size(), each);
  } else {
    for (std::size_t slot = 0; slot < pending_.size(); ++slot)
      each(slot);
  }
  return std::move(results_);
}

FileResult ConvertInPlace(FileSystem& fs, const std::filesystem::path& input,
                          const ConvertOptions& options, const Converter& convert) {
  ConversionBatch batch(fs, options, convert, 1);
  batch.Prepare(0, {input});
  return *batch.Finish()[0];
}

std::optional<FileResult> FinishInterrupted(FileSystem& fs, const std::filesystem::path& input,
                                            const ConvertOptions& options,
                                            const Converter& convert) {
  ConversionBatch batch(fs, options, convert, 1);
  batch.Prepare(0, {input, true});
  return batch.Finish()[0];
}

// One restore, step by step. It runs in this order, and nothing is lost at any point of it:
//   1. claim the backup, look again with the claim held;
//   2. move name.txt aside, I -> A, without replacing anything;
//   3. check A through the file opened: what converting B gives, and still the file at A,
//      unchanged; anything else goes back, A -> I, and is skipped as changed;
//   4. move the backup back, B -> I; should another program have saved a name.txt meanwhile,
//      the new one stays and only the checked conversion A goes;
//   5. remove A, if it is still the file checked; release the claim; sync the folder.
// The file removed is the file checked: the name is taken first, so a program that saves
// name.txt after that makes a new file that no step touches, and one that writes into the file
// set aside changes it under our eyes (step 3 or 5 notices). The moves are in one folder, so a
// cut keeps them in order: it leaves I B, A B, I A or I, and at every one of them the original
// is under its own name or the backup's and the conversion under its own or A. A run that finds
// A B (stopped after step 2) goes on at step 3 when restoring and puts A back when converting;
// one that finds I A (stopped after step 4) removes A once it is what I gives. The claim keeps
// other runs away meanwhile: it is on the backup's file, at B and then at I.
namespace {

// Steps 1 to 5 for a backup that exists, or nothing when its state changed under us: look again.
std::optional<FileResult> RestoreBackup(FileSystem& fs, const std::filesystem::path& backup,
                                        const std::filesystem::path& target, bool dry_run,
                                        const Converter& convert) {
  const std::filesystem::path aside = AsidePathFor(target);
  FileInfo info;
  Status status = fs.Stat(backup, &info);
  // Restored by another run since the look.
  if (status.code() == Status::Code::kNotFound) return std::nullopt;
  if (!status.ok()) return Failed(Reason::kStat, status);
  if (info.kind != EntryKind::kFile) return Skipped(Reason::kBackupNotRegular);

  // The same claim as a conversion's, on the same file: no run converts or restores this trio
  // while we hold it. A dry run reads it without claiming.
  std::unique_ptr<ReadableFile> claim;
  status = fs.OpenForRead(backup, &claim);
  if (status.code() == Status::Code::kNotFound) return std::nullopt;
  if (status.code() == Status::Code::kNotRegular) return Skipped(Reason::kBackupNotRegular);
  if (!status.ok()) return Failed(Reason::kStat, status);
  if (!dry_run) {
    if (Busy(*claim)) return Skipped(Reason::kBusy);
    // Another run may have restored it between the look and the claim.
    if (!StillNames(fs, backup, *claim)) return std::nullopt;
  }

  // What to check: what an earlier restore set aside, else name.txt, set aside now. Only a
  // regular file can have been name.txt.
  status = fs.Stat(aside, &info);
  const bool resumed = status.ok();
  if (resumed && info.kind != EntryKind::kFile) return Skipped(Reason::kForeignAside);
  bool set_aside = resumed;
  if (!resumed) {
    status = fs.Stat(target, &info);
    if (status.ok() && info.kind != EntryKind::kFile) return Skipped(Reason::kTargetNotFile);
    if (!status.ok() && status.code() != Status::Code::kNotFound) {
      return Failed(Reason::kStat, status);
    }
    if (status.ok() && !dry_run) {
      status = fs.MoveNoReplace(target, aside);
      if (status.code() == Status::Code::kExists || status.code() == Status::Code::kNotFound) {
        return std::nullopt;
      }
      if (!status.ok()) return Failed(Reason::kSetAside, status);
    }
    set_aside = status.ok();
  }
  std::unique_ptr<ReadableFile> taken;
  if (set_aside) {
    const std::filesystem::path& checked = dry_run && !resumed ? target : aside;
    status = CheckSetAside(fs, checked, *claim, convert, &taken);
    if (!taken) {
      // Not ours, or not readable. Beside a name.txt it cannot have been that name.txt, so it is
      // not ours to move; else it goes back where it was.
      if (resumed && !Missing(fs, target)) {
        return status.ok() ? Skipped(Reason::kForeignAside)
                           : Failed(Reason::kReadConverted, status);
      }
      if (!dry_run) {
        Status back = fs.MoveNoReplace(aside, target);
        if (!back.ok()) return Failed(Reason::kPutBack, back);
      }
      if (!status.ok()) return Failed(Reason::kReadConverted, status);
      return Skipped(Reason::kChangedSinceConverted);
    }
  }
  if (dry_run && resumed && Exists(fs, target)) {
    // The name.txt saved since would be looked at next.
    status = CheckSetAside(fs, target, *claim, convert, &taken);
    if (!status.ok()) return Failed(Reason::kReadConverted, status);
    if (!taken) return Skipped(Reason::kChangedSinceConverted);
  }
  if (dry_run) return FileResult{};

  status = fs.MoveNoReplace(backup, target);
  if (status.code() == Status::Code::kExists && set_aside) {
    // Saved by another program after the move aside: it stays, and the conversion goes.
    status = RemoveSetAside(fs, aside, *taken);
    if (!status.ok()) return Failed(Reason::kRemove, status);
    return resumed ? std::nullopt : std::optional(Skipped(Reason::kChangedSinceConverted));
  }
  if (!status.ok()) {
    if (set_aside) (void)fs.MoveNoReplace(aside, target);
    return Failed(Reason::kRestoreMove, status);
  }
  if (set_aside) {
    status = RemoveSetAside(fs, aside, *taken);
    if (!status.ok()) return Failed(Reason::kRemove, status);
  }
  claim.reset();
  status = fs.SyncDir(FolderOf(target));
  if (!status.ok()) return Failed(Reason::kSyncFolder, status);
  return FileResult{};
}

// Step 5 for a restore that stopped after step 4, or nothing when the trio is not in that state.
std::optional<FileResult> RemoveLeftAside(FileSystem& fs, const std::filesystem::path& target,
                                          bool dry_run, const Converter& convert) {
  const std::filesystem::path aside = AsidePathFor(target);
  if (!IsFile(fs, aside) || !Missing(fs, BackupPathFor(target))) return std::nullopt;
  std::unique_ptr<ReadableFile> original;
  Status status = fs.OpenForRead(target, &original);
  if (!status.ok()) return std::nullopt;
  if (!dry_run && Busy(*original)) return Skipped(Reason::kBusy);
  if (!StillNames(fs, target, *original) || !Missing(fs, BackupPathFor(target))) {
    return std::nullopt;
  }
  std::unique_ptr<ReadableFile> taken;
  status = CheckSetAside(fs, aside, *original, convert, &taken);
  if (!status.ok()) return Failed(Reason::kReadConverted, status);
  // Not what the original gives: not provably ours, so it stays.
  if (!taken) return std::nullopt;
  FileResult result;
  result.recovered = true;
  if (dry_run) return result;
  status = RemoveSetAside(fs, aside, *taken);
  if (!status.ok()) return Failed(Reason::kRemove, status);
  original.reset();
  status = fs.SyncDir(FolderOf(target));
  if (!status.ok()) return Failed(Reason::kSyncFolder, status);
  return result;
}

}  // namespace

FileResult RestoreInPlace(FileSystem& fs, const std::filesystem::path& backup,
                          const ConvertOptions& options, const Converter& convert) {
  // Any other name would be its own target, and removing the target would remove it.
  if (!IsBackupName(backup)) return Skipped(Reason::kNoBackup);
  const std::filesystem::path target = InputPathFor(backup);
  for (int look = 0; look < kMaxLooks; ++look) {
    std::optional<FileResult> result;
    if (Missing(fs, backup)) {
      result = RemoveLeftAside(fs, target, options.dry_run, convert);
      if (!result) return Skipped(Reason::kNoBackup);
    } else {
      result = RestoreBackup(fs, backup, target, options.dry_run, convert);
    }
    if (result) return *result;
  }
  return Skipped(Reason::kBusy);
}

std::optional<FileResult> FinishRestore(FileSystem& fs, const std::filesystem::path& input,
                                        const ConvertOptions& options, const Converter& convert) {
  return RemoveLeftAside(fs, input, options.dry_run, convert);
}

}  // namespace kestrane
