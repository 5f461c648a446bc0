// What happened to one input: the converter returns it, the application discards it and the
// command-line tool reports it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrane {

struct FileResult {
  enum class Kind { kConverted, kSkipped, kFailed };
  enum class Reason {
    kNone,  // converted
    // Skipped: left exactly as it was.
    kNoInput,       // no such file
    kNotRegular,    // a folder, link, FIFO or device carries the name
    kBackupExists,  // name.txt_original is there already and is never overwritten
    kNoSubtitle,    // not one cue came out of it
    kChanged,       // another program changed the input while it was read
    // Failed at this step. The original bytes are under the input's name, or under the backup
    // name once the first move succeeded; the work file is gone.
    kOpen,
    kRead,
    kCreateWork,
    kWrite,
    kClose,
    kBackupMove,   // input to name.txt_original
    kInstallMove,  // work file to the input's name
  };

  Kind kind = Kind::kConverted;
  Reason reason = Reason::kNone;
  std::string message;     // the system's words, for failures
  std::size_t cues = 0;    // cue lines written (or, in a dry run, that would be)
  bool recovered = false;  // finished what an interrupted run had begun
  // The code page of the lines that were not UTF-8 ("windows-1256"); empty when there were none.
  // Static text.
  std::string_view code_page;

  bool converted() const { return kind == Kind::kConverted; }
};

// Short words for a reason: "backup exists", "no subtitle", "creating the work file"...
const char* Describe(FileResult::Reason reason);

}  // namespace kestrane
