// What Windows' errors mean to this program, as a plain function so that the rules can be tested
// on any system: the Win32 file system reports through it.
#pragma once

#include <cstdint>

#include "platform/status.h"

namespace kestrane {

// Win32 error codes and NT statuses this program tells apart, with the values of winerror.h
// and ntstatus.h.
namespace win32 {
inline constexpr std::uint32_t kFileNotFound = 2;
inline constexpr std::uint32_t kPathNotFound = 3;
inline constexpr std::uint32_t kAccessDenied = 5;
inline constexpr std::uint32_t kInvalidDrive = 15;
inline constexpr std::uint32_t kWriteProtect = 19;
inline constexpr std::uint32_t kSharingViolation = 32;
inline constexpr std::uint32_t kLockViolation = 33;
inline constexpr std::uint32_t kHandleDiskFull = 39;
inline constexpr std::uint32_t kBadNetPath = 53;
inline constexpr std::uint32_t kNetworkAccessDenied = 65;
inline constexpr std::uint32_t kBadNetName = 67;
inline constexpr std::uint32_t kFileExists = 80;
inline constexpr std::uint32_t kDiskFull = 112;
inline constexpr std::uint32_t kInvalidName = 123;
inline constexpr std::uint32_t kAlreadyExists = 183;
inline constexpr std::uint32_t kDirectory = 267;
inline constexpr std::uint32_t kDiskQuotaExceeded = 1295;
inline constexpr std::uint32_t kCantAccessFile = 1920;
inline constexpr std::uint32_t kCantResolveFilename = 1921;
inline constexpr std::int32_t kStatusDeletePending = static_cast<std::int32_t>(0xC0000056);
}  // namespace win32

// The kind of a Win32 `error`, given the NT status the failed call left (RtlGetLastNtStatus),
// or 0 where unknown. kBusy says that another program's hold will end; kAccessDenied lasts.
Status::Code WindowsErrorCode(std::uint32_t error, std::int32_t nt_status);

}  // namespace kestrane
