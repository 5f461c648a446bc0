#include "convert/in_place_conversion.h"

#include <string>
#include <utility>

#include "convert/claim.h"
#include "convert/conversion_proof.h"
#include "convert/file_identity.h"
#include "convert/interrupted_moves.h"
#include "convert/side_file_names.h"

namespace kestrane {
namespace {

using Kind = FileResult::Kind;
using Reason = FileResult::Reason;

}  // namespace

InPlaceConversion::InPlaceConversion(FileSystem& fs, const std::filesystem::path& input,
                                     const ConvertOptions& options, bool listed_alone)
    : fs_(fs),
      input_(input),
      work_path_(WorkPathFor(input)),
      backup_(BackupPathFor(input)),
      dry_run_(options.dry_run),
      legacy_(options.legacy),
      listed_alone_(listed_alone) {}

std::optional<FileResult> InPlaceConversion::Prepare(const Converter& convert) {
  if (std::optional<FileResult> skipped = ClaimOriginal()) return skipped;
  // The listing showed no work file and nothing set aside: should one have come since, the
  // work file's creation finds it, and a file set aside waits for the next run.
  if (!recovering_ && !listed_alone_) {
    if (std::optional<FileResult> skipped = LookAtSideFiles()) return skipped;
  }
  if (std::optional<FileResult> failed = RemoveLeftoverWork()) {
    source_.reset();
    return failed;
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
  if (listed_alone_ && !dry_run_ && Exists(fs_, backup_)) {
    return FileResult::Skipped(Reason::kBackupExists);
  }
  return result;
}

// The work file and the file set aside of a claimed input. Empty when the conversion goes on.
std::optional<FileResult> InPlaceConversion::LookAtSideFiles() {
  if (std::optional<FileResult> skipped = ProveLeftoverWork(*source_)) {
    source_.reset();
    return skipped;
  }
  // A restore that stopped before removing the converted file it had set aside: it goes when it
  // is what the original gives. Should that fail, it stays for a restore to finish.
  std::unique_ptr<ReadableFile> proven;
  const std::filesystem::path aside = AsidePathFor(input_);
  if (!dry_run_ &&
      OpenIfConversionOf(fs_, aside, *source_, legacy_, ProofMode::kWhole, &proven).ok() &&
      proven) {
    (void)RemoveIfStillProven(fs_, aside, *proven);
  }
  return std::nullopt;
}

// With the claim held no live run writes the work file: what is there is a dead run's, proven
// a cut conversion of `original` and held in leftover_ until RemoveLeftoverWork, or another
// program's, which skips the input. Empty when the conversion goes on.
std::optional<FileResult> InPlaceConversion::ProveLeftoverWork(ReadableFile& original) {
  if (WorkFileAt(fs_, work_path_, original, legacy_, &leftover_) == WorkFileOwner::kForeign) {
    return FileResult::Skipped(Reason::kForeignWork);
  }
  return std::nullopt;
}

// Makes way for the work file: the leftover proven, if any, goes. Empty when the conversion goes
// on.
std::optional<FileResult> InPlaceConversion::RemoveLeftoverWork() {
  if (!leftover_ || dry_run_) return std::nullopt;
  Status s = RemoveIfStillProven(fs_, work_path_, *leftover_);
  leftover_.reset();
  if (!s.ok()) return FileResult::Failed(Reason::kCreateWork, s);
  return std::nullopt;
}

std::optional<FileResult> InPlaceConversion::Seal(bool synced) {
  Status s = work_->Seal(!synced);
  if (!s.ok()) return EndRemovingWork(Kind::kFailed, work_->failed_step(), s);
  return std::nullopt;
}

FileResult InPlaceConversion::Abandon(const Status& status) {
  return EndRemovingWork(Kind::kFailed, Reason::kSync, status);
}

FileResult InPlaceConversion::Move() {
  // Where the system cannot keep writers out while the input is read, notice them instead.
  FileInfo now;
  if (!fs_.Stat(input_, &now).ok() || !SameFile(now, source_->info())) {
    return EndRemovingWork(Kind::kSkipped, Reason::kChanged, Status::Ok());
  }
  // While the work file waited for the barrier, its name may have been given to another file
  // (a link planted there): only the file written goes in, and the other is not ours to remove.
  Status s = fs_.Stat(work_path_, &now);
  if (!s.ok() || !SameIdentity(now, work_->identity())) {
    work_->Disown();
    if (!s.ok() && s.code() != Status::Code::kNotFound) {
      return EndRemovingWork(Kind::kFailed, Reason::kStat, s);
    }
    return EndRemovingWork(Kind::kFailed, Reason::kWorkReplaced, Status::Ok());
  }
  s = MoveToFreeName(fs_, input_, backup_, &copies_);
  if (s.code() == Status::Code::kExists) {
    return EndRemovingWork(Kind::kSkipped, Reason::kBackupExists, s);
  }
  if (!s.ok()) return EndRemovingWork(Kind::kFailed, Reason::kBackupMove, s);
  s = MoveToFreeName(fs_, work_path_, input_, &copies_);
  if (!s.ok()) {
    // Put the original back where the user left it. Should that fail, the work file stays
    // beside the backup, and the next run finishes the conversion.
    if (MoveToFreeName(fs_, backup_, input_, &copies_).ok()) {
      return EndRemovingWork(Kind::kFailed, Reason::kInstallMove, s);
    }
    return EndKeepingWork(Reason::kInstallMove, s);
  }
  source_.reset();
  return std::move(done_);
}

// Step 1. Empty when a source is claimed; otherwise what to report.
std::optional<FileResult> InPlaceConversion::ClaimOriginal() {
  if (!listed_alone_ && !dry_run_) RepairInterruptedMoves(fs_, input_, legacy_);
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
      if (!Missing(fs_, input_)) return FileResult::Skipped(Reason::kBackupExists);
      if (IsFile(fs_, AsidePathFor(input_))) {
        result = PutBackSetAside();
      } else if (!Exists(fs_, work_path_)) {
        return FileResult::Skipped(Reason::kLoneBackup);
      } else {
        result = ClaimSource(/*from_backup=*/true);
      }
    } else {
      result = ClaimSource(/*from_backup=*/false);
    }
    if (result || source_) return result;
  }
  return FileResult::Skipped(Reason::kBusy);
}

// A restore stopped after setting the converted file aside: under the claim on the backup it
// goes back when it is the backup's conversion, and the trio is converted, as before the
// restore. Anything else there is another program's, and stays. Empty: look again.
std::optional<FileResult> InPlaceConversion::PutBackSetAside() {
  std::unique_ptr<ReadableFile> claim;
  Status s = fs_.OpenForRead(backup_, &claim);
  if (s.code() == Status::Code::kNotFound) return std::nullopt;
  if (s.code() == Status::Code::kNotRegular) return FileResult::Skipped(Reason::kBackupExists);
  if (!s.ok()) return FileResult::Failed(Reason::kOpen, s);
  if (!dry_run_ && !Claim(*claim)) return FileResult::Skipped(Reason::kBusy);
  if (!Missing(fs_, input_) || !StillNames(fs_, backup_, *claim)) return std::nullopt;
  const std::filesystem::path aside = AsidePathFor(input_);
  std::unique_ptr<ReadableFile> proven;
  s = OpenIfConversionOf(fs_, aside, *claim, legacy_, ProofMode::kWhole, &proven);
  if (!s.ok()) return FileResult::Failed(Reason::kReadConverted, s);
  if (!proven) return FileResult::Skipped(Reason::kForeignAside);
  if (dry_run_) return FileResult::Skipped(Reason::kBackupExists);
  s = MoveToFreeName(fs_, aside, input_, &copies_);
  if (s.ok() || s.code() == Status::Code::kExists || s.code() == Status::Code::kNotFound) {
    return std::nullopt;
  }
  return FileResult::Failed(Reason::kPutBack, s);
}

// Opens and claims the input, or the backup when finishing an interrupted conversion, then
// checks that the trio is still as the look found it. Neither a result nor a source: look again.
std::optional<FileResult> InPlaceConversion::ClaimSource(bool from_backup) {
  const std::filesystem::path& path = from_backup ? backup_ : input_;
  std::unique_ptr<ReadableFile> file;
  Status s = listed_alone_ ? fs_.OpenListedForRead(path, &file) : fs_.OpenForRead(path, &file);
  if (s.code() == Status::Code::kNotFound) {
    // Another run moved it meanwhile: its next state tells what is left to do.
    if (from_backup || Exists(fs_, backup_)) return std::nullopt;
    return FileResult::Skipped(Reason::kNoInput);
  }
  if (s.code() == Status::Code::kNotRegular) {
    return FileResult::Skipped(from_backup ? Reason::kBackupExists : Reason::kNotRegular);
  }
  if (!s.ok()) return FileResult::Failed(Reason::kOpen, s);
  if (!dry_run_) {
    if (!Claim(*file)) return FileResult::Skipped(Reason::kBusy);
    // What the look saw may have changed before the claim: the run that held it may have
    // finished, or finished the conversion we came to finish. The name is looked at even when
    // the listing saw the input alone, since another run's moves give it the converted file;
    // the backup then only once the conversion ends short of its moves (see Prepare).
    const bool same =
        from_backup ? Missing(fs_, input_) && StillNames(fs_, backup_, *file)
                    : StillNames(fs_, input_, *file) && (listed_alone_ || !Exists(fs_, backup_));
    if (!same) return std::nullopt;
  }
  // Proven before the backup goes back, removed after: a cut in between leaves the input and
  // a work file, which the next run tells apart as well.
  if (from_backup) {
    if (std::optional<FileResult> skipped = ProveLeftoverWork(*file)) return skipped;
  }
  if (!dry_run_) {
    if (from_backup) {
      s = MoveToFreeName(fs_, backup_, input_, &copies_);
      if (s.code() == Status::Code::kExists) return std::nullopt;
      if (!s.ok()) return FileResult::Failed(Reason::kRestoreMove, s);
      // Where the system has no links the input is now a copy, claimed by the move: the file
      // read stands for it, and the check before the moves looks for the copy.
      if (!StillNames(fs_, input_, *file) && !copies_.empty() &&
          StillNames(fs_, input_, *copies_.back())) {
        std::swap(file, copies_.back());
      }
    }
  }
  source_ = std::move(file);
  recovering_ = from_backup;
  return std::nullopt;
}

// Step 2.
FileResult InPlaceConversion::Write(const Converter& convert) {
  work_.emplace(fs_, work_path_, source_->info(), dry_run_);
  const ConversionOutcome outcome = convert(*source_, *work_);
  if (!outcome.status.ok()) {
    const Reason step = outcome.failed_step;
    return EndRemovingWork(FileResult::SkipsAt(step) ? Kind::kSkipped : Kind::kFailed, step,
                           outcome.status);
  }
  if (outcome.cues == 0) {
    return EndRemovingWork(Kind::kSkipped, Reason::kNoSubtitle, Status::Ok());
  }
  FileResult done;
  done.cues = outcome.cues;
  done.code_page = outcome.code_page;
  done.recovered = recovering_;
  return done;
}

FileResult InPlaceConversion::EndRemovingWork(Kind kind, Reason reason, const Status& status) {
  std::string message = status.message();
  // Under the claim still: a run's repair takes nothing from a removal under way.
  const std::string removal = work_->Discard();
  source_.reset();
  if (!removal.empty()) message += (message.empty() ? "" : "; ") + removal;
  return FileResult::Ended(kind, reason, std::move(message));
}

FileResult InPlaceConversion::EndKeepingWork(Reason reason, const Status& status) {
  return FileResult::Failed(reason, status);
}

}  // namespace kestrane
