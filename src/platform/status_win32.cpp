#include "platform/status_win32.h"

#include "platform/text.h"
#include "platform/windows_error.h"

namespace kestrane::win32 {
namespace {

namespace fs = std::filesystem;

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

Status::Code CodeFor(DWORD error, LONG nt_status = 0) {
  return WindowsErrorCode(error, nt_status);
}

// The rules are written with the values of winerror.h (mingw-w64's lacks the quota's).
static_assert(kFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(kPathNotFound == ERROR_PATH_NOT_FOUND);
static_assert(kAccessDenied == ERROR_ACCESS_DENIED);
static_assert(kInvalidDrive == ERROR_INVALID_DRIVE);
static_assert(kWriteProtect == ERROR_WRITE_PROTECT);
static_assert(kSharingViolation == ERROR_SHARING_VIOLATION);
static_assert(kLockViolation == ERROR_LOCK_VIOLATION);
static_assert(kHandleDiskFull == ERROR_HANDLE_DISK_FULL);
static_assert(kBadNetPath == ERROR_BAD_NETPATH);
static_assert(kNetworkAccessDenied == ERROR_NETWORK_ACCESS_DENIED);
static_assert(kBadNetName == ERROR_BAD_NET_NAME);
static_assert(kFileExists == ERROR_FILE_EXISTS);
static_assert(kDiskFull == ERROR_DISK_FULL);
static_assert(kInvalidName == ERROR_INVALID_NAME);
static_assert(kAlreadyExists == ERROR_ALREADY_EXISTS);
static_assert(kDirectory == ERROR_DIRECTORY);
static_assert(kCantAccessFile == ERROR_CANT_ACCESS_FILE);
static_assert(kCantResolveFilename == ERROR_CANT_RESOLVE_FILENAME);

}  // namespace

std::string PathText(const fs::path& path) {
  return Utf16ToWtf8(path.native());
}

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

Status MoveStatus(const fs::path& from, const fs::path& to, SystemError last) {
  return Failure(CodeFor(last.error, last.nt_status), "move",
                 PathText(from) + " to " + PathText(to), SystemText(last.error));
}

}  // namespace kestrane::win32
