#include "convert/file_result.h"

#include <cstddef>
#include <iterator>

namespace kestrane {
namespace {

using R = FileResult::Reason;

struct Words {
  R reason;
  const char* words;
};

// One row a reason, in the order of the enumeration.
constexpr Words kWords[] = {
    {R::kNone, "done"},
    {R::kNoInput, "no such file"},
    {R::kNotRegular, "not a regular file"},
    {R::kBackupExists, "backup exists"},
    {R::kLoneBackup, "backup without its file"},
    {R::kForeignWork, "a file of another program holds the work file's name"},
    {R::kNoSubtitle, "no subtitle"},
    {R::kCueTooLong, "cue too long"},
    {R::kChanged, "changed while reading"},
    {R::kOffTimeline, "a cue off the timeline"},
    {R::kNoBackup, "no backup"},
    {R::kBackupNotRegular, "backup not a regular file"},
    {R::kTargetNotFile, "name taken by a folder or link"},
    {R::kChangedSinceConverted, "changed since it was converted"},
    {R::kForeignAside, "a file of another program holds the name a restore needs"},
    {R::kBusy, "busy"},
    {R::kNotAnInput, "not a .txt file"},
    {R::kNotAnInputOrBackup, "not a .txt or .txt_original file"},
    {R::kListExists, "name.txt exists"},
    {R::kAlreadyConverted, "already converted"},
    {R::kNoList, "no list beside it"},
    {R::kOpen, "opening the input"},
    {R::kRead, "reading the input"},
    {R::kCreateWork, "creating the work file"},
    {R::kWrite, "writing the work file"},
    {R::kSync, "syncing the work file"},
    {R::kClose, "closing the work file"},
    {R::kWorkReplaced, "work file replaced"},
    {R::kBackupMove, "moving the input to its backup"},
    {R::kInstallMove, "moving the converted file into place"},
    {R::kStat, "examining the files"},
    {R::kReadConverted, "reading the converted file"},
    {R::kSetAside, "moving the converted file aside"},
    {R::kPutBack, "putting back the file moved aside"},
    {R::kRemove, "removing the converted file"},
    {R::kRestoreMove, "moving the backup back"},
    {R::kSyncFolder, "syncing the folder"},
};

constexpr bool EachRowAtItsReason() {
  for (std::size_t i = 0; i < std::size(kWords); ++i) {
    if (static_cast<std::size_t>(kWords[i].reason) != i) return false;
  }
  return true;
}
// A reason is its row's index, and every reason up to the last has its row. A reason added after
// kSyncFolder moves this check to it.
static_assert(EachRowAtItsReason(), "the rows of kWords follow the reasons");
static_assert(std::size(kWords) == static_cast<std::size_t>(R::kSyncFolder) + 1,
              "every reason has its row in kWords");

}  // namespace

const char* Describe(FileResult::Reason reason) {
  const auto row = static_cast<std::size_t>(reason);
  return row < std::size(kWords) ? kWords[row].words : "unknown";
}

}  // namespace kestrane
