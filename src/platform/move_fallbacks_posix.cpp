#include "platform/move_fallbacks_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/open_file_posix.h"
#include "platform/path_at_posix.h"
#include "platform/status_posix.h"

namespace kestrane::posix {
namespace {

namespace fs = std::filesystem;

// Copies the bytes of `in`, described by `st`, into `out` with its owner, group, permissions and
// times, and makes the copy durable. 0, or the errno of the step that failed.
int CopyInto(int in, int out, const struct stat& st) {
  std::string buffer(1 << 16, '\0');
  for (;;) {
    ssize_t got = ReadRetrying(in, buffer.data(), buffer.size());
    if (got < 0) return errno;
    if (got == 0) break;
    if (int error = WriteFully(out, std::string_view(buffer.data(), got))) return error;
  }
  GiveOwnership(out, static_cast<std::uint32_t>(st.st_uid), static_cast<std::uint32_t>(st.st_gid));
  // The umask narrowed the mode given to open(), and a change of owner clears the set-ID bits. A
  // file system without POSIX modes (FAT) refuses this, which loses nothing it could have kept.
  (void)::fchmod(out, st.st_mode & 07777);
  const timespec times[2] = {st.st_atim, st.st_mtim};
  if (::futimens(out, times) != 0) return errno;
  // The copy is about to become the only one.
  if (SyncFailed(::fsync(out))) return errno;
  return 0;
}

}  // namespace

Status LinkNew(const fs::path& from, const fs::path& to) {
  At from_at(from), to_at(to);
  if (from_at.error() != 0) return MoveStatus(from, to, from_at.error());
  if (to_at.error() != 0) return MoveStatus(from, to, to_at.error());
  if (::linkat(from_at.dir(), from_at.name(), to_at.dir(), to_at.name(), 0) == 0) {
    return Status::Ok();
  }
  const int error = errno;
  // FAT, some FUSE drivers and protected_hardlinks refuse hard links; a folder gives EPERM too,
  // and is never moved.
  if (error == EPERM || error == EOPNOTSUPP || error == ENOSYS) {
    return Failure(Status::Code::kUnsupported, "link", from.string() + " to " + to.string(),
                   "the file system has no hard links");
  }
  return MoveStatus(from, to, error);
}

Status CopyNew(const fs::path& from, const fs::path& to) {
  At from_at(from), to_at(to);
  const Descriptor in(OpenRetrying(from_at, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  if (!in) {
    int error = errno;
    if (error == ELOOP || error == ENXIO || error == ENODEV) return NotRegular("move", from);
    return MoveStatus(from, to, error);
  }
  struct stat st;
  if (::fstat(in.get(), &st) != 0) return MoveStatus(from, to, errno);
  if (!S_ISREG(st.st_mode)) return NotRegular("move", from);
  Descriptor out(OpenRetrying(to_at, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                              st.st_mode & 07777));
  if (!out) return MoveStatus(from, to, errno);
  const int copy_error = CopyInto(in.get(), out.get(), st);
  const int close_error = out.Close();
  if (const int error = copy_error != 0 ? copy_error : close_error) {
    UnlinkAt(to_at);
    return MoveStatus(from, to, error);
  }
  return Status::Ok();
}

}  // namespace kestrane::posix
