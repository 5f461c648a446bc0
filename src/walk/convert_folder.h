// Finds the subtitle files of a folder tree, or one named file, and converts or restores each
// in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>

#include "convert/convert_options.h"
#include "convert/file_result.h"
#include "convert/source_names.h"
#include "platform/file_system.h"

namespace kestrane {

// Told of every file the walk handed over (the input converted, the backup restored) and of
// every folder it could not read.
struct WalkObserver {
  std::function<void(const std::filesystem::path& path, const FileResult& result)> on_file;
  std::function<void(const std::filesystem::path& folder, const Status& status)> on_folder_error;
};

// How a walk shares out its files; none of it changes what a file becomes.
struct WalkOptions {
  // How many files a walk converts at once; 0 for one per core.
  unsigned jobs = 0;
  // How much a batch takes before its work files are made durable together: each file of it
  // keeps its input and its work file open until then, and the moves wait for it.
  std::size_t batch_files = 256;
  std::uint64_t batch_bytes = 64 << 20;
  // Which .srt and .vtt files a folder walk takes as sources beside them (beside_conversion.h),
  // in both directions. It chooses what a walk takes, never what a file becomes: a source named
  // on its own is converted or restored without it. None by default, so that a media library
  // with movie.srt beside every film is not filled with lists unasked.
  SourceKinds sources = {};
};

// With an empty `name`, converts every .txt file (any letter case) of `folder` and of all its
// subfolders, depth-first in the order the system lists them; a drive's root or / is refused.
// With a `name`, converts folder/name alone (a folder of that name is walked as a whole), under
// the spelling the disk gives it (SpelledAsOnDisk), whatever the letter case it was typed in.
// Links are neither followed nor converted through, and every path of the walk is reached from
// `folder` (FileSystem::HoldTree), so a folder swapped for a link after it was listed leads
// nowhere outside. An input that an interrupted run left as
// backup and work file only is finished, in both modes, whether the walk meets its name or only
// its side files; a backup without its input is reported (kLoneBackup) and left. The files are
// converted by batches (ConversionBatch), `walk.jobs` at once, each worker keeping to one folder
// where the batch has several; the observer is called on the calling thread, for each file in
// the order the walk met it, once it and every file met before it are done.
void ConvertFolder(FileSystem& fs, const std::filesystem::path& folder,
                   const std::filesystem::path& name, const ConvertOptions& options = {},
                   const WalkObserver& observer = {}, const WalkOptions& walk = {});

// The undo, walked the same way: restores every backup (*.txt_original, any letter case) with
// RestoreInPlace, reading legacy text as `options.legacy` says, and finishes the restores that
// stopped part-way. With a `name`, restores folder/name when it is a backup, the backup of
// folder/name when it is an input (name.txt, which need not exist), or the whole tree when it
// is a folder; any other name is ignored. A named file's trio is spelled as the disk spells it.
// Each file is reported by its backup's name.
void RestoreBackups(FileSystem& fs, const std::filesystem::path& folder,
                    const std::filesystem::path& name, const ConvertOptions& options,
                    const WalkObserver& observer = {}, const WalkOptions& walk = {});

}  // namespace kestrane
