// Paths as the POSIX calls take them: a folder descriptor and a name in it. A path reaches the
// system through the folder its thread holds (FileSystem::HoldFolders) where it can, whole where
// it is short enough, and a piece at a time where it is too long for the system to take whole.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>

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

 private:
  bool Descend(const std::string& piece);

  int dir_;
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

// The descriptor of the folder this thread holds, when that folder is `dir` as named and the
// descriptor can sync it; -1 otherwise.
int HeldFolderToSync(const std::string& dir);

}  // namespace kestrane::posix
