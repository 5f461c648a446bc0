// The open files of the POSIX file system, and the descriptors under them.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

#include "platform/file_system.h"

namespace kestrane::posix {

// A descriptor that is closed when it goes, on every path out.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor();
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  explicit operator bool() const { return fd_ >= 0; }
  int get() const { return fd_; }
  // Hands the descriptor over to whoever closes it next.
  int Release();
  // Closes it now: 0, or the errno of a close that lost data.
  int Close();

 private:
  int fd_;
};

// read(), retried on EINTR.
ssize_t ReadRetrying(int fd, char* buf, std::size_t n);

// Writes everything, across short writes and signals; 0 or the errno.
int WriteFully(int fd, std::string_view data);

// Gives a new file the owner and group of the file it stands for, as far as this process may:
// root gives both; anyone else only a group they belong to (their own files are theirs). What it
// may not give leaves the file as the system made it, which is never a reason to fail.
void GiveOwnership(int fd, std::uint32_t owner, std::uint32_t group);

// The open files over a descriptor, which they take and close; `info` describes the file.
std::unique_ptr<ReadableFile> NewReadableFile(int fd, const std::filesystem::path& path,
                                              const FileInfo& info);
std::unique_ptr<WritableFile> NewWritableFile(int fd, const std::filesystem::path& path,
                                              const FileInfo& info);

}  // namespace kestrane::posix
