// One conversion of a trio (side_file_names.h), step by step. The steps run in this order, and
// nothing is lost at any point of it, power cuts included:
//   1. claim the original, look again with the claim held; when finishing an interrupted
//      conversion, move backup -> input first, which makes it an untouched input again;
//   2. write the work file; make it durable (with the rest of its batch), close it;
//   3. move input -> backup, then work -> input;
//   4. release the claim; sync the folder (once for all the batch's files in it).
// Until the first move the input holds the original. Between the moves the input's name is
// free, the original is the backup, and a complete, durable work file is beside it: a run that
// finds that (the interrupted state) puts the backup back and converts it again, never trusting
// a work file it did not write nor removing it while the backup is alone. A move never replaces
// anything, and a failed second move puts the original back; when even that fails the work file
// stays, so the trio is interrupted rather than a lone backup no run would finish. The work
// file is durable before the moves, so they cannot reach the disk ahead of its bytes; the
// folder is synced after them, so a file reported converted stays converted. A batch
// (conversion_batch.h) runs step 2 for all its files before step 3 for any: one barrier then
// serves them all.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

#include "convert/convert_options.h"
#include "convert/file_result.h"
#include "convert/move_ladder.h"
#include "convert/work_file.h"
#include "platform/file_system.h"

namespace kestrane {

class InPlaceConversion {
 public:
  // `listed_alone`: the folder's listing, just read, showed the input as a regular file and none
  // of its side files, so the first look at them is spared.
  InPlaceConversion(FileSystem& fs, const std::filesystem::path& input,
                    const ConvertOptions& options, bool listed_alone = false);

  // Steps 1 and 2, short of durability. Empty when the work file waits for the barrier;
  // otherwise the result.
  std::optional<FileResult> Prepare(const Converter& convert);

  std::uint64_t written() const { return work_ ? work_->written() : 0; }
  std::uint64_t device() const { return source_->info().device; }
  const std::filesystem::path& input() const { return input_; }

  // The end of step 2: `synced` when the barrier made the work file durable already, else its
  // own sync; empty when the moves may follow.
  std::optional<FileResult> Seal(bool synced);
  // The barrier failed: nothing of the work file can be trusted, and it goes.
  FileResult Abandon(const Status& status);
  // Step 3 and the release of step 4; the batch syncs the folder.
  FileResult Move();

 private:
  std::optional<FileResult> ClaimOriginal();
  std::optional<FileResult> PutBackSetAside();
  std::optional<FileResult> ClaimSource(bool from_backup);
  std::optional<FileResult> ProveLeftoverWork(ReadableFile& original);
  std::optional<FileResult> RemoveLeftoverWork();
  std::optional<FileResult> LookAtSideFiles();
  FileResult Write(const Converter& convert);
  // The two ends short of success. One removes the work file: what it holds is of no use, and
  // the original is under the input's name. The other keeps it, for the one moment when the
  // work file is all that tells the next run that the backup is an interrupted conversion.
  FileResult EndRemovingWork(FileResult::Kind kind, FileResult::Reason reason,
                             const Status& status);
  FileResult EndKeepingWork(FileResult::Reason reason, const Status& status);

  FileSystem& fs_;
  const std::filesystem::path input_;
  const std::filesystem::path work_path_;
  const std::filesystem::path backup_;
  const bool dry_run_;
  const LegacyEncoding legacy_;  // how the proofs read the original, as the conversion does
  bool listed_alone_;            // as constructed, until a look disagrees
  std::unique_ptr<ReadableFile> source_;    // open and claimed from step 1 to step 4
  std::unique_ptr<ReadableFile> leftover_;  // a dead run's work file, proven, until removed
  CopyClaims copies_;                       // claims on the copies a system without links made
  bool recovering_ = false;
  std::optional<WorkFile> work_;
  FileResult done_;  // what to report once the moves are made
};

}  // namespace kestrane
