#include "platform/open_file_win32.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "platform/file_info_win32.h"
#include "platform/status_win32.h"

namespace kestrane::win32 {
namespace {

namespace fs = std::filesystem;

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
    // Through the handle, which may write to a file however read-only. A file system that keeps
    // no such attributes (some shares) leaves the file plain: no reason to fail it.
    FILE_BASIC_INFO basic{};  // times of zero stay as they are
    basic.FileAttributes = NewFileAttributes(attributes_);
    (void)::SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
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

}  // namespace

std::unique_ptr<ReadableFile> NewReadableFile(HANDLE handle, const fs::path& path,
                                              const FileInfo& info) {
  return std::make_unique<Win32ReadableFile>(handle, path, info);
}

std::unique_ptr<WritableFile> NewWritableFile(HANDLE handle, const fs::path& path,
                                              DWORD attributes) {
  return std::make_unique<Win32WritableFile>(handle, path, attributes);
}

}  // namespace kestrane::win32
