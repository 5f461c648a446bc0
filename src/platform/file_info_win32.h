// What the system's records of a file say of it, in the terms of FileSystem.
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

#include <cstdint>
#include <string>

#include "platform/file_system.h"

namespace kestrane::win32 {

// Only symbolic links and junctions stand for another name. Other reparse points (OneDrive's
// placeholders, deduplicated or compressed files) are ordinary files and folders to the user.
bool IsLink(DWORD attributes, DWORD reparse_tag);

// The reparse tag of an open handle; 0 when it is no reparse point.
DWORD ReparseTagOf(HANDLE handle);

EntryKind KindOf(DWORD attributes, DWORD reparse_tag);

std::uint64_t Join(DWORD high, DWORD low);

// FILETIME counts 100 ns ticks since 1601; FileInfo, nanoseconds since 1970.
std::int64_t UnixNs(const FILETIME& time);

// An open file's record: never a link.
FileInfo InfoOf(const BY_HANDLE_FILE_INFORMATION& data);

// The attributes a new file gets from the kKeptAttributes bits of its mode: those, and the
// archive attribute, by which backups that copy only changed files (robocopy /M, xcopy /M) find
// it. The system sets that one on a file it creates, and setting the others would clear it.
DWORD NewFileAttributes(std::uint32_t kept);

// Whether `path` (in the form the system takes) names a folder.
bool IsFolder(const std::wstring& path);

}  // namespace kestrane::win32
