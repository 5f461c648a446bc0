// A file system that tries again, for a moment, what another program's brief hold on a file
// makes fail. On Windows, antivirus scanners, indexers, sync clients and the shell's preview
// pane open new and renamed files for a moment; meanwhile opening, creating, moving or removing
// them fails with a sharing violation (kBusy) or with access denied, which is also what a file
// pending deletion gives. POSIX systems have no such holds, and there access denied is lasting.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>

#include "platform/file_system.h"

namespace kestrane {

class RetryingFileSystem final : public FileSystem {
 public:
  using Clock = std::chrono::steady_clock;
  struct Timing {
    std::function<Clock::time_point()> now;
    std::function<void(Clock::duration)> sleep;
  };
  static Timing RealTiming();

  // How long one call keeps trying, with waits that double from 10 ms.
  static constexpr Clock::duration kPatience = std::chrono::seconds(2);

  explicit RetryingFileSystem(FileSystem& inner, Timing timing = RealTiming());

  // Retried on kBusy and kAccessDenied, until they succeed, fail otherwise or kPatience has
  // passed. Access denied can be lasting too (a read-only folder): once a call has run out of
  // patience in a folder, later calls there fail at once, so such a folder costs one wait, not
  // one per file. A lock (ReadableFile::TryLock) is never retried: its kBusy says that another
  // run is converting that file, which is reported at once.
  Status OpenForRead(const std::filesystem::path& path,
                     std::unique_ptr<ReadableFile>* file) override;
  Status CreateNew(const std::filesystem::path& path, FileMode mode,
                   std::unique_ptr<WritableFile>* file) override;
  Status MoveNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override;
  Status Remove(const std::filesystem::path& path) override;

  // Passed on as they are.
  Status Stat(const std::filesystem::path& path, FileInfo* info) override;
  Status SyncDir(const std::filesystem::path& dir) override;
  Status SyncFileSystem(const std::filesystem::path& path) override;
  Status ListDir(const std::filesystem::path& dir, std::vector<DirEntry>* entries) override;

 private:
  Status Retry(const std::filesystem::path& path, const std::function<Status()>& attempt);

  FileSystem& inner_;
  Timing timing_;
  std::mutex mutex_;
  std::set<std::filesystem::path> hopeless_;  // folders where a call ran out of patience
};

}  // namespace kestrane
