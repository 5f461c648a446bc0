// FileSystem on POSIX systems, through the plain system calls so that every error keeps its
// errno and no call can block on a FIFO or device.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "platform/file_system.h"
#include "platform/file_system_posix.h"

namespace kestrane {
namespace {

namespace fs = std::filesystem;

// Files up to this size are read in one go (the line reader's buffer), so read-ahead advice
// would cost a call and gain nothing.
constexpr std::uint64_t kSmallFile = 64 * 1024;

Status::Code CodeFor(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return Status::Code::kNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return Status::Code::kAccessDenied;
    case ENOSPC:
    case EDQUOT:
      return Status::Code::kNoSpace;
    case EEXIST:
    case ENOTEMPTY:
      return Status::Code::kExists;
    case EISDIR:
      return Status::Code::kNotRegular;
    default:
      return Status::Code::kIo;
  }
}

Status ErrnoStatus(std::string_view operation, const std::string& path, int error) {
  // The system's words as they stand, without the string generic_category() would build: a look
  // at a name that is not there is a usual answer, not a rare failure.
  if (const char* words = ::strerrordesc_np(error)) {
    return Failure(CodeFor(error), operation, path, words);
  }
  return Failure(CodeFor(error), operation, path, std::generic_category().message(error));
}

Status ErrnoStatus(std::string_view operation, const fs::path& path, int error) {
  return ErrnoStatus(operation, path.native(), error);
}

Status NotRegular(std::string_view operation, const fs::path& path) {
  return Failure(Status::Code::kNotRegular, operation, path.native(), "not a regular file");
}

Status MoveStatus(const fs::path& from, const fs::path& to, int error) {
  return Failure(CodeFor(error), "move", from.native() + " to " + to.native(),
                 std::generic_category().message(error));
}

EntryKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return EntryKind::kFile;
  if (S_ISDIR(mode)) return EntryKind::kDirectory;
  if (S_ISLNK(mode)) return EntryKind::kLink;
  return EntryKind::kOther;
}

FileInfo InfoOf(const struct stat& st) {
  FileInfo info;
  info.kind = KindOf(st.st_mode);
  info.size = static_cast<std::uint64_t>(st.st_size);
  info.mtime_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
  info.device = static_cast<std::uint64_t>(st.st_dev);
  info.inode = static_cast<std::uint64_t>(st.st_ino);
  info.permissions = st.st_mode & 07777;
  info.owner = static_cast<std::uint32_t>(st.st_uid);
  info.group = static_cast<std::uint32_t>(st.st_gid);
  return info;
}

// Gives a new file the owner and group of the file it stands for, as far as this process may:
// root gives both; anyone else only a group they belong to (their own files are theirs). What it
// may not give leaves the file as the system made it, which is never a reason to fail.
void GiveOwnership(int fd, std::uint32_t owner, std::uint32_t group) {
  if (owner == FileInfo::kNoId && group == FileInfo::kNoId) return;
  const auto uid = static_cast<uid_t>(owner == FileInfo::kNoId ? -1 : owner);
  const auto gid = static_cast<gid_t>(group == FileInfo::kNoId ? -1 : group);
  if (::fchown(fd, uid, gid) == 0 || errno != EPERM) return;
  // Kept, not cast to void, which a fortified build's warning on fchown does not accept.
  [[maybe_unused]] const int group_given = ::fchown(fd, static_cast<uid_t>(-1), gid);
}

// The folder a thread's calls named last, kept open while the thread holds folders
// (FileSystem::HoldFolders): the files of one folder come one after another, so one handle
// spares the lookup of every folder above them, call after call.
struct HeldFolder {
  int holds = 0;
  std::string path;
  std::shared_ptr<const int> fd;  // shared with the calls using it when another folder comes
  bool syncable = false;          // opened for reading, so it can sync the folder too
};
thread_local HeldFolder held;

class PosixFolderHandles final : public FolderHandles {
 public:
  PosixFolderHandles() { ++held.holds; }
  ~PosixFolderHandles() override {
    if (--held.holds == 0) held = HeldFolder();
  }
};

// The held handle of `folder`, opened now unless it is the one held already; null when it
// cannot be opened, and the call then takes the path, which reports why.
const std::shared_ptr<const int>& HoldFolder(std::string_view folder) {
  if (held.fd && held.path == folder) return held.fd;
  held.path.assign(folder);
  held.syncable = true;
  int fd = ::open(held.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    // A folder that may be searched but not read.
    held.syncable = false;
    fd = ::open(held.path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  }
  held.fd = fd < 0 ? nullptr : std::shared_ptr<const int>(new int(fd), [](const int* handle) {
    ::close(*handle);
    delete handle;
  });
  return held.fd;
}

// A path as a folder descriptor and a name in it. Paths shorter than PATH_MAX go to the system
// as they are, or through the held folder; longer ones, which the system refuses whole, are
// opened a piece at a time, so that folders nested as deep as the file system allows can still
// be converted.
class At {
 public:
  explicit At(const fs::path& path) {
    const std::string& text = path.native();
    if (text.size() < PATH_MAX) {
      const std::size_t slash = text.rfind('/');
      // A name in a folder: not the root's, and not a folder named with a last separator.
      if (held.holds > 0 && slash != std::string::npos && slash != 0 && slash + 1 < text.size()) {
        folder_ = HoldFolder(std::string_view(text).substr(0, slash));
        if (folder_) {
          name_ = text.c_str() + slash + 1;
          return;
        }
      }
      name_ = text.c_str();
      return;
    }
    long_name_ = path.filename().native();
    name_ = long_name_.c_str();
    std::string piece = path.has_root_directory() ? "/" : "";
    for (const fs::path& part : path.parent_path().relative_path()) {
      if (piece.size() + part.native().size() + 1 >= PATH_MAX) {
        if (!Descend(piece)) return;
        piece.clear();
      }
      piece += part.native();
      piece += '/';
    }
    if (!piece.empty()) Descend(piece);
  }
  ~At() {
    if (dir_ >= 0) ::close(dir_);
  }
  At(const At&) = delete;
  At& operator=(const At&) = delete;

  int dir() const { return folder_ ? *folder_ : dir_; }
  const char* name() const { return name_; }
  int error() const { return error_; }  // errno of a piece that could not be opened

 private:
  bool Descend(const std::string& piece) {
    int fd = ::openat(dir_, piece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      error_ = errno;
      return false;
    }
    if (dir_ >= 0) ::close(dir_);
    dir_ = fd;
    return true;
  }

  int dir_ = AT_FDCWD;
  std::shared_ptr<const int> folder_;
  // The path's own text, which outlives this, ends in the name: a view of it serves, but for
  // a path too long for the system, whose last piece is copied.
  const char* name_ = "";
  std::string long_name_;
  int error_ = 0;
};

int OpenRetrying(const At& at, int flags, mode_t mode = 0) {
  if (at.error() != 0) {
    errno = at.error();
    return -1;
  }
  int fd;
  do {
    fd = ::openat(at.dir(), at.name(), flags, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// lstat() for any length of path.
int StatAt(const At& at, struct stat* st) {
  if (at.error() != 0) {
    errno = at.error();
    return -1;
  }
  return ::fstatat(at.dir(), at.name(), st, AT_SYMLINK_NOFOLLOW);
}

int UnlinkAt(const At& at) {
  if (at.error() != 0) {
    errno = at.error();
    return -1;
  }
  return ::unlinkat(at.dir(), at.name(), 0);
}

ssize_t ReadRetrying(int fd, char* buf, std::size_t n) {
  ssize_t got;
  do {
    got = ::read(fd, buf, n);
  } while (got < 0 && errno == EINTR);
  return got;
}

// Writes everything, across short writes and signals; 0 or the errno.
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

// Whether fsync or fdatasync failed. EINVAL only says that the file cannot be synced at all,
// which is no loss of data.
bool SyncFailed(int result) {
  return result != 0 && errno != EINVAL;
}

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
    int fd = std::exchange(fd_, -1);
    // After close() fails with EINTR the descriptor is gone on Linux.
    if (::close(fd) != 0 && errno != EINTR) return ErrnoStatus("close", path_, errno);
    return Status::Ok();
  }

  const FileInfo& info() const override { return info_; }

 private:
  int fd_;
  std::string path_;  // for messages only: a path's text costs less to keep than a path
  FileInfo info_;
};

class PosixFileSystem final : public FileSystem {
 public:
  // A batch of conversions keeps its inputs and work files open until they are made durable
  // together: some hundreds of descriptors, which a soft limit of 256 or 1024 could refuse.
  PosixFileSystem() {
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
      limit.rlim_cur = limit.rlim_max;
      (void)::setrlimit(RLIMIT_NOFILE, &limit);
    }
  }

  Status OpenForRead(const fs::path& path, std::unique_ptr<ReadableFile>* file) override {
    return Open(path, /*looked=*/false, file);
  }

  Status OpenListedForRead(const fs::path& path, std::unique_ptr<ReadableFile>* file) override {
    return Open(path, /*looked=*/true, file);
  }

  Status CreateNew(const fs::path& path, FileMode mode,
                   std::unique_ptr<WritableFile>* file) override {
    file->reset();
    int fd = OpenRetrying(At(path), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                          static_cast<mode_t>(mode.permissions & 07777));
    if (fd < 0) return ErrnoStatus("create", path, errno);
    // An identity the system will not tell stays unknown (zero).
    struct stat st;
    const bool known = ::fstat(fd, &st) == 0;
    const FileInfo info = known ? InfoOf(st) : FileInfo();
    // Most files are their runner's already: then there is nothing to give.
    if (!known || info.owner != mode.owner || info.group != mode.group) {
      GiveOwnership(fd, mode.owner, mode.group);
    }
    if (known) Watch(st.st_dev, path);
    *file = std::make_unique<PosixWritableFile>(fd, path, info);
    return Status::Ok();
  }

  Status MoveNoReplace(const fs::path& from, const fs::path& to) override {
#ifdef RENAME_NOREPLACE
    At from_at(from), to_at(to);
    if (from_at.error() != 0) return MoveStatus(from, to, from_at.error());
    if (to_at.error() != 0) return MoveStatus(from, to, to_at.error());
    if (::renameat2(from_at.dir(), from_at.name(), to_at.dir(), to_at.name(), RENAME_NOREPLACE) ==
        0) {
      return Status::Ok();
    }
    int error = errno;
    // Older kernels and many FUSE, network and FAT drivers do not know the flag.
    if (error != EINVAL && error != ENOSYS && error != EOPNOTSUPP) {
      return MoveStatus(from, to, error);
    }
#endif
    return posix::MoveByLink(from, to);
  }

  Status Remove(const fs::path& path) override {
    At at(path);
    if (UnlinkAt(at) == 0) return Status::Ok();
    int error = errno;
    struct stat st;
    // Linux says EISDIR for a folder, other systems EPERM.
    if (error == EISDIR || (error == EPERM && StatAt(at, &st) == 0 && S_ISDIR(st.st_mode))) {
      return NotRegular("remove", path);
    }
    return ErrnoStatus("remove", path, error);
  }

  Status Stat(const fs::path& path, FileInfo* info) override {
    struct stat st;
    if (StatAt(At(path), &st) != 0) return ErrnoStatus("stat", path, errno);
    *info = InfoOf(st);
    return Status::Ok();
  }

  Status SyncDir(const fs::path& dir) override {
    // The held folder is the one its files were moved in, wherever it is now.
    if (held.holds > 0 && held.fd && held.syncable && held.path == dir.native()) {
      if (SyncFailed(::fsync(*held.fd))) return ErrnoStatus("sync", dir, errno);
      return Status::Ok();
    }
    int fd = OpenRetrying(At(dir), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return ErrnoStatus("sync", dir, errno);
    // Some file systems cannot sync a folder (EINVAL); their entries are as durable as they get.
    if (SyncFailed(::fsync(fd))) {
      int error = errno;
      ::close(fd);
      return ErrnoStatus("sync", dir, error);
    }
    ::close(fd);
    return Status::Ok();
  }

  // syncfs waits for the data of every file on the file system and commits its journal once,
  // where one fdatasync per file would commit it per file. It reports write-back errors since
  // Linux 5.8.
  Status SyncFileSystem(const fs::path& path) override {
#ifdef __linux__
    int fd = OpenRetrying(At(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return ErrnoStatus("sync", path, errno);
    // syncfs reports only the write-back errors that came after its descriptor was opened, so
    // it goes through the one opened before the first work file on that file system.
    int sync_fd = fd;
    struct stat st;
    if (::fstat(fd, &st) == 0) {
      std::lock_guard<std::mutex> lock(watch_mutex_);
      auto it = watchers_.find(st.st_dev);
      if (it != watchers_.end()) sync_fd = it->second;
    }
    const int error = ::syncfs(sync_fd) != 0 ? errno : 0;
    ::close(fd);
    if (error != 0) return ErrnoStatus("sync", path, error);
    return Status::Ok();
#else
    return Failure(Status::Code::kUnsupported, "sync", path.native(), "no syncfs here");
#endif
  }

  std::unique_ptr<FolderHandles> HoldFolders() override {
    return std::make_unique<PosixFolderHandles>();
  }

  // POSIX names have one spelling.
  fs::path RealName(const fs::path& path) override {
    return path;
  }

  // The soft limit was raised as far as it goes when this file system was made; under a hard
  // limit set low (ulimit -n 64) only what is left of it counts.
  std::size_t FreeFileHandles() override {
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
        limit.rlim_cur >= SIZE_MAX) {
      return SIZE_MAX;
    }
    const auto most = static_cast<std::size_t>(limit.rlim_cur);
    std::size_t in_use = 0;
    if (DIR* open = ::opendir("/proc/self/fd")) {
      while (const dirent* entry = ::readdir(open)) {
        if (entry->d_name[0] != '.') ++in_use;
      }
      ::closedir(open);
      if (in_use != 0) --in_use;  // the listing's own
    } else {
      // Without /proc, asking each descriptor in turn; past the first few thousand the limit is
      // generous enough for a guess.
      for (int fd = 0; fd < static_cast<int>(std::min<std::size_t>(most, 4096)); ++fd) {
        if (::fcntl(fd, F_GETFD) != -1) ++in_use;
      }
    }
    return most > in_use ? most - in_use : 0;
  }

  Status ListDir(const fs::path& dir, std::vector<DirEntry>* entries) override {
    entries->clear();
    int fd = OpenRetrying(At(dir), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return ErrnoStatus("list", dir, errno);
    DIR* stream = ::fdopendir(fd);
    if (stream == nullptr) {
      int error = errno;
      ::close(fd);
      return ErrnoStatus("list", dir, error);
    }
    int error = 0;
    for (;;) {
      errno = 0;
      const dirent* entry = ::readdir(stream);
      if (entry == nullptr) {
        error = errno;
        break;
      }
      std::string_view name = entry->d_name;
      if (name == "." || name == "..") continue;
      EntryKind kind = EntryKind::kOther;
      switch (entry->d_type) {
        case DT_REG:
          kind = EntryKind::kFile;
          break;
        case DT_DIR:
          kind = EntryKind::kDirectory;
          break;
        case DT_LNK:
          kind = EntryKind::kLink;
          break;
        case DT_UNKNOWN: {
          // Some file systems (XFS without ftype, many FUSE drivers) do not fill d_type.
          struct stat st;
          if (::fstatat(::dirfd(stream), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) continue;  // removed since readdir saw it
            error = errno;
            break;
          }
          kind = KindOf(st.st_mode);
          break;
        }
        default:
          break;
      }
      if (error != 0) break;
      entries->push_back(DirEntry{fs::path(std::string(name)), kind});
    }
    ::closedir(stream);
    if (error != 0) {
      entries->clear();
      return ErrnoStatus("list", dir, error);
    }
    return Status::Ok();
  }

 private:
  Status Open(const fs::path& path, bool looked, std::unique_ptr<ReadableFile>* file) {
    file->reset();
    struct stat st;
    At at(path);
    // Looked at before opening, since opening a device can act on it (a tape rewinds); a
    // listing is as good a look, and either leaves the same moment for a swap before the open.
    if (!looked) {
      if (StatAt(at, &st) != 0) return ErrnoStatus("open", path, errno);
      if (!S_ISREG(st.st_mode)) return NotRegular("open", path);
    }
    // O_NONBLOCK in case the name became a FIFO since the look: opening one would wait for a
    // writer.
    int fd = OpenRetrying(at, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
      int error = errno;
      // ELOOP: the name is a link (O_NOFOLLOW); ENXIO, ENODEV: a socket or device.
      if (error == ELOOP || error == ENXIO || error == ENODEV) return NotRegular("open", path);
      return ErrnoStatus("open", path, error);
    }
    if (::fstat(fd, &st) != 0) {
      int error = errno;
      ::close(fd);
      return ErrnoStatus("open", path, error);
    }
    if (!S_ISREG(st.st_mode)) {
      ::close(fd);
      return NotRegular("open", path);
    }
    // A hint, whose failure changes nothing; a file read in one piece has no use for it.
    if (static_cast<std::uint64_t>(st.st_size) > kSmallFile) {
      ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    *file = std::make_unique<PosixReadableFile>(fd, path, InfoOf(st));
    return Status::Ok();
  }

  // Keeps a descriptor of each file system that work files are written to, opened before the
  // first of them, for SyncFileSystem. Kept for the life of the program, which is short.
  void Watch(dev_t device, const fs::path& path) {
#ifdef __linux__
    std::lock_guard<std::mutex> lock(watch_mutex_);
    if (watchers_.count(device) != 0) return;
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const int fd = OpenRetrying(At(folder), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) watchers_.emplace(device, fd);
#else
    (void)device;
    (void)path;
#endif
  }

  std::mutex watch_mutex_;
  std::map<dev_t, int> watchers_;
};

}  // namespace

namespace posix {

Status MoveByLink(const fs::path& from, const fs::path& to) {
  At from_at(from), to_at(to);
  if (from_at.error() != 0) return MoveStatus(from, to, from_at.error());
  if (to_at.error() != 0) return MoveStatus(from, to, to_at.error());
  if (::linkat(from_at.dir(), from_at.name(), to_at.dir(), to_at.name(), 0) != 0) {
    int error = errno;
    // FAT, some FUSE drivers and protected_hardlinks refuse hard links; a folder gives EPERM
    // too, which the copy then reports as not a regular file.
    if (error == EPERM || error == EOPNOTSUPP || error == ENOSYS) return MoveByCopy(from, to);
    return MoveStatus(from, to, error);
  }
  if (UnlinkAt(from_at) != 0) {
    int error = errno;
    UnlinkAt(to_at);  // the second name of the same file: nothing is lost
    return MoveStatus(from, to, error);
  }
  return Status::Ok();
}

Status MoveByCopy(const fs::path& from, const fs::path& to) {
  At from_at(from), to_at(to);
  int in = OpenRetrying(from_at, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (in < 0) {
    int error = errno;
    if (error == ELOOP || error == ENXIO || error == ENODEV) return NotRegular("move", from);
    return MoveStatus(from, to, error);
  }
  struct stat st;
  if (::fstat(in, &st) != 0) {
    int error = errno;
    ::close(in);
    return MoveStatus(from, to, error);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(in);
    return NotRegular("move", from);
  }
  int out =
      OpenRetrying(to_at, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, st.st_mode & 07777);
  if (out < 0) {
    int error = errno;
    ::close(in);
    return MoveStatus(from, to, error);
  }
  auto fail = [&](int error) {
    ::close(out);
    UnlinkAt(to_at);
    ::close(in);
    return MoveStatus(from, to, error);
  };

  std::string buffer(1 << 16, '\0');
  for (;;) {
    ssize_t got = ReadRetrying(in, buffer.data(), buffer.size());
    if (got < 0) return fail(errno);
    if (got == 0) break;
    if (int error = WriteFully(out, std::string_view(buffer.data(), got))) return fail(error);
  }
  GiveOwnership(out, static_cast<std::uint32_t>(st.st_uid), static_cast<std::uint32_t>(st.st_gid));
  // The umask narrowed the mode given to open(), and a change of owner clears the set-ID bits. A
  // file system without POSIX modes (FAT) refuses this, which loses nothing it could have kept.
  (void)::fchmod(out, st.st_mode & 07777);
  const timespec times[2] = {st.st_atim, st.st_mtim};
  if (::futimens(out, times) != 0) return fail(errno);
  // The copy is about to become the only one.
  if (SyncFailed(::fsync(out))) return fail(errno);
  int closed = ::close(out);
  int close_error = errno;
  out = -1;
  if (closed != 0 && close_error != EINTR) {
    UnlinkAt(to_at);
    ::close(in);
    return MoveStatus(from, to, close_error);
  }
  ::close(in);
  if (UnlinkAt(from_at) != 0) {
    int error = errno;
    UnlinkAt(to_at);
    return MoveStatus(from, to, error);
  }
  return Status::Ok();
}

}  // namespace posix

FileSystem& DefaultFileSystem() {
  static PosixFileSystem file_system;
  return file_system;
}

}  // namespace kestrane
