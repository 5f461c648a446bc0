#include "convert/beside_conversion.h"

#include <string>
#include <utility>

#include "convert/claim.h"
#include "convert/conversion_proof.h"
#include "convert/file_identity.h"
#include "convert/side_file_names.h"
#include "convert/source_names.h"
#include "platform/folder_path.h"

namespace kestrane {

using Kind = FileResult::Kind;
using Reason = FileResult::Reason;

// The steps of one conversion beside, holding the claim on the source from the first to the
// last.
class BesideConversion {
 public:
  BesideConversion(FileSystem& fs, const std::filesystem::path& source,
                   const ConvertOptions& options)
      : fs_(fs),
        source_path_(source),
        list_(ListPathFor(source)),
        work_path_(WorkPathFor(list_)),
        options_(options) {}

  FileResult Run(const Converter& convert) {
    if (std::optional<FileResult> ended = ClaimSource()) return *std::move(ended);
    if (std::optional<FileResult> ended = LookAtList()) return *std::move(ended);
    if (std::optional<FileResult> ended = ClearLeftoverWork()) return *std::move(ended);
    return WriteAndMove(convert);
  }

 private:
  std::optional<FileResult> ClaimSource() {
    Status s = OpenSourceBeside(fs_, source_path_, options_.legacy, &source_);
    if (s.code() == Status::Code::kNotFound) return FileResult::Skipped(Reason::kNoInput);
    if (s.code() == Status::Code::kNotRegular) return FileResult::Skipped(Reason::kNotRegular);
    if (!s.ok()) return FileResult::Failed(Reason::kOpen, s);
    if (!options_.dry_run && !Claim(*source_)) return FileResult::Skipped(Reason::kBusy);
    return std::nullopt;
  }

  // A list there already is never replaced; it only says why.
  std::optional<FileResult> LookAtList() {
    if (Missing(fs_, list_)) return std::nullopt;
    std::unique_ptr<ReadableFile> proven;
    Status s =
        OpenIfConversionOf(fs_, list_, *source_, options_.legacy, ProofMode::kWhole, &proven);
    if (!s.ok()) return FileResult::Failed(Reason::kReadConverted, s);
    return FileResult::Skipped(proven ? Reason::kAlreadyConverted : Reason::kListExists);
  }

  std::optional<FileResult> ClearLeftoverWork() {
    std::unique_ptr<ReadableFile> leftover;
    switch (WorkFileAt(fs_, work_path_, *source_, options_.legacy, &leftover)) {
      case WorkFileOwner::kNone:
        return std::nullopt;
      case WorkFileOwner::kForeign:
        return FileResult::Skipped(Reason::kForeignWork);
      case WorkFileOwner::kOurs:
        break;
    }
    if (options_.dry_run) return std::nullopt;
    Status s = RemoveIfStillProven(fs_, work_path_, *leftover);
    if (!s.ok()) return FileResult::Failed(Reason::kCreateWork, s);
    return std::nullopt;
  }

  FileResult WriteAndMove(const Converter& convert) {
    WorkFile work(fs_, work_path_, source_->info(), options_.dry_run);
    const ConversionOutcome outcome = convert(*source_, work);
    if (!outcome.status.ok()) {
      const Reason step = outcome.failed_step;
      return End(work, step == Reason::kForeignWork ? Kind::kSkipped : Kind::kFailed, step,
                 outcome.status);
    }
    if (outcome.cues == 0) return End(work, Kind::kSkipped, Reason::kNoSubtitle, Status::Ok());
    FileResult done;
    done.cues = outcome.cues;
    done.code_page = outcome.code_page;
    if (options_.dry_run) return done;
    Status s = work.Seal(/*sync=*/true);
    if (!s.ok()) return End(work, Kind::kFailed, work.failed_step(), s);
    // Where the system cannot keep writers out while the source is read, notice them instead.
    if (!StillNames(fs_, source_path_, *source_)) {
      return End(work, Kind::kSkipped, Reason::kChanged, Status::Ok());
    }
    FileInfo now;
    s = fs_.Stat(work_path_, &now);
    if (!s.ok() || !SameIdentity(now, work.identity())) {
      work.Disown();
      return End(work, Kind::kFailed, Reason::kWorkReplaced, s);
    }
    s = fs_.MoveNoReplace(work_path_, list_);
    if (s.code() == Status::Code::kExists) {
      return End(work, Kind::kSkipped, Reason::kListExists, Status::Ok());
    }
    if (!s.ok()) return End(work, Kind::kFailed, Reason::kInstallMove, s);
    source_.reset();
    s = fs_.SyncDir(FolderOf(list_));
    if (!s.ok()) return FileResult::Failed(Reason::kSyncFolder, s);
    return done;
  }

  FileResult End(WorkFile& work, Kind kind, Reason reason, const Status& status) {
    source_.reset();
    std::string message = status.message();
    const std::string removal = work.Discard();
    if (!removal.empty()) message += (message.empty() ? "" : "; ") + removal;
    return FileResult::Ended(kind, reason, std::move(message));
  }

  FileSystem& fs_;
  const std::filesystem::path source_path_, list_, work_path_;
  const ConvertOptions& options_;
  std::unique_ptr<ReadableFile> source_;  // open and claimed from the first step to the last
};

FileResult ConvertBeside(FileSystem& fs, const std::filesystem::path& source,
                         const ConvertOptions& options, const Converter& convert) {
  return BesideConversion(fs, source, options).Run(convert);
}

FileResult RestoreBeside(FileSystem& fs, const std::filesystem::path& source,
                         const ConvertOptions& options) {
  const std::filesystem::path list = ListPathFor(source);
  if (Missing(fs, list)) return FileResult::Skipped(Reason::kNoList);
  std::unique_ptr<ReadableFile> claimed;
  Status s = OpenSourceBeside(fs, source, options.legacy, &claimed);
  if (s.code() == Status::Code::kNotFound) return FileResult::Skipped(Reason::kNoInput);
  if (s.code() == Status::Code::kNotRegular) return FileResult::Skipped(Reason::kNotRegular);
  if (!s.ok()) return FileResult::Failed(Reason::kOpen, s);
  if (!options.dry_run && !Claim(*claimed)) return FileResult::Skipped(Reason::kBusy);
  std::unique_ptr<ReadableFile> proven;
  s = OpenIfConversionOf(fs, list, *claimed, options.legacy, ProofMode::kWhole, &proven);
  if (!s.ok()) return FileResult::Failed(Reason::kReadConverted, s);
  if (!proven) return FileResult::Skipped(Reason::kChangedSinceConverted);
  if (options.dry_run) return FileResult{};
  s = RemoveIfStillProven(fs, list, *proven);
  if (!s.ok()) return FileResult::Failed(Reason::kRemove, s);
  s = fs.SyncDir(FolderOf(list));
  if (!s.ok()) return FileResult::Failed(Reason::kSyncFolder, s);
  return FileResult{};
}

}  // namespace kestrane
