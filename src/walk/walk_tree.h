// The traversal shared by the converter's walk and the command-line tool's restore: a folder tree
// depth-first in the order the system lists it, handing the entries a visitor chooses to it.
#pragma once

#include <filesystem>
#include <functional>
#include <vector>

#include "platform/file_system.h"

namespace kestrane {

struct TreeVisitor {
  // Whether `visit` wants an entry that is not a folder; links, FIFOs and devices are asked
  // about too, since only the visitor knows whether it can use them safely.
  std::function<bool(const DirEntry& entry)> wants;
  std::function<void(std::filesystem::path path, const DirEntry& entry)> visit;
  // A folder's whole listing, before any of its entries is visited.
  std::function<void(const std::filesystem::path& folder, const std::vector<DirEntry>& entries)>
      listed;
  // A folder whose listing failed; its subtree is passed over and the walk goes on.
  std::function<void(const std::filesystem::path& folder, const Status& status)> on_folder_error;
};

// Walks `folder` and every folder below it. A folder is finished, subtree by subtree, before the
// entries after it in its parent are visited. Links are never descended into. Each folder is
// listed completely before any of its entries is visited, so entries the visitor creates are not
// met and no listing stays open while the walk goes deeper; the walk keeps its own stack, so
// nesting depth costs heap, not call stack. Returns false, having listed nothing, when `folder`
// is a drive's root or /.
bool WalkTree(FileSystem& fs, const std::filesystem::path& folder, const TreeVisitor& visitor);

// With a `name`, folder/name alone goes to `one`, unless it is a folder, which is walked as a
// whole; without, the whole tree under `folder`. A name holding * or ? is taken literally: it
// names that one file, not a pattern.
void WalkFolderOrName(FileSystem& fs, const std::filesystem::path& folder,
                      const std::filesystem::path& name, const TreeVisitor& visitor,
                      const std::function<void(const std::filesystem::path&)>& one);

// True for /, a drive's root (C:\) or a bare drive (C:), however spelled (/tmp/.., C:\.).
bool IsDriveRoot(FileSystem& fs, const std::filesystem::path& folder);

}  // namespace kestrane
