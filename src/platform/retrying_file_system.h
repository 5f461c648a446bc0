// A file system that tries again, for a moment, what another program's brief hold on a file
// makes fail. On Windows, antivirus scanners, indexers, sync clients and the shell's preview
// pane open new and renamed files for a moment; meanwhile opening, creating, moving or removing
// them fails with a sharing or lock violation, or, for a name whose file is deleted but still
// open somewhere, with a pending delete: all kBusy. Access denied is lasting (permissions,
// write-protected media, a read-only share) and is never waited for. POSIX systems have no such
// holds.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>

#include "platform/file_system_wrapper.h"

namespace kestrane {

class RetryingFileSystem final : public FileSystemWrapper {
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

  // Retried on kBusy, until they succeed, fail otherwise or kPatience has passed; every call
  // has its own patience, wherever an earlier one ran out, so that a hold on one file does not
  // cost the next its retries (a rollback least of all). Nothing else is retried. A lock
  // (ReadableFile::TryLock) never is: its kBusy says that another run is converting that file,
  // which is reported at once. Every other call is passed on as it is.
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

 private:
  Status Retry(const std::function<Status()>& attempt);

  Timing timing_;
};

}  // namespace kestrane
