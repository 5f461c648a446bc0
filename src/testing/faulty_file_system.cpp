#include "testing/faulty_file_system.h"

#include <memory>
#include <string_view>

namespace kestrane::testing {

namespace {

class FaultyReadable : public ReadableFile {
 public:
  FaultyReadable(FaultyFileSystem& fs, std::unique_ptr<ReadableFile> inner)
      : fs_(fs), inner_(std::move(inner)) {}
  Status Read(char* buf, std::size_t n, std::size_t* got) override {
    Status fault;
    if (fs_.Count(FaultyFileSystem::Op::kRead, &fault)) return fault;
    return inner_->Read(buf, n, got);
  }
  Status Rewind() override {
    Status fault;
    if (fs_.Count(FaultyFileSystem::Op::kRewind, &fault)) return fault;
    return inner_->Rewind();
  }
  Status TryLock() override {
    Status fault;
    if (fs_.Count(FaultyFileSystem::Op::kLock, &fault)) return fault;
    return inner_->TryLock();
  }
  const FileInfo& info() const override { return inner_->info(); }

 private:
  FaultyFileSystem& fs_;
  std::unique_ptr<ReadableFile> inner_;
};

class FaultyWritable : public WritableFile {
 public:
  FaultyWritable(FaultyFileSystem& fs, std::unique_ptr<WritableFile> inner)
      : fs_(fs), inner_(std::move(inner)) {}
  Status Append(std::string_view data) override {
    Status fault;
    if (fs_.Count(FaultyFileSystem::Op::kAppend, &fault)) {
      // A full disk takes part of the data before it refuses.
      if (!fs_.stopped()) (void)inner_->Append(data.substr(0, data.size() / 2));
      return fault;
    }
    return inner_->Append(data);
  }
  Status Sync() override {
    Status fault;
    if (fs_.Count(FaultyFileSystem::Op::kSync, &fault)) return fault;
    return inner_->Sync();
  }
  Status Close() override {
    Status fault;
    Status closed = inner_->Close();
    if (fs_.Count(FaultyFileSystem::Op::kClose, &fault)) return fault;
    return closed;
  }
  const FileInfo& info() const override { return inner_->info(); }

 private:
  FaultyFileSystem& fs_;
  std::unique_ptr<WritableFile> inner_;
};

}  // namespace

void FaultyFileSystem::FailOn(Op op, int nth, Status status) {
  faults_[{op, nth}] = std::move(status);
}

void FaultyFileSystem::FailCalls(Op op, int first, int last, const Status& status) {
  for (int nth = first; nth <= last; ++nth)
    FailOn(op, nth, status);
}

int FaultyFileSystem::Calls(Op op) const {
  std::lock_guard lock(mutex_);
  auto it = calls_.find(op);
  return it == calls_.end() ? 0 : it->second;
}

bool FaultyFileSystem::Count(Op op, Status* fault) {
  int call = 0;
  {
    std::lock_guard lock(mutex_);
    call = ++total_calls_;
    if (stopped()) {
      *fault = Status::Error(Status::Code::kIo, "power cut");
      return true;
    }
    auto it = faults_.find({op, ++calls_[op]});
    if (it != faults_.end()) {
      ++faults_hit_;
      *fault = it->second;
      return true;
    }
  }
  if (hook_) hook_(call);
  return false;
}

Status FaultyFileSystem::OpenForRead(const std::filesystem::path& path,
                                     std::unique_ptr<ReadableFile>* file) {
  Status fault;
  if (Count(Op::kOpen, &fault)) return fault;
  std::unique_ptr<ReadableFile> inner;
  Status s = target().OpenForRead(path, &inner);
  if (s.ok()) *file = std::make_unique<FaultyReadable>(*this, std::move(inner));
  return s;
}

Status FaultyFileSystem::OpenListedForRead(const std::filesystem::path& path,
                                           std::unique_ptr<ReadableFile>* file) {
  Status fault;
  if (Count(Op::kOpen, &fault)) return fault;
  std::unique_ptr<ReadableFile> inner;
  Status s = target().OpenListedForRead(path, &inner);
  if (s.ok()) *file = std::make_unique<FaultyReadable>(*this, std::move(inner));
  return s;
}

Status FaultyFileSystem::CreateNew(const std::filesystem::path& path, FileMode mode,
                                   std::unique_ptr<WritableFile>* file) {
  Status fault;
  if (Count(Op::kCreate, &fault)) return fault;
  std::unique_ptr<WritableFile> inner;
  Status s = target().CreateNew(path, mode, &inner);
  if (s.ok()) *file = std::make_unique<FaultyWritable>(*this, std::move(inner));
  return s;
}

Status FaultyFileSystem::MoveNoReplace(const std::filesystem::path& from,
                                       const std::filesystem::path& to) {
  Status fault;
  if (Count(Op::kMove, &fault)) return fault;
  return target().MoveNoReplace(from, to);
}

Status FaultyFileSystem::Link(const std::filesystem::path& from, const std::filesystem::path& to) {
  Status fault;
  if (Count(Op::kLink, &fault)) return fault;
  return target().Link(from, to);
}

Status FaultyFileSystem::Rename(const std::filesystem::path& from,
                                const std::filesystem::path& to) {
  Status fault;
  if (Count(Op::kRename, &fault)) return fault;
  return target().Rename(from, to);
}

Status FaultyFileSystem::CopyNew(const std::filesystem::path& from,
                                 const std::filesystem::path& to) {
  Status fault;
  if (Count(Op::kCopy, &fault)) return fault;
  return target().CopyNew(from, to);
}

Status FaultyFileSystem::Remove(const std::filesystem::path& path) {
  Status fault;
  if (Count(Op::kRemove, &fault)) return fault;
  return target().Remove(path);
}

Status FaultyFileSystem::Stat(const std::filesystem::path& path, FileInfo* info) {
  Status fault;
  if (Count(Op::kStat, &fault)) return fault;
  return target().Stat(path, info);
}

Status FaultyFileSystem::SyncDir(const std::filesystem::path& dir) {
  Status fault;
  if (Count(Op::kSyncDir, &fault)) return fault;
  return target().SyncDir(dir);
}

Status FaultyFileSystem::SyncFileSystem(const std::filesystem::path& path) {
  Status fault;
  if (Count(Op::kSyncFs, &fault)) return fault;
  return target().SyncFileSystem(path);
}

Status FaultyFileSystem::ListDir(const std::filesystem::path& dir, std::vector<DirEntry>* entries) {
  Status fault;
  if (Count(Op::kList, &fault)) return fault;
  return target().ListDir(dir, entries);
}

const char* OpName(FaultyFileSystem::Op op) {
  switch (op) {
    case FaultyFileSystem::Op::kOpen:
      return "open";
    case FaultyFileSystem::Op::kRead:
      return "read";
    case FaultyFileSystem::Op::kRewind:
      return "rewind";
    case FaultyFileSystem::Op::kLock:
      return "lock";
    case FaultyFileSystem::Op::kSync:
      return "sync";
    case FaultyFileSystem::Op::kSyncDir:
      return "sync folder";
    case FaultyFileSystem::Op::kSyncFs:
      return "sync file system";
    case FaultyFileSystem::Op::kCreate:
      return "create";
    case FaultyFileSystem::Op::kAppend:
      return "append";
    case FaultyFileSystem::Op::kClose:
      return "close";
    case FaultyFileSystem::Op::kMove:
      return "move";
    case FaultyFileSystem::Op::kLink:
      return "link";
    case FaultyFileSystem::Op::kRename:
      return "rename";
    case FaultyFileSystem::Op::kCopy:
      return "copy";
    case FaultyFileSystem::Op::kRemove:
      return "remove";
    case FaultyFileSystem::Op::kStat:
      return "stat";
    case FaultyFileSystem::Op::kList:
      return "list";
  }
  return "?";
}

}  // namespace kestrane::testing
