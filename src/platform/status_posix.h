// Statuses from errno, in the words of the system, for the POSIX file system and its helpers.
#pragma once

#include <cerrno>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace kestrane::posix {

// "<operation> <path>: <the system's words for error>", of the kind the error stands for.
Status ErrnoStatus(std::string_view operation, const std::string& path, int error);
Status ErrnoStatus(std::string_view operation, const std::filesystem::path& path, int error);

// kNotRegular for `path`, which is a folder, device, FIFO or link.
Status NotRegular(std::string_view operation, const std::filesystem::path& path);

// A move's failure, naming both of its paths.
Status MoveStatus(const std::filesystem::path& from, const std::filesystem::path& to, int error);

// Whether fsync or fdatasync failed. EINVAL only says that the file cannot be synced at all,
// which is no loss of data.
inline bool SyncFailed(int result) {
  return result != 0 && errno != EINVAL;
}

}  // namespace kestrane::posix
