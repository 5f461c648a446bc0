#include "platform/open_file_posix.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

#include "platform/status_posix.h"

namespace kestrane::posix {
namespace {

namespace fs = std::filesystem;

class PosixReadableFile final : public ReadableFile {
 public:
  PosixReadableFile(int fd, const fs::path& path, FileInfo info)
      : fd_(fd), path_(path.native()), info_(info) {}
  ~PosixReadableFile() override { ::close(fd_); }

  // A read that ends at the size the file had when opened is taken as its end, which spares
  // the read that would say so: a file that grows later no longer is what info() describes,
  // and the comparison with info() before the moves notices that.
  Status Read(char* buf, std::size_t n, std::size_t* got) override {
    *got = 0;
    if (at_size_ || n == 0) return Status::Ok();
    ssize_t r = ReadRetrying(fd_, buf, n);
    if (r < 0 && errno == EAGAIN) {
      // Opened non-blocking so that a FIFO put in its place could not hang the open; regular
      // files ignore the flag on Linux, but a file system that honours it gets it cleared.
      const int flags = ::fcntl(fd_, F_GETFL);
      if (flags >= 0 && ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) == 0) {
        r = ReadRetrying(fd_, buf, n);
      }
    }
    if (r < 0) return ErrnoStatus("read", path_, errno);
    *got = static_cast<std::size_t>(r);
    offset_ += *got;
    at_size_ = *got != 0 && offset_ == info_.size;
    return Status::Ok();
  }

  Status Rewind() override {
    if (offset_ == 0) return Status::Ok();
    if (::lseek(fd_, 0, SEEK_SET) < 0) return ErrnoStatus("rewind", path_, errno);
    offset_ = 0;
    at_size_ = false;
    return Status::Ok();
  }

  // flock rather than fcntl's record locks: an exclusive fcntl lock, open-file-description
  // lock included, needs a descriptor open for writing, and the input is only read. Like an
  // open-file-description lock, flock belongs to this open file, so a second open in the same
  // process is refused too, and the lock goes with the last close.
  Status TryLock() override {
    int result;
    do {
      result = ::flock(fd_, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) return Status::Ok();
    if (errno == EWOULDBLOCK) {
      return Failure(Status::Code::kBusy, "lock", path_, "another run holds the file");
    }
    // A file system without locks (an NFS mount without its lock daemon) leaves runs unable to
    // see each other, as they were before there was a lock; the work goes on.
    if (errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS) return Status::Ok();
    return ErrnoStatus("lock", path_, errno);
  }

  const FileInfo& info() const override { return info_; }

 private:
  int fd_;
  std::string path_;  // for messages only: a path's text costs less to keep than a path
  FileInfo info_;
  std::uint64_t offset_ = 0;
  bool at_size_ = false;
};

class PosixWritableFile final : public WritableFile {
 public:
  PosixWritableFile(int fd, const fs::path& path, FileInfo info)
      : fd_(fd), path_(path.native()), info_(info) {}
  ~PosixWritableFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  Status Append(std::string_view data) override {
    if (fd_ < 0) return Failure(Status::Code::kIo, "write", path_, "the file is closed");
    if (int error = WriteFully(fd_, data)) return ErrnoStatus("write", path_, error);
    return Status::Ok();
  }

  // The data and the size, which is all a later read needs; the times may stay behind.
  // Delayed allocation and network file systems report a full disk only here or at Close.
  Status Sync() override {
    if (fd_ < 0) return Failure(Status::Code::kIo, "sync", path_, "the file is closed");
    if (SyncFailed(::fdatasync(fd_))) return ErrnoStatus("write", path_, errno);
    return Status::Ok();
  }

  Status Close() override {
    if (fd_ < 0) return Failure(Status::Code::kIo, "close", path_, "the file is closed");
    Descriptor fd(std::exchange(fd_, -1));
    if (int error = fd.Close()) return ErrnoStatus("close", path_, error);
    return Status::Ok();
  }

  const FileInfo& info() const override { return info_; }

 private:
  int fd_;
  std::string path_;  // for messages only: a path's text costs less to keep than a path
  FileInfo info_;
};

}  // namespace

Descriptor::~Descriptor() {
  if (fd_ >= 0) ::close(fd_);
}

int Descriptor::Release() {
  return std::exchange(fd_, -1);
}

int Descriptor::Close() {
  // After close() fails with EINTR the descriptor is gone on Linux, and nothing was lost.
  if (::close(Release()) != 0 && errno != EINTR) return errno;
  return 0;
}

ssize_t ReadRetrying(int fd, char* buf, std::size_t n) {
  ssize_t got;
  do {
    got = ::read(fd, buf, n);
  } while (got < 0 && errno == EINTR);
  return got;
}

int WriteFully(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t put = ::write(fd, data.data(), data.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data.remove_prefix(static_cast<std::size_t>(put));
  }
  return 0;
}

void GiveOwnership(int fd, std::uint32_t owner, std::uint32_t group) {
  if (owner == FileInfo::kNoId && group == FileInfo::kNoId) return;
  const auto uid = static_cast<uid_t>(owner == FileInfo::kNoId ? -1 : owner);
  const auto gid = static_cast<gid_t>(group == FileInfo::kNoId ? -1 : group);
  if (::fchown(fd, uid, gid) == 0 || errno != EPERM) return;
  // Kept, not cast to void, which a fortified build's warning on fchown does not accept.
  [[maybe_unused]] const int group_given = ::fchown(fd, static_cast<uid_t>(-1), gid);
}

std::unique_ptr<ReadableFile> NewReadableFile(int fd, const fs::path& path, const FileInfo& info) {
  return std::make_unique<PosixReadableFile>(fd, path, info);
}

std::unique_ptr<WritableFile> NewWritableFile(int fd, const fs::path& path, const FileInfo& info) {
  return std::make_unique<PosixWritableFile>(fd, path, info);
}

}  // namespace kestrane::posix
