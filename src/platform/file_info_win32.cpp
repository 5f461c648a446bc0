#include "platform/file_info_win32.h"

namespace kestrane::win32 {

bool IsLink(DWORD attributes, DWORD reparse_tag) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsReparseTagNameSurrogate(reparse_tag);
}

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

DWORD NewFileAttributes(std::uint32_t kept) {
  return (kept & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE;
}

bool IsFolder(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace kestrane::win32
