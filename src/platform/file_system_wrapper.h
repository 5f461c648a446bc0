// A file system that passes every call on to another, for wrappers that change a few calls and
// leave the rest as they are (retries, injected faults, a test's interference): they derive from
// it and override only what they change, so that no call is lost on the way, a held folder or a
// listed open least of all.
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "platform/file_system.h"

namespace kestrane {

class FileSystemWrapper : public FileSystem {
 public:
  // `target` must outlive the wrapper.
  explicit FileSystemWrapper(FileSystem& target) : target_(target) {}

  FileSystem& target() const { return target_; }

  Status OpenForRead(const std::filesystem::path& path,
                     std::unique_ptr<ReadableFile>* file) override {
    return target_.OpenForRead(path, file);
  }
  Status OpenListedForRead(const std::filesystem::path& path,
                           std::unique_ptr<ReadableFile>* file) override {
    return target_.OpenListedForRead(path, file);
  }
  Status CreateNew(const std::filesystem::path& path, FileMode mode,
                   std::unique_ptr<WritableFile>* file) override {
    return target_.CreateNew(path, mode, file);
  }
  Status MoveNoReplace(const std::filesystem::path& from,
                       const std::filesystem::path& to) override {
    return target_.MoveNoReplace(from, to);
  }
  Status Link(const std::filesystem::path& from, const std::filesystem::path& to) override {
    return target_.Link(from, to);
  }
  Status Rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
    return target_.Rename(from, to);
  }
  Status CopyNew(const std::filesystem::path& from, const std::filesystem::path& to) override {
    return target_.CopyNew(from, to);
  }
  Status Remove(const std::filesystem::path& path) override { return target_.Remove(path); }
  Status Stat(const std::filesystem::path& path, FileInfo* info) override {
    return target_.Stat(path, info);
  }
  Status SyncDir(const std::filesystem::path& dir) override { return target_.SyncDir(dir); }
  Status SyncFileSystem(const std::filesystem::path& path) override {
    return target_.SyncFileSystem(path);
  }
  Status ListDir(const std::filesystem::path& dir, std::vector<DirEntry>* entries) override {
    return target_.ListDir(dir, entries);
  }
  std::filesystem::path RealName(const std::filesystem::path& path) override {
    return target_.RealName(path);
  }
  std::size_t FreeFileHandles() override { return target_.FreeFileHandles(); }
  std::unique_ptr<FolderHandles> HoldFolders() override { return target_.HoldFolders(); }
  std::unique_ptr<FolderHandles> HoldTree(const std::filesystem::path& root) override {
    return target_.HoldTree(root);
  }

 private:
  FileSystem& target_;
};

}  // namespace kestrane
