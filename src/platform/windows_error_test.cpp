#include "platform/windows_error.h"

#include <gtest/gtest.h>

namespace kestrane {
namespace {

using Code = Status::Code;

// What the retries go by: kBusy is waited out, kAccessDenied is not. Wine reports a pending
// delete otherwise than Windows does, so the rule is proved here, as a function.
TEST(WindowsErrorTest, HoldsThatEndAreBusyAndDenialsLast) {
  const struct {
    const char* fault;  // what each row catches
    std::uint32_t error;
    std::int32_t nt_status;
    Code expected;
  } kCases[] = {
      {"a pending delete is taken for a lasting denial", win32::kAccessDenied,
       win32::kStatusDeletePending, Code::kBusy},
      {"a plain access denied is retried", win32::kAccessDenied, 0, Code::kAccessDenied},
      {"write-protected media are retried", win32::kWriteProtect, 0, Code::kAccessDenied},
      {"a read-only share is retried", win32::kNetworkAccessDenied, 0, Code::kAccessDenied},
      {"a sharing violation is not waited out", win32::kSharingViolation, 0, Code::kBusy},
      {"a lock violation is not waited out", win32::kLockViolation, 0, Code::kBusy},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(WindowsErrorCode(c.error, c.nt_status), c.expected) << c.fault;
  }
}

}  // namespace
}  // namespace kestrane
