#include "convert/file_result.h"

namespace kestrane {

const char* Describe(FileResult::Reason reason) {
  using R = FileResult::Reason;
  switch (reason) {
    case R::kNone:
      return "converted";
    case R::kNoInput:
      return "no such file";
    case R::kNotRegular:
      return "not a regular file";
    case R::kBackupExists:
      return "backup exists";
    case R::kNoSubtitle:
      return "no subtitle";
    case R::kChanged:
      return "changed while reading";
    case R::kOpen:
      return "opening the input";
    case R::kRead:
      return "reading the input";
    case R::kCreateWork:
      return "creating the work file";
    case R::kWrite:
      return "writing the work file";
    case R::kClose:
      return "closing the work file";
    case R::kBackupMove:
      return "moving the input to its backup";
    case R::kInstallMove:
      return "moving the converted file into place";
  }
  return "unknown";
}

}  // namespace kestrane
