#include "convert/file_result.h"

namespace kestrane {

const char* Describe(FileResult::Reason reason) {
  using R = FileResult::Reason;
  switch (reason) {
    case R::kNone:
      return "done";
    case R::kNoInput:
      return "no such file";
    case R::kNotRegular:
      return "not a regular file";
    case R::kBackupExists:
      return "backup exists";
    case R::kLoneBackup:
      return "backup without its file";
    case R::kForeignWork:
      return "a file of another program holds the work file's name";
    case R::kNoSubtitle:
      return "no subtitle";
    case R::kChanged:
      return "changed while reading";
    case R::kNoBackup:
      return "no backup";
    case R::kBackupNotRegular:
      return "backup not a regular file";
    case R::kTargetNotFile:
      return "name taken by a folder or link";
    case R::kChangedSinceConverted:
      return "changed since it was converted";
    case R::kForeignAside:
      return "a file of another program holds the name a restore needs";
    case R::kBusy:
      return "busy";
    case R::kNotAnInput:
      return "not a .txt file";
    case R::kNotAnInputOrBackup:
      return "not a .txt or .txt_original file";
    case R::kOpen:
      return "opening the input";
    case R::kRead:
      return "reading the input";
    case R::kCreateWork:
      return "creating the work file";
    case R::kWrite:
      return "writing the work file";
    case R::kSync:
      return "syncing the work file";
    case R::kClose:
      return "closing the work file";
    case R::kWorkReplaced:
      return "work file replaced";
    case R::kBackupMove:
      return "moving the input to its backup";
    case R::kInstallMove:
      return "moving the converted file into place";
    case R::kStat:
      return "examining the files";
    case R::kReadConverted:
      return "reading the converted file";
    case R::kSetAside:
      return "moving the converted file aside";
    case R::kPutBack:
      return "putting back the file moved aside";
    case R::kRemove:
      return "removing the converted file";
    case R::kRestoreMove:
      return "moving the backup back";
    case R::kSyncFolder:
      return "syncing the folder";
  }
  return "unknown";
}

}  // namespace kestrane
