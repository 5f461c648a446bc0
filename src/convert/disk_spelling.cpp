#include "convert/disk_spelling.h"

#include "convert/side_file_names.h"

namespace kestrane {

std::filesystem::path SpelledAsOnDisk(FileSystem& fs, const std::filesystem::path& named) {
  // RealName gives another spelling only of an entry it found.
  std::filesystem::path real = fs.RealName(named);
  if (real.native() != named.native() || !IsInputName(named.filename())) return real;
  FileInfo info;
  if (fs.Stat(named, &info).code() != Status::Code::kNotFound) return named;
  return InputPathFor(fs.RealName(BackupPathFor(named)));
}

}  // namespace kestrane
