// The open files of the Win32 file system.
#pragma once

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

#include <filesystem>
#include <memory>

#include "platform/file_system.h"

namespace kestrane::win32 {

// The open files over a handle, which they take and close. The readable one is described by
// `info`; the writable one gives the file NewFileAttributes(`attributes`) when it is closed.
std::unique_ptr<ReadableFile> NewReadableFile(HANDLE handle, const std::filesystem::path& path,
                                              const FileInfo& info);
std::unique_ptr<WritableFile> NewWritableFile(HANDLE handle, const std::filesystem::path& path,
                                              DWORD attributes);

}  // namespace kestrane::win32
