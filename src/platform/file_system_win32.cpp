// FileSystem on Windows, through the wide (...W) calls only, so that every name the system can
// hold, whatever the ANSI code page, reaches it unchanged.
#define UNICODE
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "platform/file_system.h"
#include "platform/retrying_file_system.h"
#include "platform/text.h"
#include "platform/windows_error.h"
#include "platform/windows_path.h"

namespace kestrane {
namespace {

namespace fs = std::filesystem;

// Every path reaches the system in the \\?\ form, which it takes literally: no MAX_PATH limit,
// and names that end in a dot or a space stay as they are.
std::wstring Win32Path(const fs::path& path) {
  std::error_code error;
  const fs::path current = path.is_absolute() ? fs::path() : fs::current_path(error);
  return ExtendedWindowsPath(path.native(), current.native());
}

std::string PathText(const fs::path& path) {
  return Utf16ToWtf8(path.native());
}

std::string SystemText(DWORD error) {
  wchar_t* buffer = nullptr;
  DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text(buffer, length);
  ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.pop_back();
  }
  if (text.empty()) return "system error " + std::to_string(error);
  return Utf16ToUtf8(text);
}

// What the last failed call left: its Win32 error and the NT status it was made from, which
// tells apart what Win32 folds into one error.
struct SystemError {
  DWORD error = 0;
  LONG nt_status = 0;
};

// Read at once after the failed call, before another call overwrites them.
SystemError LastError() {
  using GetLastNtStatus = LONG(NTAPI*)();
  static const auto get_last_nt_status = [] {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll ? reinterpret_cast<GetLastNtStatus>(
                       reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetLastNtStatus")))
                 : nullptr;
  }();
  SystemError last;
  last.error = ::GetLastError();
  last.nt_status = get_last_nt_status ? get_last_nt_status() : 0;
  return last;
}

Status::Code CodeFor(DWORD error, LONG nt_status = 0) {
  return WindowsErrorCode(error, nt_status);
}

// The rules are written with the values of winerror.h (mingw-w64's lacks the quota's).
static_assert(win32::kFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(win32::kPathNotFound == ERROR_PATH_NOT_FOUND);
static_assert(win32::kAccessDenied == ERROR_ACCESS_DENIED);
static_assert(win32::kInvalidDrive == ERROR_INVALID_DRIVE);
static_assert(win32::kWriteProtect == ERROR_WRITE_PROTECT);
static_assert(win32::kSharingViolation == ERROR_SHARING_VIOLATION);
static_assert(win32::kLockViolation == ERROR_LOCK_VIOLATION);
static_assert(win32::kHandleDiskFull == ERROR_HANDLE_DISK_FULL);
static_assert(win32::kBadNetPath == ERROR_BAD_NETPATH);
static_assert(win32::kNetworkAccessDenied == ERROR_NETWORK_ACCESS_DENIED);
static_assert(win32::kBadNetName == ERROR_BAD_NET_NAME);
static_assert(win32::kFileExists == ERROR_FILE_EXISTS);
static_assert(win32::kDiskFull == ERROR_DISK_FULL);
static_assert(win32::kInvalidName == ERROR_INVALID_NAME);
static_assert(win32::kAlreadyExists == ERROR_ALREADY_EXISTS);
static_assert(win32::kDirectory == ERROR_DIRECTORY);
static_assert(win32::kCantAccessFile == ERROR_CANT_ACCESS_FILE);
static_assert(win32::kCantResolveFilename == ERROR_CANT_RESOLVE_FILENAME);

Status SystemStatus(std::string_view operation, const fs::path& path, DWORD error) {
  return Failure(CodeFor(error), operation, PathText(path), SystemText(error));
}

Status SystemStatus(std::string_view operation, const fs::path& path, SystemError last) {
  return Failure(CodeFor(last.error, last.nt_status), operation, PathText(path),
                 SystemText(last.error));
}

Status NotRegular(std::string_view operation, const fs::path& path) {
  return Failure(Status::Code::kNotRegular, operation, PathText(path), "not a regular file");
}

// Only symbolic links and junctions stand for another name. Other reparse points (OneDrive's
// placeholders, deduplicated or compressed files) are ordinary files and folders to the user.
bool IsLink(DWORD attributes, DWORD reparse_tag) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsReparseTagNameSurrogate(reparse_tag);
}

// The reparse tag of an open handle; 0 when it is no reparse point.
DWORD ReparseTagOf(HANDLE handle) {
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag)) return 0;
  return (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? tag.ReparseTag : 0;
}

EntryKind KindOf(DWORD attributes, DWORD reparse_tag) {
  if (IsLink(attributes, reparse_tag)) return EntryKind::kLink;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return EntryKind::kDirectory;
  if (attributes & FILE_ATTRIBUTE_DEVICE) return EntryKind::kOther;
  return EntryKind::kFile;
}

std::uint64_t Join(DWORD high, DWORD low) {
  return (std::uint64_t{high} << 32) | low;
}

// FILETIME counts 100 ns ticks since 1601.
std::int64_t UnixNs(const FILETIME& time) {
  constexpr std::int64_t kTicksFrom1601To1970 = 116'444'736'000'000'000;
  auto ticks = static_cast<std::int64_t>(Join(time.dwHighDateTime, time.dwLowDateTime));
  return (ticks - kTicksFrom1601To1970) * 100;
}

FileInfo InfoOf(const BY_HANDLE_FILE_INFORMATION& data) {
  FileInfo info;
  info.kind = KindOf(data.dwFileAttributes, 0);  // an open file is never a link
  info.size = Join(data.nFileSizeHigh, data.nFileSizeLow);
  info.mtime_ns = UnixNs(data.ftLastWriteTime);
  info.device = data.dwVolumeSerialNumber;
  info.inode = Join(data.nFileIndexHigh, data.nFileIndexLow);
  info.permissions = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0644;
  info.attributes = data.dwFileAttributes & kKeptAttributes;
  return info;
}

bool IsFolder(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// ReadFile and WriteFile take a DWORD count.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;

// Flushes a file's data and what reading it back needs (its size), not its times: the
// counterpart of fdatasync, through NtFlushBuffersFileEx with FLUSH_FLAGS_FILE_DATA_SYNC_ONLY.
// Windows before 10 version 1709, and file systems that refuse the flag, get FlushFileBuffers.
// 0 on success, else a system error code.
DWORD FlushData(HANDLE handle) {
  struct IoStatusBlock {
    union {
      LONG status;
      void* pointer;
    };
    ULONG_PTR information;
  };
  using FlushEx = LONG(NTAPI*)(HANDLE, ULONG, void*, ULONG, IoStatusBlock*);
  using ToDosError = ULONG(NTAPI*)(LONG);
  constexpr ULONG kDataSyncOnly = 0x4;
  static const auto [flush, to_dos_error] = [] {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    auto find = [&](const char* name) {
      return ntdll ? reinterpret_cast<void*>(::GetProcAddress(ntdll, name)) : nullptr;
    };
    return std::pair(reinterpret_cast<FlushEx>(find("NtFlushBuffersFileEx")),
                     reinterpret_cast<ToDosError>(find("RtlNtStatusToDosError")));
  }();
  if (flush != nullptr && to_dos_error != nullptr) {
    IoStatusBlock io{};
    const LONG status = flush(handle, kDataSyncOnly, nullptr, 0, &io);
    if (status >= 0) return 0;
    const ULONG error = to_dos_error(status);
    // Not implemented, not supported, or the flag refused: the full flush below.
    if (error != ERROR_INVALID_FUNCTION && error != ERROR_NOT_SUPPORTED &&
        error != ERROR_INVALID_PARAMETER && error != ERROR_CALL_NOT_IMPLEMENTED &&
        error != ERROR_MR_MID_NOT_FOUND) {
      return error;
    }
  }
  return ::FlushFileBuffers(handle) ? 0 : ::GetLastError();
}

// The byte that TryLock locks: far past the end of any real file, so that the lock never
// stands in the way of a read, only of another lock.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;

class Win32ReadableFile final : public ReadableFile {
 public:
  Win32ReadableFile(HANDLE handle, fs::path path, FileInfo info)
      : handle_(handle), path_(std::move(path)), info_(info) {}
  ~Win32ReadableFile() override {
    // Closing the handle releases the lock only "when resources allow": another run might still
    // find it held.
    if (locked_) {
      OVERLAPPED at{};
      at.OffsetHigh = kLockOffsetHigh;
      ::UnlockFileEx(handle_, 0, 1, 0, &at);
    }
    ::CloseHandle(handle_);
  }

  Status Read(char* buf, std::size_t n, std::size_t* got) override {
    *got = 0;
    DWORD done = 0;
    if (!::ReadFile(handle_, buf, static_cast<DWORD>(std::min(n, kMaxTransfer)), &done, nullptr)) {
      return SystemStatus("read", path_, ::GetLastError());
    }
    *got = done;
    return Status::Ok();
  }

  Status Rewind() override {
    if (!::SetFilePointerEx(handle_, LARGE_INTEGER{}, nullptr, FILE_BEGIN)) {
      return SystemStatus("rewind", path_, ::GetLastError());
    }
    return Status::Ok();
  }

  Status TryLock() override {
    if (locked_) return Status::Ok();
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    if (!::LockFileEx(handle_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
      return SystemStatus("lock", path_, ::GetLastError());
    }
    locked_ = true;
    return Status::Ok();
  }

  const FileInfo& info() const override { return info_; }

 private:
  HANDLE handle_;
  fs::path path_;
  FileInfo info_;
  bool locked_ = false;
};

class Win32WritableFile final : public WritableFile {
 public:
  Win32WritableFile(HANDLE handle, fs::path path, DWORD attributes)
      : handle_(handle), path_(std::move(path)), attributes_(attributes) {
    BY_HANDLE_FILE_INFORMATION data;
    if (::GetFileInformationByHandle(handle_, &data)) info_ = InfoOf(data);
  }
  ~Win32WritableFile() override {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }

  Status Append(std::string_view data) override {
    if (handle_ == INVALID_HANDLE_VALUE) {
      return Failure(Status::Code::kIo, "write", PathText(path_), "the file is closed");
    }
    while (!data.empty()) {
      DWORD done = 0;
      DWORD want = static_cast<DWORD>(std::min(data.size(), kMaxTransfer));
      if (!::WriteFile(handle_, data.data(), want, &done, nullptr)) {
        return SystemStatus("write", path_, ::GetLastError());
      }
      data.remove_prefix(done);
    }
    return Status::Ok();
  }

  // A full disk on a network share shows only once the cached data is written: here.
  Status Sync() override {
    if (handle_ == INVALID_HANDLE_VALUE) {
      return Failure(Status::Code::kIo, "sync", PathText(path_), "the file is closed");
    }
    if (DWORD error = FlushData(handle_)) return SystemStatus("write", path_, error);
    return Status::Ok();
  }

  Status Close() override {
    if (handle_ == INVALID_HANDLE_VALUE) {
      return Failure(Status::Code::kIo, "close", PathText(path_), "the file is closed");
    }
    HANDLE handle = std::exchange(handle_, INVALID_HANDLE_VALUE);
    if (attributes_ != 0) {
      // Through the handle, which may write to a file however read-only. A file system that
      // keeps no such attributes (some shares) leaves the file plain: no reason to fail it.
      FILE_BASIC_INFO basic{};  // times of zero stay as they are
      basic.FileAttributes = attributes_;
      (void)::SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
    }
    if (!::CloseHandle(handle)) return SystemStatus("close", path_, ::GetLastError());
    return Status::Ok();
  }

  // Zero, "cannot tell", where the system would not say.
  const FileInfo& info() const override { return info_; }

 private:
  HANDLE handle_;
  fs::path path_;
  DWORD attributes_;
  FileInfo info_;
};

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

  Status OpenForRead(const fs::path& path, std::unique_ptr<ReadableFile>* file) override {
    file->reset();
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
    *file = std::make_unique<Win32ReadableFile>(handle, path, InfoOf(data));
    return Status::Ok();
  }

  Status CreateNew(const fs::path& path, FileMode mode,
                   std::unique_ptr<WritableFile>* file) override {
    file->reset();
    std::wstring name = Win32Path(path);
    // GetFileInformationByHandle, for the identity, needs FILE_READ_ATTRIBUTES, which
    // GENERIC_WRITE does not include.
    HANDLE handle = ::CreateFileW(name.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      SystemError last = LastError();
      // CREATE_NEW on a folder's name says "access denied"; the name is taken all the same.
      if (last.error == ERROR_ACCESS_DENIED && IsFolder(name)) last = {ERROR_ALREADY_EXISTS, 0};
      return SystemStatus("create", path, last);
    }
    *file = std::make_unique<Win32WritableFile>(handle, path, mode.attributes & kKeptAttributes);
    return Status::Ok();
  }

  Status MoveNoReplace(const fs::path& from, const fs::path& to) override {
    // Without MOVEFILE_REPLACE_EXISTING the move fails when `to` exists, atomically. With
    // MOVEFILE_WRITE_THROUGH it returns only once the move has reached the disk.
    if (::MoveFileExW(Win32Path(from).c_str(), Win32Path(to).c_str(), MOVEFILE_WRITE_THROUGH)) {
      return Status::Ok();
    }
    const SystemError last = LastError();
    return Failure(CodeFor(last.error, last.nt_status), "move",
                   PathText(from) + " to " + PathText(to), SystemText(last.error));
  }

  Status Remove(const fs::path& path) override {
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

  // Windows lets no ordinary program flush a folder (FlushFileBuffers wants a handle to the whole
  // volume, which needs an administrator). NTFS journals its changes to folders in the order
  // they were made, and every move went through with MOVEFILE_WRITE_THROUGH: nothing is left to
  // do here.
  Status SyncDir(const fs::path&) override { return Status::Ok(); }

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
