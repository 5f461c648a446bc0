#include "convert/work_file.h"

#include <utility>

#include "platform/text.h"

namespace kestrane {
namespace {

using Reason = FileResult::Reason;

// The path of a work file that only hands its text on.
const std::filesystem::path kNoPath;

}  // namespace

WorkFileOwner WorkFileAt(FileSystem& fs, const std::filesystem::path& path) {
  std::unique_ptr<ReadableFile> file;
  Status s = fs.OpenForRead(path, &file);
  if (s.code() == Status::Code::kNotRegular || s.code() == Status::Code::kAccessDenied ||
      s.code() == Status::Code::kBusy) {
    return WorkFileOwner::kForeign;
  }
  if (!s.ok()) return WorkFileOwner::kNone;
  char head[3];
  std::size_t have = 0;
  while (have < sizeof head) {
    std::size_t got = 0;
    if (!file->Read(head + have, sizeof head - have, &got).ok()) return WorkFileOwner::kForeign;
    if (got == 0) break;
    have += got;
  }
  return std::string_view(head, have) == kUtf8Mark.substr(0, have) ? WorkFileOwner::kOurs
                                                                   : WorkFileOwner::kForeign;
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
    if (WorkFileAt(fs_, path_) != WorkFileOwner::kOurs) {
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

}  // namespace kestrane
