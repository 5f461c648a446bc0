// Paths as the POSIX calls take them: a folder descriptor and a name in it. A path reaches the
// system through the folder its thread holds (FileSystem::HoldFolders) where it can, whole where
// it is short enough, and a piece at a time where it is too long for the system to take whole.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace kestrane::posix {

class At {
 public:
  // `path` must outlive this: the name is a view of its text where it can be.
  explicit At(const std::filesystem::path& path);
  ~At();
  At(const At&) = delete;
  At& operator=(const At&) = delete;

  int dir() const { return folder_ ? *folder_ : dir_; }
  const char* name() const { return name_; }
  int error() const { return error_; }  // errno of a piece that could not be opened
  // Reached below a held tree (HoldTree): a call that opens the name as a folder adds
  // O_NOFOLLOW, since the name is a folder of the tree too.
  bool confined() const { return confined_; }

 private:
  bool Descend(const std::string& piece);
  bool Below(const std::string& text, std::size_t root_size, std::shared_ptr<const int> root);

  int dir_;
  bool confined_ = false;
  std::shared_ptr<const int> folder_;  // the held folder, when the path is reached through it
  // The path's own text, which outlives this, ends in the name: a view of it serves, but for
  // a path too long for the system, whose last piece is copied.
  const char* name_ = "";
  std::string long_name_;
  int error_ = 0;
};

// openat(), retried on EINTR; fstatat() without following a final link; unlinkat() of a file.
// -1 with errno set on failure, the errno of an unreachable folder included.
int OpenRetrying(const At& at, int flags, mode_t mode = 0);
int StatAt(const At& at, struct stat* st);
int UnlinkAt(const At& at);

// The calling thread's hold on the folders its calls name, for FileSystem::HoldFolders.
std::unique_ptr<FolderHandles> HoldFoldersOnThisThread();

// A hold on the tree under `root`, for every thread, for FileSystem::HoldTree; null when `root`
// cannot be opened.
std::unique_ptr<FolderHandles> HoldTree(const std::filesystem::path& root);

// Opens `rest`, a folder's path relative to the folder `root` ("a/b", or "" for `root` itself),
// from `root`, each folder in the one before it, never through a link: a link on the way fails
// with ENOTDIR or ELOOP, and so does "..", which would lead out as a link can. The last folder
// gets `flags` (O_RDONLY or O_PATH, with O_DIRECTORY and O_NOFOLLOW added); -1 with errno set.
int OpenFolderBelow(int root, std::string_view rest, int flags);

// The descriptor of the folder this thread holds, when that folder is `dir` as named and the
// descriptor can sync it; -1 otherwise.
int HeldFolderToSync(const std::string& dir);

}  // namespace kestrane::posix
