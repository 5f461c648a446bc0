// FileSystem::HoldTree on Windows. Its documented calls open no name relative to a folder's
// handle, so each call below a held tree pins the folders on its way instead: each opened in
// turn from the tree's root down without following a link (FILE_FLAG_OPEN_REPARSE_POINT),
// refused when it is a link or no folder (or, for the root, another folder than the one held),
// and kept open without FILE_SHARE_DELETE until the call is done, so that none of them can be
// renamed, removed, or so replaced by a link while the call goes through its path.
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "platform/file_system.h"
#include "platform/status.h"

namespace kestrane::win32 {

// The hold on the tree under `root`, for every thread; null when `root` cannot be opened.
std::unique_ptr<FolderHandles> HoldTree(const std::filesystem::path& root);

// The folders pinned for one call, let go when it ends.
class FolderPins {
 public:
  FolderPins() = default;
  ~FolderPins();
  FolderPins(const FolderPins&) = delete;
  FolderPins& operator=(const FolderPins&) = delete;

  // Pins the folders on the way to `path` (FoldersOnTheWay) when a tree holds it; nothing
  // otherwise. kNotRegular, naming `operation`, when one is a link or no folder, or the root is
  // no longer the folder held; the system's error when one cannot be opened.
  Status Pin(const char* operation, const std::filesystem::path& path, bool self);

 private:
  std::vector<void*> handles_;
};

}  // namespace kestrane::win32
