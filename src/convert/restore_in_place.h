// The undo of a conversion (side_file_names.h): the backup name.txt_original back under its
// input's name, and the conversion gone, only when it is provably ours.
#pragma once

#include <filesystem>
#include <optional>

#include "convert/convert_options.h"
#include "convert/file_result.h"
#include "platform/file_system.h"

namespace kestrane {

// Puts `backup` (a name ending in .txt_original; anything else is skipped as no backup) back
// under its input's name, reading it as a conversion does (`options.legacy`). A name.txt is
// replaced only when it is exactly what converting the backup gives at one frame rate, the
// classic frame or a named one, throughout (conversion_proof.h); anything else is the user's
// and stays ("changed since it was converted"). name.txt is
// set aside under a name of our own before it is checked, so the file checked is the file
// removed, and no move replaces anything, so the backup's bytes are never lost, even when
// another program races it. Also finishes a restore that stopped part-way. With
// `options.dry_run` only examines.
FileResult RestoreInPlace(FileSystem& fs, const std::filesystem::path& backup,
                          const ConvertOptions& options);

// RestoreInPlace but for the sync of the folder, which the caller owes each result that is
// done (in no dry run) before calling it durable: a batch syncs each folder once after the last
// of its restores. `listed`: the walk's listing showed name.txt and the backup as regular files
// and nothing set aside, so the looks that would say only that are spared.
FileResult RestoreMoves(FileSystem& fs, const std::filesystem::path& backup,
                        const ConvertOptions& options, bool listed);

// The rest of a restore that stopped once the backup was back (the converted file still set
// aside, the backup gone), the folder's sync left to the caller as by RestoreMoves: nothing
// when `input` is in another state.
std::optional<FileResult> FinishRestore(FileSystem& fs, const std::filesystem::path& input,
                                        const ConvertOptions& options);

}  // namespace kestrane
