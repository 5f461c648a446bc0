#include "platform/path_at_posix.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string_view>

namespace kestrane::posix {
namespace {

namespace fs = std::filesystem;

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

}  // namespace

// Paths shorter than PATH_MAX go to the system as they are, or through the held folder; longer
// ones, which the system refuses whole, are opened a piece at a time, so that folders nested as
// deep as the file system allows can still be converted.
At::At(const fs::path& path) : dir_(AT_FDCWD) {
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

At::~At() {
  if (dir_ >= 0) ::close(dir_);
}

bool At::Descend(const std::string& piece) {
  int fd = ::openat(dir_, piece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    error_ = errno;
    return false;
  }
  if (dir_ >= 0) ::close(dir_);
  dir_ = fd;
  return true;
}

int OpenRetrying(const At& at, int flags, mode_t mode) {
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

std::unique_ptr<FolderHandles> HoldFoldersOnThisThread() {
  return std::make_unique<PosixFolderHandles>();
}

int HeldFolderToSync(const std::string& dir) {
  if (held.holds > 0 && held.fd && held.syncable && held.path == dir) return *held.fd;
  return -1;
}

}  // namespace kestrane::posix
