// A subtitle file and its side files: name.txt, the work file name.txt_temp its conversion is
// written to, the backup name.txt_original that keeps its original bytes, and name.txt_undoing,
// where a restore sets the converted file aside while it proves it is ours. The one place that
// knows their names, the states they can be in and the order of the moves between them.
//
// What a run finds (I = name.txt, W = name.txt_temp, B = name.txt_original, A =
// name.txt_undoing) and does:
//   I          untouched         convert: write W, then I -> B, W -> I
//   I W        leftover work     the same; W is stale (no live run holds I) and is replaced,
//                                when it looks like ours (empty, or the UTF-8 mark first)
//   I W'       someone's W       W is not a work file of ours: convert skips and touches nothing
//   I B (W)    converted         convert skips ("backup exists"); restore, when I is what
//                                converting B gives: I -> A, B -> I, remove A
//   B W        interrupted       a run stopped between its two moves: convert puts B -> I and
//                                goes on as for an untouched input; restore: B -> I
//   B          lone backup       convert reports it and leaves it; restore: B -> I
//   A B        set aside         a restore stopped before putting the backup back: restore
//                                checks A and goes on; convert puts A -> I, converted again
//   I A        nearly restored   a restore stopped before removing A: either run removes A
//                                when it is what converting I gives
//   any        busy              another run holds the claim on the original: skipped
// The claim is a lock on the original's open file, taken before anything is written or moved
// and held until the moves are done; it travels with the file as it changes names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "convert/file_result.h"
#include "convert/frame_rate.h"
#include "platform/codepage.h"
#include "platform/file_system.h"

namespace kestrane {

// Names in both directions. The suffixes match in any ASCII letter case, since the systems that
// ignore case would take Movie.TXT_ORIGINAL for the backup of Movie.txt; a name built here keeps
// the input's own spelling.
bool IsInputName(const std::filesystem::path& name);   // x.txt
bool IsWorkName(const std::filesystem::path& name);    // x.txt_temp
bool IsBackupName(const std::filesystem::path& name);  // x.txt_original
bool IsAsideName(const std::filesystem::path& name);   // x.txt_undoing
std::filesystem::path WorkPathFor(const std::filesystem::path& input);
std::filesystem::path BackupPathFor(const std::filesystem::path& input);
std::filesystem::path AsidePathFor(const std::filesystem::path& input);
// What comes before the last name of a path, as it is spelled there: the folder of a file and
// its side files, without making a path of it. Empty for a bare name.
using FolderText = std::basic_string_view<std::filesystem::path::value_type>;
FolderText FolderPart(const std::filesystem::path& path);
// The input a side file belongs to: x.txt_temp, x.txt_original and x.txt_undoing give x.txt.
// Any other name comes back as it is.
std::filesystem::path InputPathFor(const std::filesystem::path& side_file);

// The side files a folder's listing shows, by the input they belong to: an input the listing
// shows alone is converted without asking the file system about each of them first.
class ListedSideFiles {
 public:
  explicit ListedSideFiles(const std::vector<DirEntry>& entries);
  // Whether the listing showed a side file of the input named `name` (no folder), in any ASCII
  // letter case.
  bool AnyFor(const std::filesystem::path& name) const;

 private:
  std::set<std::filesystem::path::string_type> inputs_;  // ASCII letters in lower case
};

struct ConvertOptions {
  // Read and convert everything, but create, move, remove and claim nothing.
  bool dry_run = false;
  // How 8-bit text that is not UTF-8 is read.
  LegacyEncoding legacy = {};
  // The frame rate of the timecodes written.
  FrameRate rate = {};
};

// The work file of one conversion. It is created by the first Append, so that an input without
// a cue leaves no trace; in a dry run it takes the text and writes nothing.
class WorkFile {
 public:
  // `path` is kept by reference: its owner outlives the work file.
  WorkFile(FileSystem& fs, const std::filesystem::path& path, FileMode mode, bool dry_run);
  // Creates nothing and hands each piece of text to `sink`, whose failure is the write's.
  WorkFile(FileSystem& fs, std::function<Status(std::string_view)> sink);
  WorkFile(const WorkFile&) = delete;
  WorkFile& operator=(const WorkFile&) = delete;

  Status Append(std::string_view text);
  // The step that failed last: creating or writing.
  FileResult::Reason failed_step() const { return failed_step_; }
  std::uint64_t written() const { return written_; }
  // The file created, as it told its identity when new; a default FileInfo before.
  const FileInfo& identity() const { return identity_; }

 private:
  friend class InPlaceConversion;
  Status Seal(bool sync);  // durable (already, or by its own sync), then closed
  std::string Discard();   // removes what was written; the words of a failure to, if any
  void Disown();           // closes, and leaves whatever has the name to whoever put it there
  Status Create();

  FileSystem& fs_;
  const std::filesystem::path& path_;
  FileMode mode_;
  bool dry_run_;
  std::function<Status(std::string_view)> sink_;
  std::unique_ptr<WritableFile> file_;
  FileInfo identity_;
  bool created_ = false;
  std::uint64_t written_ = 0;
  FileResult::Reason failed_step_ = FileResult::Reason::kNone;
};

// What a converter made of one source.
struct ConversionOutcome {
  Status status;
  std::size_t cues = 0;  // cue lines written
  // The step that failed, when `status` is a failure; kNone otherwise.
  FileResult::Reason failed_step = FileResult::Reason::kNone;
  // The legacy code page the text was read with ("windows-1256"), if any. Static text.
  std::string_view code_page;
};

// Reads `source` to its end and writes the converted text to `work`.
using Converter = std::function<ConversionOutcome(ReadableFile& source, WorkFile& work)>;

class InPlaceConversion;

// What a batch is asked to do with one input: convert it (ConvertInPlace), or only what its side
// files leave to do when the input is missing (FinishInterrupted): finish an interrupted
// conversion, undo a restore that stopped, report a lone backup. An input met through several
// side files is handled through one of them, so it is reported once.
struct ConversionTask {
  std::filesystem::path input;
  bool interrupted_only = false;
  std::filesystem::path side_file = {};  // the side file met; empty means the work file
  // The folder's listing, just read, showed the input as a regular file and none of its side
  // files: the first look at them is spared. The look under the claim stays, and no move
  // replaces anything, so nothing rests on the listing.
  bool listed_alone = false;
};

// Conversions made durable together. Prepare claims an input and writes its work file; Finish
// makes every work file of the batch durable at once, with one sync of each file system they are
// on where the system can (else each file's own sync, one after the other), and only then moves
// them in and syncs each folder once. No converted file takes an input's name before its bytes
// are durable. The sync of a file system goes through a folder of the batch on it, the next
// when one is gone (renamed meanwhile); with none left, each file there syncs itself. When that
// barrier fails, every file on that file system fails with kSync: its work file is removed and
// its input was never touched. A work file whose name has come to name another file by the
// time of the moves fails with kWorkReplaced, and that other file stays. The batch starts no
// thread: whoever runs it says where its slots run.
class ConversionBatch {
 public:
  ConversionBatch(FileSystem& fs, const ConvertOptions& options, Converter convert,
                  std::size_t size);
  ~ConversionBatch();
  ConversionBatch(const ConversionBatch&) = delete;
  ConversionBatch& operator=(const ConversionBatch&) = delete;

  // Claims the task's input and writes its work file, or settles its result at once (skipped,
  // failed, dry run). Distinct slots (below `size`) may be prepared on several threads at once.
  // Returns the bytes written.
  std::uint64_t Prepare(std::size_t slot, const ConversionTask& task);
  // Calls `each` once for every slot below `count`, on any threads, several at once or not,
  // and returns once every call has returned.
  using RunSlots =
      std::function<void(std::size_t count, const std::function<void(std::size_t slot)>& each)>;
  // The barrier, the moves and the folder syncs. The results by slot: none for a slot not
  // prepared, nor for an interrupted_only task whose input was not left interrupted. After the
  // barrier each file is sealed and moved through `run_slots`: work files that must sync
  // themselves (no barrier where they are) are best synced at once rather than one after
  // another, since each sync can wait tens of milliseconds on a slow disk. A folder is synced by
  // the call that moves its last file. Without `run_slots`, slot after slot on this thread.
  std::vector<std::optional<FileResult>> Finish(const RunSlots& run_slots = {});

 private:
  FileSystem& fs_;
  const ConvertOptions options_;
  const Converter convert_;
  std::vector<std::unique_ptr<InPlaceConversion>> pending_;
  std::vector<std::optional<FileResult>> results_;
};

// Converts `input` in place with `convert`, or finishes its conversion when a run was
// interrupted between its two moves (then `recovered` is set). At every moment the original
// bytes exist under the input's name or the backup name.
FileResult ConvertInPlace(FileSystem& fs, const std::filesystem::path& input,
                          const ConvertOptions& options, const Converter& convert);

// ConvertInPlace for an interrupted conversion alone: nothing when `input` is in another state.
std::optional<FileResult> FinishInterrupted(FileSystem& fs, const std::filesystem::path& input,
                                            const ConvertOptions& options,
                                            const Converter& convert);

// Puts `backup` (a name ending in .txt_original; anything else is skipped as no backup) back
// under its input's name, reading it with `convert` as a conversion does (`options.legacy`).
// A name.txt is replaced only when it is exactly what converting the backup gives, at any frame
// rate; anything else is the user's and stays ("changed since it was converted"). name.txt is
// set aside under a name of our own before it is checked, so the file checked is the file
// removed, and no move replaces anything, so the backup's bytes are never lost, even when
// another program races it. Also finishes a restore that stopped part-way. With
// `options.dry_run` only examines.
FileResult RestoreInPlace(FileSystem& fs, const std::filesystem::path& backup,
                          const ConvertOptions& options, const Converter& convert);

// RestoreInPlace for a restore that stopped once the backup was back (the converted file still
// set aside, the backup gone): nothing when `input` is in another state.
std::optional<FileResult> FinishRestore(FileSystem& fs, const std::filesystem::path& input,
                                        const ConvertOptions& options, const Converter& convert);

}  // namespace kestrane
