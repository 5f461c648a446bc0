#include "platform/folder_sync_win32.h"

#ifndef UNICODE
#define UNICODE
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "platform/status_win32.h"
#include "platform/text.h"

namespace kestrane::win32 {

bool MovesNeedFlush(std::wstring_view file_system) {
  return !EqualsIgnoringAsciiCase(file_system, "NTFS") &&
         !EqualsIgnoringAsciiCase(file_system, "ReFS");
}

Status SyncFolder(const std::wstring& path, const std::filesystem::path& dir) {
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  // Through links, as the moves went: a folder named by a link has its entries where it leads.
  HANDLE folder = ::CreateFileW(path.c_str(), FILE_ADD_FILE, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return SystemStatus("sync", dir, LastError());
  wchar_t name[MAX_PATH + 1] = {};
  if (::GetVolumeInformationByHandleW(folder, nullptr, 0, nullptr, nullptr, nullptr, name,
                                      MAX_PATH + 1) &&
      !MovesNeedFlush(name)) {
    ::CloseHandle(folder);
    return Status::Ok();
  }
  DWORD error = ::FlushFileBuffers(folder) ? ERROR_SUCCESS : ::GetLastError();
  ::CloseHandle(folder);
  if (error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED ||
      error == ERROR_INVALID_PARAMETER) {
    error = ERROR_SUCCESS;
  }
  if (error != ERROR_SUCCESS) return SystemStatus("sync", dir, error);
  return Status::Ok();
}

}  // namespace kestrane::win32
