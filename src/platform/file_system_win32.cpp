// FileSystem on Windows, through the wide (...W) calls only, so that every name the system can
// hold, whatever the ANSI code page, reaches it unchanged.
#define UNICODE
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>
#include <string_view>
#include <system_error>

#include "platform/file_info_win32.h"
#include "platform/file_security_win32.h"
#include "platform/file_system.h"
#include "platform/folder_sync_win32.h"
#include "platform/open_file_win32.h"
#include "platform/retrying_file_system.h"
#include "platform/status_win32.h"
#include "platform/tree_pins_win32.h"
#include "platform/windows_path.h"

namespace kestrane {
namespace {

namespace fs = std::filesystem;
using win32::FolderPins;
using win32::InfoOf;
using win32::IsFolder;
using win32::IsLink;
using win32::Join;
using win32::KindOf;
using win32::LastError;
using win32::NotRegular;
using win32::PathText;
using win32::ReparseTagOf;
using win32::SystemError;
using win32::SystemStatus;
using win32::UnixNs;

// Every path reaches the system in the \\?\ form, which it takes literally: no MAX_PATH limit,
// and names that end in a dot or a space stay as they are.
std::wstring Win32Path(const fs::path& path) {
  std::error_code error;
  const fs::path current = path.is_absolute() ? fs::path() : fs::current_path(error);
  return ExtendedWindowsPath(path.native(), current.native());
}

// CREATE_NEW for writing, the file given `security` when there is some to give. The handle asks
// for the rights that takes; a file system that refuses them (a share that lets one change files
// but not their permissions) gets the file all the same, as its folder makes it.
HANDLE CreateForWriting(const std::wstring& name, const SystemSecurity* security) {
  // GetFileInformationByHandle, for the identity, needs FILE_READ_ATTRIBUTES, which
  // GENERIC_WRITE does not include.
  constexpr DWORD kAccess = GENERIC_WRITE | FILE_READ_ATTRIBUTES;
  constexpr DWORD kToGive[] = {WRITE_DAC | WRITE_OWNER, WRITE_DAC, 0};
  HANDLE handle = INVALID_HANDLE_VALUE;
  for (DWORD rights : kToGive) {
    if (security == nullptr && rights != 0) continue;
    handle = ::CreateFileW(name.c_str(), kAccess | rights, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      if (rights != 0) win32::GiveSecurity(handle, *security);
      break;
    }
    if (::GetLastError() != ERROR_ACCESS_DENIED) break;
  }
  return handle;
}

class Win32FileSystem final : public FileSystem {
 public:
  // OpenForRead looks at nothing before it opens, so a listing spares it nothing.
  Status OpenListedForRead(const fs::path& path, std::unique_ptr<ReadableFile>* file) override {
    return OpenForRead(path, file);
  }

  // Windows sets no limit on the handles of a process that a batch could reach.
  std::size_t FreeFileHandles() override { return SIZE_MAX; }

  // No folder is held: every call hands the system a whole \\?\ path.
  std::unique_ptr<FolderHandles> HoldFolders() override { return nullptr; }
  std::unique_ptr<FolderHandles> HoldTree(const fs::path& root) override {
    return win32::HoldTree(root);
  }

  Status OpenForRead(const fs::path& path, std::unique_ptr<ReadableFile>* file) override {
    file->reset();
    FolderPins pins;
    if (Status s = pins.Pin("open", path, false); !s.ok()) return s;
    std::wstring name = Win32Path(path);
    // Others may read the input but not change it while it is read. FILE_SHARE_DELETE lets the
    // run that holds it open rename it to its backup name, the claim on it travelling along.
    constexpr DWORD kReadShare = FILE_SHARE_READ | FILE_SHARE_DELETE;
    // FILE_FLAG_OPEN_REPARSE_POINT opens a link itself, which is then refused below.
    HANDLE handle =
        ::CreateFileW(name.c_str(), GENERIC_READ, kReadShare, nullptr, OPEN_EXISTING,
                      FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle != INVALID_HANDLE_VALUE && ReparseTagOf(handle) != 0 &&
        !IsReparseTagNameSurrogate(ReparseTagOf(handle))) {
      // Not a link: open the file itself, so that a placeholder is fetched as it is read.
      ::CloseHandle(handle);
      handle = ::CreateFileW(name.c_str(), GENERIC_READ, kReadShare, nullptr, OPEN_EXISTING,
                             FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    }
    if (handle == INVALID_HANDLE_VALUE) {
      const SystemError last = LastError();
      // A folder cannot be opened without FILE_FLAG_BACKUP_SEMANTICS: "access denied".
      if (last.error == ERROR_ACCESS_DENIED && IsFolder(name)) return NotRegular("open", path);
      return SystemStatus("open", path, last);
    }
    BY_HANDLE_FILE_INFORMATION data;
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
      ::CloseHandle(handle);
      return NotRegular("open", path);
    }
    if (!::GetFileInformationByHandle(handle, &data)) {
      DWORD error = ::GetLastError();
      ::CloseHandle(handle);
      return SystemStatus("open", path, error);
    }
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        IsLink(data.dwFileAttributes, ReparseTagOf(handle))) {
      ::CloseHandle(handle);
      return NotRegular("open", path);
    }
    FileInfo info = InfoOf(data);
    info.security = win32::SecurityOf(handle);
    *file = win32::NewReadableFile(handle, path, info);
    return Status::Ok();
  }

  Status CreateNew(const fs::path& path, FileMode mode,
                   std::unique_ptr<WritableFile>* file) override {
    file->reset();
    FolderPins pins;
    if (Status s = pins.Pin("create", path, false); !s.ok()) return s;
    std::wstring name = Win32Path(path);
    HANDLE handle = CreateForWriting(name, mode.security.get());
    if (handle == INVALID_HANDLE_VALUE) {
      SystemError last = LastError();
      // CREATE_NEW on a folder's name says "access denied"; the name is taken all the same.
      if (last.error == ERROR_ACCESS_DENIED && IsFolder(name)) last = {ERROR_ALREADY_EXISTS, 0};
      return SystemStatus("create", path, last);
    }
    *file = win32::NewWritableFile(handle, path, mode.attributes & kKeptAttributes);
    return Status::Ok();
  }

  Status MoveNoReplace(const fs::path& from, const fs::path& to) override {
    // Without MOVEFILE_REPLACE_EXISTING the move fails when `to` exists, atomically. With
    // MOVEFILE_WRITE_THROUGH it returns only once the move has reached the disk.
    FolderPins pins;
    if (Status s = pins.Pin("move", from, false); !s.ok()) return s;
    if (Status s = pins.Pin("move", to, false); !s.ok()) return s;
    if (::MoveFileExW(Win32Path(from).c_str(), Win32Path(to).c_str(), MOVEFILE_WRITE_THROUGH)) {
      return Status::Ok();
    }
    return win32::MoveStatus(from, to, LastError());
  }

  Status Link(const fs::path& from, const fs::path& to) override {
    if (::CreateHardLinkW(Win32Path(to).c_str(), Win32Path(from).c_str(), nullptr)) {
      return Status::Ok();
    }
    const SystemError last = LastError();
    // FAT and exFAT have no hard links.
    if (last.error == ERROR_INVALID_FUNCTION || last.error == ERROR_NOT_SUPPORTED) {
      return Failure(Status::Code::kUnsupported, "link", PathText(from) + " to " + PathText(to),
                     "the file system has no hard links");
    }
    return win32::MoveStatus(from, to, last);
  }

  Status Rename(const fs::path& from, const fs::path& to) override {
    if (::MoveFileExW(Win32Path(from).c_str(), Win32Path(to).c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return Status::Ok();
    }
    return win32::MoveStatus(from, to, LastError());
  }

  Status CopyNew(const fs::path& from, const fs::path& to) override {
    const std::wstring target = Win32Path(to);
    if (!::CopyFileExW(Win32Path(from).c_str(), target.c_str(), nullptr, nullptr, nullptr,
                       COPY_FILE_FAIL_IF_EXISTS)) {
      return win32::MoveStatus(from, to, LastError());
    }
    // CopyFileExW returns before the copy reaches the disk.
    HANDLE handle = ::CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool flushed = handle != INVALID_HANDLE_VALUE && ::FlushFileBuffers(handle);
    const SystemError last = LastError();
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    if (flushed) return Status::Ok();
    ::DeleteFileW(target.c_str());
    return win32::MoveStatus(from, to, last);
  }

  Status Remove(const fs::path& path) override {
    FolderPins pins;
    if (Status s = pins.Pin("remove", path, false); !s.ok()) return s;
    std::wstring name = Win32Path(path);
    if (::DeleteFileW(name.c_str())) return Status::Ok();
    const SystemError first = LastError();
    DWORD error = first.error;
    DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return NotRegular("remove", path);
      // A link to a folder (symbolic link or junction) goes the way of a folder; only the link
      // itself is removed.
      if (::RemoveDirectoryW(name.c_str())) return Status::Ok();
      error = ::GetLastError();
    }
    if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) ==
            FILE_ATTRIBUTE_READONLY) {
      // Windows keeps a read-only file from being deleted, which would keep a converted file
      // that kept its input's read-only attribute from giving way to its original.
      DWORD writable = attributes & ~DWORD{FILE_ATTRIBUTE_READONLY};
      if (::SetFileAttributesW(name.c_str(), writable != 0 ? writable : FILE_ATTRIBUTE_NORMAL)) {
        if (::DeleteFileW(name.c_str())) return Status::Ok();
        error = ::GetLastError();
        ::SetFileAttributesW(name.c_str(), attributes);
      }
    }
    if (error == first.error) return SystemStatus("remove", path, first);
    return SystemStatus("remove", path, error);
  }

  Status Stat(const fs::path& path, FileInfo* info) override {
    FolderPins pins;
    if (Status s = pins.Pin("stat", path, false); !s.ok()) return s;
    std::wstring name = Win32Path(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data)) {
      return SystemStatus("stat", path, ::GetLastError());
    }
    FileInfo result;
    // Until the handle tells otherwise, a reparse point is taken for a link: never followed.
    result.kind = KindOf(data.dwFileAttributes, IO_REPARSE_TAG_SYMLINK);
    result.size = Join(data.nFileSizeHigh, data.nFileSizeLow);
    result.mtime_ns = UnixNs(data.ftLastWriteTime);
    result.permissions = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0644;
    result.attributes = data.dwFileAttributes & kKeptAttributes;
    // The identity needs a handle. Asking for no access conflicts with no other program's
    // sharing mode; where even that fails, the identity stays unknown (zero).
    HANDLE handle = ::CreateFileW(
        name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      BY_HANDLE_FILE_INFORMATION by_handle;
      if (::GetFileInformationByHandle(handle, &by_handle)) {
        result.device = by_handle.dwVolumeSerialNumber;
        result.inode = Join(by_handle.nFileIndexHigh, by_handle.nFileIndexLow);
      }
      result.kind = KindOf(data.dwFileAttributes, ReparseTagOf(handle));
      ::CloseHandle(handle);
    }
    *info = result;
    return Status::Ok();
  }

  // By the file system of the folder's volume: see folder_sync_win32.h.
  Status SyncDir(const fs::path& dir) override {
    FolderPins pins;
    if (Status s = pins.Pin("sync", dir, true); !s.ok()) return s;
    return win32::SyncFolder(Win32Path(dir), dir);
  }

  // Flushing a whole volume wants an administrator too; each file flushes its own data.
  Status SyncFileSystem(const fs::path& path) override {
    return Failure(Status::Code::kUnsupported, "sync", PathText(path),
                   "a volume is flushed by administrators only");
  }

  // FindFirstFileW matches a name against both the long and the 8.3 short names of a folder's
  // entries, and gives the long one.
  fs::path RealName(const fs::path& path) override {
    const std::wstring name = path.filename().native();
    // Windows names hold no wildcard; such a name would match others.
    if (name.empty() || name.find_first_of(L"*?<>\"") != std::wstring::npos) return path;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileExW(Win32Path(path).c_str(), FindExInfoBasic, &data,
                                     FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return path;
    ::FindClose(find);
    const std::wstring_view real = data.cFileName;
    if (real.empty() || real == name) return path;
    return path.parent_path() / fs::path(std::wstring(real));
  }

  Status ListDir(const fs::path& dir, std::vector<DirEntry>* entries) override {
    entries->clear();
    FolderPins pins;
    if (Status s = pins.Pin("list", dir, true); !s.ok()) return s;
    std::wstring pattern = Win32Path(dir / L"*");
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                     nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
      DWORD error = ::GetLastError();
      // An existing folder without entries, not even "." and ".." (a drive's root).
      if (error == ERROR_FILE_NOT_FOUND && IsFolder(Win32Path(dir))) return Status::Ok();
      return SystemStatus("list", dir, error);
    }
    do {
      std::wstring_view name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      // For a reparse point, dwReserved0 holds its tag.
      entries->push_back(DirEntry{fs::path(name), KindOf(data.dwFileAttributes, data.dwReserved0)});
    } while (::FindNextFileW(find, &data));
    DWORD error = ::GetLastError();
    ::FindClose(find);
    if (error != ERROR_NO_MORE_FILES) {
      entries->clear();
      return SystemStatus("list", dir, error);
    }
    return Status::Ok();
  }
};

}  // namespace

FileSystem& DefaultFileSystem() {
  static Win32FileSystem file_system;
  static RetryingFileSystem retrying(file_system);
  return retrying;
}

}  // namespace kestrane
