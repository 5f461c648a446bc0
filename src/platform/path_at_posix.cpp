#include "platform/path_at_posix.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <string_view>
#include <vector>

#include "platform/held_trees.h"

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

std::shared_ptr<const int> SharedDescriptor(int fd) {
  return std::shared_ptr<const int>(new int(fd), [](const int* handle) {
    ::close(*handle);
    delete handle;
  });
}

// A tree held through HoldTree: the paths that are its root, as spelled, or lie below it are
// reached from the root's handle.
struct Tree {
  std::string root;  // without a last separator
  std::shared_ptr<const int> fd;
};

HeldTrees<Tree> trees;

// The held tree with the longest root that `text` is or lies below; null for none.
std::shared_ptr<const Tree> TreeOf(std::string_view text) {
  return trees.Best([text](const Tree& tree) -> std::size_t {
    const std::string& root = tree.root;
    const bool below =
        text.starts_with(root) && (text.size() == root.size() || text[root.size()] == '/');
    return below ? root.size() + 1 : 0;
  });
}

// Opens `folder`, with `flags`, from its tree's root where a tree holds it, else by its path.
int OpenFolder(const std::string& folder, int flags) {
  if (const std::shared_ptr<const Tree> tree = TreeOf(folder)) {
    return OpenFolderBelow(*tree->fd, std::string_view(folder).substr(tree->root.size()), flags);
  }
  return ::open(folder.c_str(), flags | O_DIRECTORY | O_CLOEXEC);
}

// The held handle of `folder`, opened now unless it is the one held already; null when it
// cannot be opened, and the call then takes the path, which reports why.
const std::shared_ptr<const int>& HoldFolder(std::string_view folder) {
  if (held.fd && held.path == folder) return held.fd;
  held.path.assign(folder);
  held.syncable = true;
  int fd = OpenFolder(held.path, O_RDONLY);
  if (fd < 0) {
    // A folder that may be searched but not read.
    held.syncable = false;
    fd = OpenFolder(held.path, O_PATH);
  }
  held.fd = fd < 0 ? nullptr : SharedDescriptor(fd);
  return held.fd;
}

}  // namespace

// Paths shorter than PATH_MAX go to the system as they are, or through the held folder; longer
// ones, which the system refuses whole, are opened a piece at a time, so that folders nested as
// deep as the file system allows can still be converted.
At::At(const fs::path& path) : dir_(AT_FDCWD) {
  const std::string& text = path.native();
  if (std::shared_ptr<const Tree> tree = TreeOf(text)) {
    Below(text, tree->root.size(), tree->fd);
    return;
  }
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

// Reaches the name of `text`, which is a held tree's root (its first `root_size` characters) or
// lies below it, from the root's handle, `root`, never through a link. False, error_ set, when
// a folder on the way cannot be opened or is a link.
bool At::Below(const std::string& text, std::size_t root_size, std::shared_ptr<const int> root) {
  confined_ = true;
  std::size_t end = text.size();
  while (end > root_size && text[end - 1] == '/')
    --end;
  if (end == root_size) {
    folder_ = std::move(root);
    name_ = ".";
    return true;
  }
  const std::size_t slash = text.rfind('/', end - 1);
  if (end == text.size()) {
    name_ = text.c_str() + slash + 1;
  } else {
    long_name_ = text.substr(slash + 1, end - slash - 1);
    name_ = long_name_.c_str();
  }
  if (slash == root_size) {
    folder_ = std::move(root);
    return true;
  }
  if (held.holds > 0) {
    folder_ = HoldFolder(std::string_view(text).substr(0, slash));
    if (folder_) return true;
  }
  const int fd =
      OpenFolderBelow(*root, std::string_view(text).substr(root_size, slash - root_size), O_PATH);
  if (fd < 0) {
    error_ = errno;
    return false;
  }
  dir_ = fd;
  return true;
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

std::unique_ptr<FolderHandles> HoldTree(const fs::path& root) {
  std::string text = root.native();
  while (text.size() > 1 && text.back() == '/')
    text.pop_back();
  // The whole file system is never walked; nothing is gained by holding it.
  if (text.empty() || text == "/") return nullptr;
  const int fd = ::open(text.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  return trees.Hold(std::make_shared<const Tree>(Tree{text, SharedDescriptor(fd)}));
}

int OpenFolderBelow(int root, std::string_view rest, int flags) {
  std::vector<std::string> pieces;
  for (std::size_t begin = 0; begin < rest.size();) {
    std::size_t end = std::min(rest.find('/', begin), rest.size());
    const std::string_view piece = rest.substr(begin, end - begin);
    begin = end + 1;
    if (piece.empty() || piece == ".") continue;
    if (piece == "..") {
      errno = ELOOP;
      return -1;
    }
    pieces.emplace_back(piece);
  }
  if (pieces.empty()) return ::openat(root, ".", flags | O_DIRECTORY | O_CLOEXEC);
  int fd = -1;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    // Folders on the way are only passed through; the last is what the caller asked for.
    const int piece_flags = (i + 1 == pieces.size() ? flags : O_PATH) | O_DIRECTORY | O_NOFOLLOW;
    int next;
    do {
      next = ::openat(fd < 0 ? root : fd, pieces[i].c_str(), piece_flags | O_CLOEXEC);
    } while (next < 0 && errno == EINTR);
    const int error = errno;
    if (fd >= 0) ::close(fd);
    if (next < 0) {
      errno = error;
      return -1;
    }
    fd = next;
  }
  return fd;
}

int HeldFolderToSync(const std::string& dir) {
  if (held.holds > 0 && held.fd && held.syncable && held.path == dir) return *held.fd;
  return -1;
}

}  // namespace kestrane::posix
