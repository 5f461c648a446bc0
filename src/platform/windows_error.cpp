#include "platform/windows_error.h"

namespace kestrane {

Status::Code WindowsErrorCode(std::uint32_t error, std::int32_t nt_status) {
  using namespace win32;
  // A file deleted while another program still holds it open keeps its name until the last
  // handle closes; Win32 calls that "access denied", which would be lasting, but it is over
  // once that program lets go.
  if (error == kAccessDenied && nt_status == kStatusDeletePending) return Status::Code::kBusy;
  switch (error) {
    case kFileNotFound:
    case kPathNotFound:
    case kInvalidDrive:
    case kBadNetPath:
    case kBadNetName:
    case kDirectory:
    case kInvalidName:  // Wine's answer to listing a file as a folder
      return Status::Code::kNotFound;
    case kSharingViolation:
    case kLockViolation:
      return Status::Code::kBusy;
    case kAccessDenied:
    case kWriteProtect:
    case kNetworkAccessDenied:
      return Status::Code::kAccessDenied;
    case kDiskFull:
    case kHandleDiskFull:
    case kDiskQuotaExceeded:
      return Status::Code::kNoSpace;
    case kFileExists:
    case kAlreadyExists:
      return Status::Code::kExists;
    case kCantAccessFile:
    case kCantResolveFilename:
      return Status::Code::kNotRegular;
    default:
      return Status::Code::kIo;
  }
}

}  // namespace kestrane
