#include "convert/beside_conversion.h"

#include <string>
#include <utility>

#include "convert/claim.h"
#include "convert/conversion_proof.h"
#include "convert/file_identity.h"
#include "convert/move_ladder.h"
#include "convert/side_file_names.h"
#include "convert/source_names.h"
#include "convert/webvtt_source.h"
#include "platform/folder_path.h"

namespace kestrane {

using Kind = FileResult::Kind;
using Reason = FileResult::Reason;

namespace {

// What a cut left of a move or a removal of `list` on its way (move_ladder.h): under the claim
// on its source, a private name that holds the source's conversion, whole or cut, is ours and
// goes; anything else stays.
void ClearPrivateNamesOf(FileSystem& fs, const std::filesystem::path& list, ReadableFile& source,
                         const LegacyEncoding& legacy) {
  for (const std::filesystem::path& name : {RemovingPathFor(list), CopyingPathFor(list)}) {
    std::unique_ptr<ReadableFile> proven;
    const Status s = OpenIfConversionOf(fs, name, source, legacy, ProofMode::kPrefix, &proven);
    if (s.ok() && proven) (void)RemoveIfStillProven(fs, name, *proven);
  }
}

}  // namespace

BesideConversion::BesideConversion(FileSystem& fs, const std::filesystem::path& source,
                                   const ConvertOptions& options, bool listed_alone)
    : fs_(fs),
      source_path_(source),
      list_(ListPathFor(source)),
      work_path_(WorkPathFor(list_)),
      options_(options),
      listed_alone_(listed_alone) {}

BesideConversion::~BesideConversion() = default;

std::optional<FileResult> BesideConversion::Prepare(const Converter& convert) {
  if (std::optional<FileResult> ended = ClaimSource()) return ended;
  if (!listed_alone_) {
    ClearPrivateNames();
    if (std::optional<FileResult> ended = LookAtList()) return ended;
    if (std::optional<FileResult> ended = ClearLeftoverWork()) return ended;
  }
  return Write(convert);
}

std::optional<FileResult> BesideConversion::ClaimSource() {
  Status s = OpenSourceBeside(fs_, source_path_, options_.legacy, &source_, listed_alone_);
  if (s.code() == Status::Code::kNotFound) return FileResult::Skipped(Reason::kNoInput);
  if (s.code() == Status::Code::kNotRegular) return FileResult::Skipped(Reason::kNotRegular);
  if (!s.ok()) return FileResult::Failed(Reason::kOpen, s);
  if (!options_.dry_run && !Claim(*source_)) return FileResult::Skipped(Reason::kBusy);
  return std::nullopt;
}

void BesideConversion::ClearPrivateNames() {
  if (!options_.dry_run) ClearPrivateNamesOf(fs_, list_, *source_, options_.legacy);
}

// A list there already is never replaced; it only says why.
std::optional<FileResult> BesideConversion::LookAtList() {
  if (Missing(fs_, list_)) return std::nullopt;
  std::unique_ptr<ReadableFile> proven;
  Status s = OpenIfConversionOf(fs_, list_, *source_, options_.legacy, ProofMode::kWhole, &proven);
  if (!s.ok()) return FileResult::Failed(Reason::kReadConverted, s);
  return FileResult::Skipped(proven ? Reason::kAlreadyConverted : Reason::kListExists);
}

std::optional<FileResult> BesideConversion::ClearLeftoverWork() {
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

// The list's name was taken since the look at it, or since the listing that spared the look:
// by another run that converted the source before our claim, or by anything else.
FileResult::Reason BesideConversion::ListTakenBy() {
  std::unique_ptr<ReadableFile> proven;
  Status s = OpenIfConversionOf(fs_, list_, *source_, options_.legacy, ProofMode::kWhole, &proven);
  return s.ok() && proven ? Reason::kAlreadyConverted : Reason::kListExists;
}

std::optional<FileResult> BesideConversion::Write(const Converter& convert) {
  work_.emplace(fs_, work_path_, source_->info(), options_.dry_run);
  const ConversionOutcome outcome = convert(*source_, *work_);
  if (!outcome.status.ok()) {
    const Reason step = outcome.failed_step;
    return End(FileResult::SkipsAt(step) ? Kind::kSkipped : Kind::kFailed, step, outcome.status);
  }
  if (outcome.cues == 0) return End(Kind::kSkipped, Reason::kNoSubtitle, Status::Ok());
  done_.cues = outcome.cues;
  done_.code_page = outcome.code_page;
  // A .vtt source decodes its own text, so the converter reads UTF-8 and names no code page.
  if (const auto* vtt = dynamic_cast<const WebVttSource*>(source_.get())) {
    if (const std::optional<CodePage> used = vtt->legacy_code_page())
      done_.code_page = CodePageName(*used);
  }
  if (options_.dry_run) return std::move(done_);
  return std::nullopt;
}

FileResult BesideConversion::Move(bool synced) {
  Status s = work_->Seal(/*sync=*/!synced);
  if (!s.ok()) return End(Kind::kFailed, work_->failed_step(), s);
  // Where the system cannot keep writers out while the source is read, notice them instead.
  if (!StillNames(fs_, source_path_, *source_)) {
    return End(Kind::kSkipped, Reason::kChanged, Status::Ok());
  }
  // Only the file written goes in: its name may have been given to another file meanwhile.
  FileInfo now;
  s = fs_.Stat(work_path_, &now);
  if (!s.ok() || !SameIdentity(now, work_->identity())) {
    work_->Disown();
    return End(Kind::kFailed, Reason::kWorkReplaced, s);
  }
  s = MoveToFreeName(fs_, work_path_, list_);
  if (s.code() == Status::Code::kExists) return End(Kind::kSkipped, ListTakenBy(), Status::Ok());
  if (!s.ok()) return End(Kind::kFailed, Reason::kInstallMove, s);
  source_.reset();
  return std::move(done_);
}

FileResult BesideConversion::End(Kind kind, Reason reason, const Status& status) {
  source_.reset();
  std::string message = status.message();
  const std::string removal = work_ ? work_->Discard() : std::string();
  if (!removal.empty()) message += (message.empty() ? "" : "; ") + removal;
  return FileResult::Ended(kind, reason, std::move(message));
}

FileResult ConvertBeside(FileSystem& fs, const std::filesystem::path& source,
                         const ConvertOptions& options, const Converter& convert) {
  BesideConversion conversion(fs, source, options);
  if (std::optional<FileResult> ended = conversion.Prepare(convert)) return *std::move(ended);
  FileResult result = conversion.Move(/*synced=*/false);
  if (!result.done()) return result;
  Status s = fs.SyncDir(FolderOf(conversion.list()));
  // Moved in all the same: the sync's failure is a warning.
  return s.ok() ? result : FileResult::Warned(result, Reason::kSyncFolder, s);
}

FileResult RestoreBeside(FileSystem& fs, const std::filesystem::path& source,
                         const ConvertOptions& options) {
  const std::filesystem::path list = ListPathFor(source);
  // A list on its way out when a run was cut is finished first, then said to be gone.
  const bool listed = !Missing(fs, list);
  if (!listed && Missing(fs, RemovingPathFor(list))) return FileResult::Skipped(Reason::kNoList);
  std::unique_ptr<ReadableFile> claimed;
  Status s = OpenSourceBeside(fs, source, options.legacy, &claimed);
  if (s.code() == Status::Code::kNotFound) return FileResult::Skipped(Reason::kNoInput);
  if (s.code() == Status::Code::kNotRegular) return FileResult::Skipped(Reason::kNotRegular);
  if (!s.ok()) return FileResult::Failed(Reason::kOpen, s);
  if (!options.dry_run && !Claim(*claimed)) return FileResult::Skipped(Reason::kBusy);
  if (!options.dry_run) ClearPrivateNamesOf(fs, list, *claimed, options.legacy);
  if (!listed) return FileResult::Skipped(Reason::kNoList);
  std::unique_ptr<ReadableFile> proven;
  s = OpenIfConversionOf(fs, list, *claimed, options.legacy, ProofMode::kWhole, &proven);
  if (!s.ok()) return FileResult::Failed(Reason::kReadConverted, s);
  if (!proven) return FileResult::Skipped(Reason::kChangedSinceConverted);
  if (options.dry_run) return FileResult{};
  s = RemoveIfStillProven(fs, list, *proven);
  if (!s.ok()) return FileResult::Failed(Reason::kRemove, s);
  s = fs.SyncDir(FolderOf(list));
  if (!s.ok()) return FileResult::Warned(FileResult{}, Reason::kSyncFolder, s);
  return FileResult{};
}

}  // namespace kestrane
