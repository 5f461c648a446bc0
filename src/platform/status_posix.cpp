#include "platform/status_posix.h"

#include <cstring>
#include <system_error>

namespace kestrane::posix {
namespace {

namespace fs = std::filesystem;

Status::Code CodeFor(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return Status::Code::kNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return Status::Code::kAccessDenied;
    case ENOSPC:
    case EDQUOT:
      return Status::Code::kNoSpace;
    case EEXIST:
    case ENOTEMPTY:
      return Status::Code::kExists;
    case EISDIR:
      return Status::Code::kNotRegular;
    default:
      return Status::Code::kIo;
  }
}

}  // namespace

Status ErrnoStatus(std::string_view operation, const std::string& path, int error) {
  // The system's words as they stand, without the string generic_category() would build: a look
  // at a name that is not there is a usual answer, not a rare failure.
  if (const char* words = ::strerrordesc_np(error)) {
    return Failure(CodeFor(error), operation, path, words);
  }
  return Failure(CodeFor(error), operation, path, std::generic_category().message(error));
}

Status ErrnoStatus(std::string_view operation, const fs::path& path, int error) {
  return ErrnoStatus(operation, path.native(), error);
}

Status NotRegular(std::string_view operation, const fs::path& path) {
  return Failure(Status::Code::kNotRegular, operation, path.native(), "not a regular file");
}

Status MoveStatus(const fs::path& from, const fs::path& to, int error) {
  return Failure(CodeFor(error), "move", from.native() + " to " + to.native(),
                 std::generic_category().message(error));
}

}  // namespace kestrane::posix
