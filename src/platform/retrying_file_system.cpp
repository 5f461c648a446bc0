#include "platform/retrying_file_system.h"

#include <algorithm>
#include <thread>
#include <utility>

namespace kestrane {

namespace fs = std::filesystem;

namespace {

bool Retryable(const Status& status) {
  return status.code() == Status::Code::kBusy;
}

}  // namespace

RetryingFileSystem::Timing RetryingFileSystem::RealTiming() {
  return {[] { return Clock::now(); }, [](Clock::duration d) { std::this_thread::sleep_for(d); }};
}

RetryingFileSystem::RetryingFileSystem(FileSystem& inner, Timing timing)
    : FileSystemWrapper(inner), timing_(std::move(timing)) {}

Status RetryingFileSystem::Retry(const std::function<Status()>& attempt) {
  Status status = attempt();
  if (!Retryable(status)) return status;
  const Clock::time_point deadline = timing_.now() + kPatience;
  Clock::duration wait = std::chrono::milliseconds(10);
  for (Clock::time_point now = timing_.now(); now < deadline; now = timing_.now()) {
    timing_.sleep(std::min(wait, deadline - now));
    status = attempt();
    if (!Retryable(status)) return status;
    wait = std::min<Clock::duration>(wait * 2, std::chrono::milliseconds(500));
  }
  return status;
}

Status RetryingFileSystem::OpenForRead(const fs::path& path, std::unique_ptr<ReadableFile>* file) {
  return Retry([&] { return target().OpenForRead(path, file); });
}

Status RetryingFileSystem::OpenListedForRead(const fs::path& path,
                                             std::unique_ptr<ReadableFile>* file) {
  return Retry([&] { return target().OpenListedForRead(path, file); });
}

Status RetryingFileSystem::CreateNew(const fs::path& path, FileMode mode,
                                     std::unique_ptr<WritableFile>* file) {
  return Retry([&] { return target().CreateNew(path, mode, file); });
}

Status RetryingFileSystem::MoveNoReplace(const fs::path& from, const fs::path& to) {
  return Retry([&] { return target().MoveNoReplace(from, to); });
}

Status RetryingFileSystem::Link(const fs::path& from, const fs::path& to) {
  return Retry([&] { return target().Link(from, to); });
}

Status RetryingFileSystem::Rename(const fs::path& from, const fs::path& to) {
  return Retry([&] { return target().Rename(from, to); });
}

Status RetryingFileSystem::CopyNew(const fs::path& from, const fs::path& to) {
  return Retry([&] { return target().CopyNew(from, to); });
}

Status RetryingFileSystem::Remove(const fs::path& path) {
  return Retry([&] { return target().Remove(path); });
}

}  // namespace kestrane
