// A test double for FileSystem that makes chosen operations fail, so that every failure path
// of the converter can be driven, over the in-memory file system or the real disk.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <utility>

#include "platform/file_system_wrapper.h"

namespace kestrane::testing {

// Passes every call on to another file system, except the chosen ones: the n-th call (1-based)
// of an operation fails with the given status, and the calls after it succeed again. Its counts
// are kept under a lock, so several threads may use it; which of them makes the n-th call is
// then up to the scheduler.
class FaultyFileSystem : public FileSystemWrapper {
 public:
  enum class Op {
    kOpen,
    kRead,
    kRewind,
    kLock,
    kCreate,
    kAppend,
    kSync,
    kClose,
    kMove,
    kLink,
    kRename,
    kCopy,
    kRemove,
    kStat,
    kSyncDir,
    kSyncFs,
    kList
  };

  explicit FaultyFileSystem(FileSystem& inner) : FileSystemWrapper(inner) {}

  void FailOn(Op op, int nth, Status status = Status::Error(Status::Code::kIo, "injected fault"));
  // Fails the calls from the first-th to the last-th, both included.
  void FailCalls(Op op, int first, int last, const Status& status);
  // Stops the world at the n-th call (1-based) of any operation: it and every later call fail,
  // and nothing more reaches the inner file system, as when the power goes.
  void StopAt(int nth) { stop_at_ = nth; }
  bool stopped() const { return stop_at_ > 0 && total_calls_ >= stop_at_; }
  // Runs `hook` with the call's number (1-based, over all operations) before each call that is
  // passed on: another program acting between any two calls of ours. It reaches the inner file
  // system, not this one.
  void BeforeEachCall(std::function<void(int call)> hook) { hook_ = std::move(hook); }
  int Calls(Op op) const;
  int FaultsHit() const { return faults_hit_; }

  // Called by the wrapped files; true when this call is the one to fail.
  bool Count(Op op, Status* fault);

  // Both opens count as kOpen; RealName, FreeFileHandles and HoldFolders are passed on, never
  // failed.
  Status OpenForRead(const std::filesystem::path& path,
                     std::unique_ptr<ReadableFile>* file) override;
  Status OpenListedForRead(const std::filesystem::path& path,
                           std::unique_ptr<ReadableFile>* file) override;
  Status CreateNew(const std::filesystem::path& path, FileMode mode,
                   std::unique_ptr<WritableFile>* file) override;
  Status MoveNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override;
  Status Link(const std::filesystem::path& from, const std::filesystem::path& to) override;
  Status Rename(const std::filesystem::path& from, const std::filesystem::path& to) override;
  Status CopyNew(const std::filesystem::path& from, const std::filesystem::path& to) override;
  Status Remove(const std::filesystem::path& path) override;
  Status Stat(const std::filesystem::path& path, FileInfo* info) override;
  Status SyncDir(const std::filesystem::path& dir) override;
  Status SyncFileSystem(const std::filesystem::path& path) override;
  Status ListDir(const std::filesystem::path& dir, std::vector<DirEntry>* entries) override;

 private:
  mutable std::mutex mutex_;
  std::map<Op, int> calls_;
  std::map<std::pair<Op, int>, Status> faults_;
  std::atomic<int> faults_hit_ = 0;
  std::atomic<int> total_calls_ = 0;
  std::atomic<int> stop_at_ = 0;
  std::function<void(int)> hook_;
};

const char* OpName(FaultyFileSystem::Op op);

}  // namespace kestrane::testing
