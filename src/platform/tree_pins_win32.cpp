#include "platform/tree_pins_win32.h"

#include <cstdint>
#include <system_error>

#include "platform/file_info_win32.h"
#include "platform/folder_path.h"
#include "platform/held_trees.h"
#include "platform/status_win32.h"
#include "platform/windows_path.h"

namespace kestrane::win32 {
namespace {

namespace fs = std::filesystem;

// A tree held through HoldTree: its root as named, and the folder that name gave when the hold
// began, by volume and file index.
struct Tree {
  fs::path root;
  DWORD volume = 0;
  std::uint64_t index = 0;
};

HeldTrees<Tree> trees;

// The held tree with the deepest root that `path` is or lies below; null for none.
std::shared_ptr<const Tree> TreeOf(const fs::path& path) {
  return trees.Best([&path](const Tree& tree) -> std::size_t {
    const std::size_t way = FoldersOnTheWay(tree.root, path, /*self=*/true).size();
    return way == 0 ? 0 : SIZE_MAX - way;
  });
}

std::wstring SystemPath(const fs::path& path) {
  std::error_code error;
  const fs::path current = path.is_absolute() ? fs::path() : fs::current_path(error);
  return ExtendedWindowsPath(path.native(), current.native());
}

// Opens a folder to pin it: reading its entries takes part in sharing, which reading its
// attributes alone would not, so that without FILE_SHARE_DELETE nobody may rename or remove it
// meanwhile. The root is opened through a link, as it was named; the others never.
HANDLE OpenToPin(const fs::path& folder, bool root) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (root ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  return ::CreateFileW(SystemPath(folder).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags, nullptr);
}

}  // namespace

std::unique_ptr<FolderHandles> HoldTree(const fs::path& root) {
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE handle = ::CreateFileW(SystemPath(root).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  BY_HANDLE_FILE_INFORMATION data;
  const bool known = ::GetFileInformationByHandle(handle, &data);
  ::CloseHandle(handle);
  if (!known || !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return nullptr;
  return trees.Hold(std::make_shared<const Tree>(
      Tree{root, data.dwVolumeSerialNumber, Join(data.nFileIndexHigh, data.nFileIndexLow)}));
}

FolderPins::~FolderPins() {
  for (void* handle : handles_)
    ::CloseHandle(handle);
}

Status FolderPins::Pin(const char* operation, const fs::path& path, bool self) {
  const std::shared_ptr<const Tree> tree = TreeOf(path);
  if (!tree) return Status::Ok();
  const std::vector<fs::path> folders = FoldersOnTheWay(tree->root, path, self);
  for (std::size_t i = 0; i < folders.size(); ++i) {
    HANDLE handle = OpenToPin(folders[i], i == 0);
    if (handle == INVALID_HANDLE_VALUE) return SystemStatus(operation, folders[i], LastError());
    handles_.push_back(handle);
    BY_HANDLE_FILE_INFORMATION data;
    if (!::GetFileInformationByHandle(handle, &data)) {
      return SystemStatus(operation, folders[i], ::GetLastError());
    }
    const bool folder =
        KindOf(data.dwFileAttributes, ReparseTagOf(handle)) == EntryKind::kDirectory;
    // The root renamed, and another folder or a link put in its place, is not the tree held.
    const bool held = i != 0 || (data.dwVolumeSerialNumber == tree->volume &&
                                 Join(data.nFileIndexHigh, data.nFileIndexLow) == tree->index);
    if (!folder || !held) return NotRegular(operation, folders[i]);
  }
  return Status::Ok();
}

}  // namespace kestrane::win32
