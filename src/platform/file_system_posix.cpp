// FileSystem on POSIX systems, through the plain system calls so that every error keeps its
// errno and no call can block on a FIFO or device.
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/move_fallbacks_posix.h"
#include "platform/open_file_posix.h"
#include "platform/path_at_posix.h"
#include "platform/status_posix.h"

namespace kestrane {
namespace {

namespace fs = std::filesystem;
using posix::At;
using posix::Descriptor;
using posix::ErrnoStatus;
using posix::GiveOwnership;
using posix::NotRegular;
using posix::OpenRetrying;
using posix::StatAt;
using posix::SyncFailed;

// Files up to this size are read in one go (the line reader's buffer), so read-ahead advice
// would cost a call and gain nothing.
constexpr std::uint64_t kSmallFile = 64 * 1024;

EntryKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return EntryKind::kFile;
  if (S_ISDIR(mode)) return EntryKind::kDirectory;
  if (S_ISLNK(mode)) return EntryKind::kLink;
  return EntryKind::kOther;
}

// A folder of a held tree is opened as one: a link that took its name is not followed out of the
// tree.
int NoFollow(const At& at) {
  return at.confined() ? O_NOFOLLOW : 0;
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
    FileInfo info = known ? InfoOf(st) : FileInfo();
    // Most files are their runner's already: then there is nothing to give.
    if (!known || info.owner != mode.owner || info.group != mode.group) {
      GiveOwnership(fd, mode.owner, mode.group);
    }
    // The umask narrowed the mode open() was given (0664 became 0644), and a change of owner
    // clears the set-ID bits: the file takes its original's mode exactly. A file system without
    // POSIX modes (FAT) refuses, which loses nothing it could have kept.
    const auto wanted = static_cast<mode_t>(mode.permissions & 07777);
    if (!known || (st.st_mode & 07777) != wanted || info.owner != mode.owner ||
        info.group != mode.group) {
      if (::fchmod(fd, wanted) == 0) info.permissions = wanted;
    }
    if (known) Watch(st.st_dev, path);
    *file = posix::NewWritableFile(fd, path, info);
    return Status::Ok();
  }

  Status MoveNoReplace(const fs::path& from, const fs::path& to) override {
#ifdef RENAME_NOREPLACE
    At from_at(from), to_at(to);
    if (from_at.error() != 0) return posix::MoveStatus(from, to, from_at.error());
    if (to_at.error() != 0) return posix::MoveStatus(from, to, to_at.error());
    if (::renameat2(from_at.dir(), from_at.name(), to_at.dir(), to_at.name(), RENAME_NOREPLACE) ==
        0) {
      return Status::Ok();
    }
    int error = errno;
    // Older kernels and many FUSE, network and FAT drivers do not know the flag.
    if (error != EINVAL && error != ENOSYS && error != EOPNOTSUPP) {
      return posix::MoveStatus(from, to, error);
    }
#endif
    return Failure(Status::Code::kUnsupported, "move", from.string() + " to " + to.string(),
                   "the file system has no rename that never replaces");
  }

  Status Link(const fs::path& from, const fs::path& to) override {
    return posix::LinkNew(from, to);
  }

  Status Rename(const fs::path& from, const fs::path& to) override {
    At from_at(from), to_at(to);
    if (from_at.error() != 0) return posix::MoveStatus(from, to, from_at.error());
    if (to_at.error() != 0) return posix::MoveStatus(from, to, to_at.error());
    if (::renameat(from_at.dir(), from_at.name(), to_at.dir(), to_at.name()) == 0) {
      return Status::Ok();
    }
    return posix::MoveStatus(from, to, errno);
  }

  Status CopyNew(const fs::path& from, const fs::path& to) override {
    return posix::CopyNew(from, to);
  }

  Status Remove(const fs::path& path) override {
    At at(path);
    if (posix::UnlinkAt(at) == 0) return Status::Ok();
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
    if (const int held = posix::HeldFolderToSync(dir.native()); held >= 0) {
      if (SyncFailed(::fsync(held))) return ErrnoStatus("sync", dir, errno);
      return Status::Ok();
    }
    const At at(dir);
    const Descriptor fd(OpenRetrying(at, O_RDONLY | O_DIRECTORY | O_CLOEXEC | NoFollow(at)));
    if (!fd) return ErrnoStatus("sync", dir, errno);
    // Some file systems cannot sync a folder (EINVAL); their entries are as durable as they get.
    if (SyncFailed(::fsync(fd.get()))) return ErrnoStatus("sync", dir, errno);
    return Status::Ok();
  }

  // syncfs waits for the data of every file on the file system and commits its journal once,
  // where one fdatasync per file would commit it per file. It reports write-back errors since
  // Linux 5.8.
  Status SyncFileSystem(const fs::path& path) override {
#ifdef __linux__
    const At at(path);
    const Descriptor fd(OpenRetrying(at, O_RDONLY | O_DIRECTORY | O_CLOEXEC | NoFollow(at)));
    if (!fd) return ErrnoStatus("sync", path, errno);
    // syncfs reports only the write-back errors that came after its descriptor was opened, so
    // it goes through the one opened before the first work file on that file system.
    int sync_fd = fd.get();
    struct stat st;
    if (::fstat(fd.get(), &st) == 0) {
      std::lock_guard<std::mutex> lock(watch_mutex_);
      auto it = watchers_.find(st.st_dev);
      if (it != watchers_.end()) sync_fd = it->second;
    }
    if (::syncfs(sync_fd) != 0) return ErrnoStatus("sync", path, errno);
    return Status::Ok();
#else
    return Failure(Status::Code::kUnsupported, "sync", path.native(), "no syncfs here");
#endif
  }

  std::unique_ptr<FolderHandles> HoldFolders() override {
    return posix::HoldFoldersOnThisThread();
  }

  std::unique_ptr<FolderHandles> HoldTree(const fs::path& root) override {
    return posix::HoldTree(root);
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
    const At at(dir);
    int fd = OpenRetrying(at, O_RDONLY | O_DIRECTORY | O_CLOEXEC | NoFollow(at));
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
    Descriptor fd(OpenRetrying(at, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd) {
      int error = errno;
      // ELOOP: the name is a link (O_NOFOLLOW); ENXIO, ENODEV: a socket or device.
      if (error == ELOOP || error == ENXIO || error == ENODEV) return NotRegular("open", path);
      return ErrnoStatus("open", path, error);
    }
    if (::fstat(fd.get(), &st) != 0) return ErrnoStatus("open", path, errno);
    if (!S_ISREG(st.st_mode)) return NotRegular("open", path);
    // A hint, whose failure changes nothing; a file read in one piece has no use for it.
    if (static_cast<std::uint64_t>(st.st_size) > kSmallFile) {
      ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    *file = posix::NewReadableFile(fd.Release(), path, InfoOf(st));
    return Status::Ok();
  }

  // Keeps a descriptor of each file system that work files are written to, opened before the
  // first of them, for SyncFileSystem. Kept for the life of the program, which is short.
  void Watch(dev_t device, const fs::path& path) {
#ifdef __linux__
    std::lock_guard<std::mutex> lock(watch_mutex_);
    if (watchers_.count(device) != 0) return;
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const At at(folder);
    const int fd = OpenRetrying(at, O_RDONLY | O_DIRECTORY | O_CLOEXEC | NoFollow(at));
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

FileSystem& DefaultFileSystem() {
  static PosixFileSystem file_system;
  return file_system;
}

}  // namespace kestrane
