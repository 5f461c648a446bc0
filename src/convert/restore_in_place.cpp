#include "convert/restore_in_place.h"

#include <memory>
#include <utility>

#include "convert/claim.h"
#include "convert/conversion_proof.h"
#include "convert/file_identity.h"
#include "convert/interrupted_moves.h"
#include "convert/move_ladder.h"
#include "convert/side_file_names.h"

namespace kestrane {
namespace {

using Reason = FileResult::Reason;

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
class InPlaceRestore {
 public:
  InPlaceRestore(FileSystem& fs, const std::filesystem::path& backup,
                 const std::filesystem::path& target, const ConvertOptions& options, bool listed)
      : fs_(fs),
        backup_(backup),
        target_(target),
        aside_(AsidePathFor(target)),
        dry_run_(options.dry_run),
        legacy_(options.legacy),
        listed_(listed) {}

  // Steps 1 to 5 for a backup that exists, or nothing when its state changed under us: look
  // again.
  std::optional<FileResult> Run() {
    if (!ClaimBackup() || !SetAside() || !CheckSetAside() || !CheckSavedSince()) return result_;
    if (dry_run_) return FileResult{};
    return PutBackupBack();
  }

 private:
  // Each step returns whether the restore goes on; when it does not, result_ says why, or is
  // empty when the trio is to be looked at again.
  bool End(FileResult result) {
    result_ = std::move(result);
    return false;
  }
  static bool LookAgain() { return false; }

  bool ClaimBackup();
  bool SetAside();
  bool MoveTargetAside();
  bool CheckSetAside();
  bool CheckSavedSince();
  std::optional<FileResult> PutBackupBack();

  FileSystem& fs_;
  const std::filesystem::path& backup_;
  const std::filesystem::path& target_;
  const std::filesystem::path aside_;
  const bool dry_run_;
  const LegacyEncoding legacy_;
  // The walk's listing showed name.txt and its backup as regular files and nothing set aside:
  // the looks that would only say the same are spared. Nothing rests on them: a move never
  // replaces, and what is opened is checked through its handle.
  const bool listed_;
  std::unique_ptr<ReadableFile> claim_;  // the backup's file, claimed unless in a dry run
  bool resumed_ = false;                 // an earlier restore had set name.txt aside
  bool set_aside_ = false;               // there is a file to check: at A, or at I in a dry run
  std::unique_ptr<ReadableFile> taken_;  // that file, proven ours
  CopyClaims copies_;                    // claims on the copies a system without links made
  std::optional<FileResult> result_;
};

// Step 1. The same claim as a conversion's, on the same file: no run converts or restores this
// trio while we hold it. A dry run reads it without claiming.
bool InPlaceRestore::ClaimBackup() {
  Status status;
  if (!listed_) {
    FileInfo info;
    status = fs_.Stat(backup_, &info);
    // Restored by another run since the look.
    if (status.code() == Status::Code::kNotFound) return LookAgain();
    if (!status.ok()) return End(FileResult::Failed(Reason::kStat, status));
    if (info.kind != EntryKind::kFile) return End(FileResult::Skipped(Reason::kBackupNotRegular));
  }
  status = listed_ ? fs_.OpenListedForRead(backup_, &claim_) : fs_.OpenForRead(backup_, &claim_);
  if (status.code() == Status::Code::kNotFound) return LookAgain();
  if (status.code() == Status::Code::kNotRegular) {
    return End(FileResult::Skipped(Reason::kBackupNotRegular));
  }
  if (!status.ok()) return End(FileResult::Failed(Reason::kStat, status));
  if (dry_run_) return true;
  if (!Claim(*claim_)) return End(FileResult::Skipped(Reason::kBusy));
  // Another run may have restored it between the look and the claim.
  return StillNames(fs_, backup_, *claim_) || LookAgain();
}

// Step 2. What to check: what an earlier restore set aside, else name.txt, set aside now. Only
// a regular file can have been name.txt.
bool InPlaceRestore::SetAside() {
  if (listed_ && !dry_run_) return MoveTargetAside();
  FileInfo info;
  Status status = fs_.Stat(aside_, &info);
  resumed_ = set_aside_ = status.ok();
  if (resumed_) {
    return info.kind == EntryKind::kFile || End(FileResult::Skipped(Reason::kForeignAside));
  }
  status = fs_.Stat(target_, &info);
  if (status.ok() && info.kind != EntryKind::kFile) {
    return End(FileResult::Skipped(Reason::kTargetNotFile));
  }
  if (!status.ok() && status.code() != Status::Code::kNotFound) {
    return End(FileResult::Failed(Reason::kStat, status));
  }
  if (status.ok() && !dry_run_) return MoveTargetAside();
  set_aside_ = status.ok();
  return true;
}

// I -> A. Should anything have come to A, or gone from I, since the look, look again. Whatever
// came to I instead of a regular file is moved like one, and then fails the check and goes back.
bool InPlaceRestore::MoveTargetAside() {
  const Status status = MoveToFreeName(fs_, target_, aside_, &copies_);
  if (status.code() == Status::Code::kExists || status.code() == Status::Code::kNotFound) {
    return LookAgain();
  }
  if (!status.ok()) return End(FileResult::Failed(Reason::kSetAside, status));
  set_aside_ = true;
  return true;
}

// Step 3. A dry run checks name.txt where it stands.
bool InPlaceRestore::CheckSetAside() {
  if (!set_aside_) return true;
  const std::filesystem::path& checked = dry_run_ && !resumed_ ? target_ : aside_;
  // What was moved aside is what the listing showed at name.txt, or else fails the proof.
  const Status status = OpenIfConversionOf(fs_, checked, *claim_, legacy_, ProofMode::kWhole,
                                           &taken_, listed_ && !resumed_);
  if (taken_) return true;
  // Not ours, or not readable. Beside a name.txt it cannot have been that name.txt, so it is not
  // ours to move; else it goes back where it was.
  if (resumed_ && !Missing(fs_, target_)) {
    return End(status.ok() ? FileResult::Skipped(Reason::kForeignAside)
                           : FileResult::Failed(Reason::kReadConverted, status));
  }
  if (!dry_run_) {
    Status back = MoveToFreeName(fs_, aside_, target_, &copies_);
    if (!back.ok()) return End(FileResult::Failed(Reason::kPutBack, back));
  }
  if (!status.ok()) return End(FileResult::Failed(Reason::kReadConverted, status));
  return End(FileResult::Skipped(Reason::kChangedSinceConverted));
}

// A dry run that resumes looks next at the name.txt saved since, as a restore would.
bool InPlaceRestore::CheckSavedSince() {
  if (!dry_run_ || !resumed_ || !Exists(fs_, target_)) return true;
  const Status status =
      OpenIfConversionOf(fs_, target_, *claim_, legacy_, ProofMode::kWhole, &taken_);
  if (!status.ok()) return End(FileResult::Failed(Reason::kReadConverted, status));
  return taken_ != nullptr || End(FileResult::Skipped(Reason::kChangedSinceConverted));
}

// Steps 4 and 5.
std::optional<FileResult> InPlaceRestore::PutBackupBack() {
  Status status = MoveToFreeName(fs_, backup_, target_, &copies_);
  if (status.code() == Status::Code::kExists && set_aside_) {
    // Saved by another program after the move aside: it stays, and the conversion goes.
    status = RemoveIfStillProven(fs_, aside_, *taken_);
    if (!status.ok()) return FileResult::Failed(Reason::kRemove, status);
    if (resumed_) return std::nullopt;
    return FileResult::Skipped(Reason::kChangedSinceConverted);
  }
  if (!status.ok()) {
    if (set_aside_) (void)MoveToFreeName(fs_, aside_, target_, &copies_);
    return FileResult::Failed(Reason::kRestoreMove, status);
  }
  if (set_aside_) {
    status = RemoveIfStillProven(fs_, aside_, *taken_);
    if (!status.ok()) return FileResult::Failed(Reason::kRemove, status);
  }
  return FileResult{};
}

// Step 5 for a restore that stopped after step 4, or nothing when the trio is not in that state.
std::optional<FileResult> RemoveLeftAside(FileSystem& fs, const std::filesystem::path& target,
                                          const ConvertOptions& options) {
  const bool dry_run = options.dry_run;
  const std::filesystem::path aside = AsidePathFor(target);
  if (!IsFile(fs, aside) || !Missing(fs, BackupPathFor(target))) return std::nullopt;
  std::unique_ptr<ReadableFile> original;
  Status status = fs.OpenForRead(target, &original);
  if (!status.ok()) return std::nullopt;
  if (!dry_run && !Claim(*original)) return FileResult::Skipped(Reason::kBusy);
  if (!StillNames(fs, target, *original) || !Missing(fs, BackupPathFor(target))) {
    return std::nullopt;
  }
  std::unique_ptr<ReadableFile> taken;
  status = OpenIfConversionOf(fs, aside, *original, options.legacy, ProofMode::kWhole, &taken);
  if (!status.ok()) return FileResult::Failed(Reason::kReadConverted, status);
  // Not what the original gives: not provably ours, so it stays.
  if (!taken) return std::nullopt;
  FileResult result;
  result.recovered = true;
  if (dry_run) return result;
  status = RemoveIfStillProven(fs, aside, *taken);
  if (!status.ok()) return FileResult::Failed(Reason::kRemove, status);
  return result;
}

}  // namespace

FileResult RestoreMoves(FileSystem& fs, const std::filesystem::path& backup,
                        const ConvertOptions& options, bool listed) {
  // Any other name would be its own target, and removing the target would remove it.
  if (!IsBackupName(backup)) return FileResult::Skipped(Reason::kNoBackup);
  const std::filesystem::path target = InputPathFor(backup);
  if (!options.dry_run && !listed) RepairInterruptedMoves(fs, target, options.legacy);
  for (int look = 0; look < kMaxLooks; ++look) {
    std::optional<FileResult> result;
    if (!listed && Missing(fs, backup)) {
      result = RemoveLeftAside(fs, target, options);
      if (!result) return FileResult::Skipped(Reason::kNoBackup);
    } else {
      result = InPlaceRestore(fs, backup, target, options, listed).Run();
    }
    if (result) return *result;
    // What the listing showed has changed: from now on, every look is made.
    listed = false;
  }
  return FileResult::Skipped(Reason::kBusy);
}

FileResult RestoreInPlace(FileSystem& fs, const std::filesystem::path& backup,
                          const ConvertOptions& options) {
  FileResult result = RestoreMoves(fs, backup, options, /*listed=*/false);
  if (!result.done() || options.dry_run) return result;
  const Status status = fs.SyncDir(FolderOf(backup));
  if (!status.ok()) return FileResult::Warned(result, Reason::kSyncFolder, status);
  return result;
}

std::optional<FileResult> FinishRestore(FileSystem& fs, const std::filesystem::path& input,
                                        const ConvertOptions& options) {
  if (!options.dry_run) RepairInterruptedMoves(fs, input, options.legacy);
  return RemoveLeftAside(fs, input, options);
}

}  // namespace kestrane
