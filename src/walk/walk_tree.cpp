#include "walk/walk_tree.h"

#include <cstddef>
#include <utility>
#include <vector>

#include "convert/disk_spelling.h"

namespace kestrane {
namespace {

// A folder being walked: its whole listing, and how far the walk has got in it.
struct Level {
  std::filesystem::path folder;
  std::vector<DirEntry> entries;
  std::size_t next = 0;
};

}  // namespace

bool IsDriveRoot(FileSystem& fs, const std::filesystem::path& folder) {
  const std::filesystem::path normal = folder.lexically_normal();
  if (normal.has_root_name() || normal.has_root_directory()) {
    if (normal.relative_path().empty()) return true;
  }
  // A spelling that resolves to the root through a link (/tmp/rootlink/) has the root's
  // identity. Zero means the platform could not tell.
  if (!folder.has_root_directory()) return false;
  FileInfo here;
  FileInfo root;
  if (!fs.Stat(folder, &here).ok() || !fs.Stat(folder.root_path(), &root).ok()) return false;
  return here.kind == EntryKind::kDirectory && here.inode != 0 && here.inode == root.inode &&
         here.device == root.device;
}

bool WalkTree(FileSystem& fs, const std::filesystem::path& folder, const TreeVisitor& visitor) {
  if (IsDriveRoot(fs, folder)) return false;

  std::vector<Level> stack;
  auto enter = [&](std::filesystem::path dir) {
    Level level{std::move(dir), {}, 0};
    Status status = fs.ListDir(level.folder, &level.entries);
    if (!status.ok()) {
      if (visitor.on_folder_error) visitor.on_folder_error(level.folder, status);
      return;
    }
    if (visitor.listed) visitor.listed(level.folder, level.entries);
    stack.push_back(std::move(level));
  };

  enter(folder);
  while (!stack.empty()) {
    Level& top = stack.back();
    if (top.next == top.entries.size()) {
      stack.pop_back();
      continue;
    }
    const DirEntry& entry = top.entries[top.next++];
    if (entry.kind == EntryKind::kDirectory) {
      // Entering grows the stack, which moves `top` and its entries: the path is made first.
      enter(top.folder / entry.name);
    } else if (visitor.wants && visitor.wants(entry) && visitor.visit) {
      visitor.visit(top.folder / entry.name, entry);
    }
  }
  return true;
}

void WalkFolderOrName(FileSystem& fs, const std::filesystem::path& folder,
                      const std::filesystem::path& name, const TreeVisitor& visitor,
                      const std::function<void(const std::filesystem::path&)>& one) {
  if (name.empty()) {
    WalkTree(fs, folder, visitor);
    return;
  }
  std::filesystem::path path = folder / name;
  FileInfo info;
  if (fs.Stat(path, &info).ok() && info.kind == EntryKind::kDirectory) {
    WalkTree(fs, path, visitor);
    return;
  }
  // The side files' names are built from this one: the disk's spelling, never a short name
  // standing for it nor the letter case it was typed in.
  one(SpelledAsOnDisk(fs, path));
}

}  // namespace kestrane
