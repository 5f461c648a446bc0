// What happened to one file of a conversion or a restore: the converter and the restore return
// it, the application discards it and the command-line tool reports it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "platform/status.h"

namespace kestrane {

struct FileResult {
  enum class Kind { kDone, kSkipped, kFailed };
  // Skip reasons come first, in the order a summary lists them.
  enum class Reason {
    kNone,  // converted or restored
    // Skipped by the converter: the input was left exactly as it was.
    kNoInput,       // no such file
    kNotRegular,    // a folder, link, FIFO or device carries the name
    kBackupExists,  // name.txt_original is there already and is never overwritten
    kLoneBackup,    // name.txt_original without name.txt: a restore puts it back
    kForeignWork,   // name.txt_temp holds a file that is not a work file of ours
    kNoSubtitle,    // not one cue came out of it
    kCueTooLong,    // a line or cue past LineReader::kMaxLine: no subtitle has one
    kChanged,       // another program changed the input while it was read
    kOffTimeline,   // a cue cannot be placed with the offset given: the message names it
    // Skipped by the restore: nothing was touched.
    kNoBackup,               // name.txt_original is not there
    kBackupNotRegular,       // the backup is a folder, link, FIFO or device
    kTargetNotFile,          // name.txt is a folder, link, FIFO or device
    kChangedSinceConverted,  // name.txt is not what converting the backup gives: it stays
    kForeignAside,           // name.txt_undoing holds a file that a restore did not set aside
    kBusy,                   // another run is converting or restoring it at this moment
    kNotAnInput,             // a path named by the user that is not a .txt file
    kNotAnInputOrBackup,     // the same, for a restore
    // Skipped beside a source (name.srt, name.vtt): the source is never touched.
    kListExists,        // name.txt is there already and is not this source's list
    kAlreadyConverted,  // name.txt is exactly this source's list
    kNoList,            // a restore finds no name.txt beside the source
    // Failed at this step. The original bytes are under the input's name or the backup name.
    kOpen,
    kRead,
    kCreateWork,
    kWrite,
    kSync,  // making the work file durable
    kClose,
    kWorkReplaced,  // the work file's name came to name another file before the moves
    kBackupMove,    // input to name.txt_original
    kInstallMove,   // work file to the input's name
    kStat,          // the backup or name.txt could not be examined
    kReadConverted,
    kSetAside,     // moving the converted name.txt out of the way before a restore
    kPutBack,      // moving a file set aside back to name.txt
    kRemove,       // removing the converted file once the backup is back
    kRestoreMove,  // backup to name.txt
    kSyncFolder,   // making the moves durable
  };

  Kind kind = Kind::kDone;
  // For a file done, kNone, or the step after it that failed, which leaves it done but perhaps
  // not durable: kSyncFolder, the moves made but the folder's sync refused (a warning).
  Reason reason = Reason::kNone;
  std::string message;     // the system's words, for failures
  std::size_t cues = 0;    // cue lines written (or, in a dry run, that would be)
  bool recovered = false;  // finished what an interrupted run had begun
  // The code page of the lines that were not UTF-8 ("windows-1256"); empty when there were none.
  // Static text.
  std::string_view code_page;

  bool done() const { return kind == Kind::kDone; }
  // Whether a conversion stopped at `step` leaves its file skipped, for what the file holds or
  // another program's file in the way, rather than failed.
  static bool SkipsAt(Reason step) {
    return step == Reason::kForeignWork || step == Reason::kOffTimeline ||
           step == Reason::kCueTooLong;
  }

  static FileResult Ended(Kind kind, Reason reason, std::string message = {}) {
    FileResult result;
    result.kind = kind;
    result.reason = reason;
    result.message = std::move(message);
    return result;
  }
  static FileResult Skipped(Reason reason) { return Ended(Kind::kSkipped, reason); }
  // `done`, with the step after it that failed.
  static FileResult Warned(FileResult done, Reason reason, const Status& status) {
    done.reason = reason;
    done.message = status.message();
    return done;
  }
  bool warned() const { return kind == Kind::kDone && reason != Reason::kNone; }
  static FileResult Failed(Reason reason, const Status& status) {
    return Ended(Kind::kFailed, reason, status.message());
  }
};

// Short words for a reason: "backup exists", "no subtitle", "creating the work file"...
const char* Describe(FileResult::Reason reason);

}  // namespace kestrane
