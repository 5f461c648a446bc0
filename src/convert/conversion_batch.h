// Conversions made durable together: every work file of a batch reaches the disk before any of
// its moves, through one barrier for each file system it wrote to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "convert/convert_options.h"
#include "convert/file_result.h"
#include "convert/work_file.h"
#include "platform/file_system.h"

namespace kestrane {

class InPlaceConversion;

// What a batch is asked to do with one input: convert it, or, `interrupted_only`, only what its
// side files leave to do when the input is missing: finish an interrupted conversion, undo a
// restore that stopped, report a lone backup. An input met through several side files is
// handled through one of them, so it is reported once.
struct ConversionTask {
  std::filesystem::path input;
  bool interrupted_only = false;
  std::filesystem::path side_file = {};  // the side file met; empty means the work file
  // The folder's listing, just read, showed the input as a regular file and none of its side
  // files: the first look at them is spared. The look under the claim stays, and no move
  // replaces anything, so nothing rests on the listing.
  bool listed_alone = false;
};

// Prepare claims an input and writes its work file; Finish makes every work file of the batch
// durable at once, with one sync of each file system they are on where the system can (else
// each file's own sync), and only then moves them in and syncs each folder once. No converted
// file takes an input's name before its bytes are durable. The sync of a file system goes
// through a folder of the batch on it, the next when one is gone (renamed meanwhile); with none
// left, each file there syncs itself. When that barrier fails, every file on that file system
// fails with kSync: its work file is removed and its input was never touched. A work file whose
// name has come to name another file by the time of the moves fails with kWorkReplaced, and
// that other file stays. The batch starts no thread: whoever runs it says where its slots run.
class ConversionBatch {
 public:
  ConversionBatch(FileSystem& fs, const ConvertOptions& options, Converter convert,
                  std::size_t size);
  ~ConversionBatch();
  ConversionBatch(const ConversionBatch&) = delete;
  ConversionBatch& operator=(const ConversionBatch&) = delete;

  // Claims the task's input and writes its work file, or settles its result at once (skipped,
  // failed, dry run). Distinct slots (below `size`) may be prepared on several threads at once.
  // Returns the bytes written; nothing, leaving the slot unprepared, when the input is another
  // name of a file that another slot of this batch holds claimed (a hard link): a claim is one
  // per file, so that name waits for a later batch rather than being reported busy.
  std::optional<std::uint64_t> Prepare(std::size_t slot, const ConversionTask& task);

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
  struct Folders;
  struct Barriers;
  bool LeftInterrupted(const ConversionTask& task);
  bool ClaimedByAnotherSlot(std::size_t slot);
  Folders GroupByFolder() const;
  Barriers SyncFileSystems(const Folders& folders);
  void SealAndMove(std::size_t slot, const Barriers& barriers, Folders& folders);

  FileSystem& fs_;
  const ConvertOptions options_;
  const Converter convert_;
  std::vector<std::unique_ptr<InPlaceConversion>> pending_;
  std::vector<std::optional<FileResult>> results_;
  std::mutex inputs_mutex_;
  std::vector<std::filesystem::path> inputs_;  // by slot, once its preparation began
};

}  // namespace kestrane
