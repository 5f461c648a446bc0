#include "convert/file_identity.h"

namespace kestrane {

bool Exists(FileSystem& fs, const std::filesystem::path& path) {
  FileInfo info;
  return fs.Stat(path, &info).ok();
}

bool IsFile(FileSystem& fs, const std::filesystem::path& path) {
  FileInfo info;
  return fs.Stat(path, &info).ok() && info.kind == EntryKind::kFile;
}

bool Missing(FileSystem& fs, const std::filesystem::path& path) {
  FileInfo info;
  return fs.Stat(path, &info).code() == Status::Code::kNotFound;
}

bool SameFile(const FileInfo& a, const FileInfo& b) {
  // An identity of zero means the system could not tell; size and time still count.
  bool same_identity = a.inode == 0 || b.inode == 0 || (a.device == b.device && a.inode == b.inode);
  return a.kind == b.kind && a.size == b.size && a.mtime_ns == b.mtime_ns && same_identity;
}

bool SameIdentity(const FileInfo& now, const FileInfo& then) {
  if (now.inode == 0 || then.inode == 0) return now.kind == then.kind;
  return now.kind == then.kind && now.device == then.device && now.inode == then.inode;
}

bool StillNames(FileSystem& fs, const std::filesystem::path& path, const ReadableFile& file) {
  FileInfo now;
  if (!fs.Stat(path, &now).ok()) return false;
  const FileInfo& then = file.info();
  if (now.inode == 0 || then.inode == 0) return SameFile(now, then);
  return SameIdentity(now, then);
}

}  // namespace kestrane
