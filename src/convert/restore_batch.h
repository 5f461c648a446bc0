// Restores made durable together: each file's set-aside, proof and moves on any thread, then each
// folder synced once, after the last of its moves, instead of once for every file.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <vector>

#include "convert/conversion_batch.h"
#include "convert/convert_options.h"
#include "convert/file_result.h"
#include "platform/file_system.h"

namespace kestrane {

// What a batch is asked to restore: a backup the walk met, or, `left_aside_only`, a trio met
// through its file set aside, where only a restore that stopped once the backup was back is
// finished (with its backup there, the backup's own entry restores it).
struct RestoreTask {
  std::filesystem::path backup;
  bool left_aside_only = false;
  // The listing showed name.txt and the backup as regular files and nothing set aside.
  bool listed = false;
};

// A restore writes no bytes, so no barrier comes before its moves: in a folder they reach the
// disk in the order made, and every prefix of them is a state the next run finishes
// (side_file_names.h). The folder's sync makes them durable before the result is given.
class RestoreBatch {
 public:
  RestoreBatch(FileSystem& fs, const ConvertOptions& options, std::size_t size)
      : fs_(fs), options_(options), results_(size), folders_(size) {}

  // The restore of one task but for its folder's sync. Distinct slots may be prepared on several
  // threads at once.
  void Prepare(std::size_t slot, const RestoreTask& task);

  // Syncs each folder in which a restore moved files, through `run_slots` (as
  // ConversionBatch::Finish), and gives the results by slot: none for a slot not prepared, nor
  // for a left_aside_only task with nothing left to finish. A folder whose sync fails fails each
  // of its restores, with kSyncFolder.
  std::vector<std::optional<FileResult>> Finish(const ConversionBatch::RunSlots& run_slots = {});

 private:
  FileSystem& fs_;
  const ConvertOptions options_;
  std::vector<std::optional<FileResult>> results_;
  std::vector<std::filesystem::path> folders_;  // by slot: the folder of the trio
};

}  // namespace kestrane
