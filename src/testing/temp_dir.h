// A scoped folder on the real disk for tests, removed with everything in it at the end.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kestrane::testing {

class TempDir {
 public:
  // Below the system's temporary folder, or below `parent`.
  TempDir();
  explicit TempDir(const std::filesystem::path& parent);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Writes a file below the folder, creating its parent folders.
  std::filesystem::path Write(const std::filesystem::path& relative, std::string_view bytes) const;

 private:
  std::filesystem::path path_;
};

// The bytes of a real file, or nothing when it cannot be read.
std::optional<std::string> ReadBytes(const std::filesystem::path& path);

}  // namespace kestrane::testing
