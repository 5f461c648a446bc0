#include "convert/work_file.h"

#include <utility>

#include "convert/conversion_proof.h"
#include "convert/move_ladder.h"

namespace kestrane {
namespace {

using Reason = FileResult::Reason;

// The path of a work file that only hands its text on.
const std::filesystem::path kNoPath;

}  // namespace

WorkFileOwner WorkFileAt(FileSystem& fs, const std::filesystem::path& path, ReadableFile& original,
                         const LegacyEncoding& legacy, std::unique_ptr<ReadableFile>* leftover) {
  leftover->reset();
  std::unique_ptr<ReadableFile> file;
  Status s = fs.OpenForRead(path, &file);
  if (s.code() == Status::Code::kNotRegular || s.code() == Status::Code::kAccessDenied ||
      s.code() == Status::Code::kBusy) {
    return WorkFileOwner::kForeign;
  }
  if (!s.ok()) return WorkFileOwner::kNone;
  s = ProveOpened(fs, path, std::move(file), original, legacy, ProofMode::kPrefix, leftover);
  return s.ok() && *leftover ? WorkFileOwner::kOurs : WorkFileOwner::kForeign;
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
  // No live run of ours writes here while we hold the claim, and a work file a dead run left
  // was proven and removed before the conversion began (WorkFileAt). One a run left since the
  // listing that spared that look waits for the next run: whatever is here cannot be proven
  // now, while the original is being read, so it stays.
  if (s.code() == Status::Code::kExists) {
    failed_step_ = Reason::kForeignWork;
    return s;
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
  // The name may hold another file by now (one moved there while the batch waited): only the
  // file written goes.
  Status s = RemoveIfOurs(fs_, path_, identity_, /*unchanged=*/false);
  return s.ok() ? std::string() : s.message();
}

}  // namespace kestrane
