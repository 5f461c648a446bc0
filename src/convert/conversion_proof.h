// Whether a file is what converting an original gives: the one proof every "ours" rests on
// before a file that Kestrane did not just write is removed or moved (a list an undo replaces, a
// list a restore set aside, a work file a run left when it died), so that a file the user wrote
// or edited is never taken for one of ours.
#pragma once

#include <filesystem>
#include <memory>

#include "convert/frame_rate.h"
#include "platform/codepage.h"
#include "platform/file_system.h"

namespace kestrane {

// One way a list can have been made from its original: today the frame rate of its timecodes.
// A list is made one way from its first line to its last. The proof starts from every way it
// knows (the classic frame and each named rate) and drops, cue after cue, each that writes the
// cue otherwise than the list holds it: the first cue that tells two ways apart settles which
// one holds for the rest, and no list mixes two.
struct ListMaking {
  FrameRate rate;
};

enum class ProofMode {
  // The file is exactly the conversion, to its last byte: a list, or a list set aside.
  kWhole,
  // The file is empty or the conversion cut anywhere: a work file a run left. A zero byte in it
  // stands for any byte of the conversion, since a power cut can keep a file's length and lose
  // what was appended last; every other byte must be the conversion's.
  kPrefix,
};

// Whether `candidate`, which stands at its first byte, is what converting `original` gives under
// one ListMaking, as `mode` says. `original` is read as every conversion reads it (cue_blocks.h),
// legacy text as `legacy` says, from its start, and left at its start again. A source without a
// cue was never converted, so nothing is its conversion. Memory stays bounded by the longest cue
// whatever the size of either file. Fails only when reading or rewinding fails.
Status ProveConversion(ReadableFile& candidate, ReadableFile& original,
                       const LegacyEncoding& legacy, ProofMode mode, bool* proven);

// The proof for `file`, just opened at `path`: *proven takes it when it is the conversion of
// `original` (as ProveConversion) and still the file at `path`, unchanged; otherwise it is
// closed and *proven left empty.
Status ProveOpened(FileSystem& fs, const std::filesystem::path& path,
                   std::unique_ptr<ReadableFile> file, ReadableFile& original,
                   const LegacyEncoding& legacy, ProofMode mode,
                   std::unique_ptr<ReadableFile>* proven);

// Opens the file at `path` and proves it with ProveOpened. Nothing at `path`, or no regular
// file, is no failure: nothing is proven. `listed`: a listing has just shown a regular file
// there (FileSystem::OpenListedForRead).
Status OpenIfConversionOf(FileSystem& fs, const std::filesystem::path& path, ReadableFile& original,
                          const LegacyEncoding& legacy, ProofMode mode,
                          std::unique_ptr<ReadableFile>* proven, bool listed = false);

// Removes the file a proof gave, unless another file has taken its name since: that one stays,
// and it is no failure.
Status RemoveIfStillProven(FileSystem& fs, const std::filesystem::path& path,
                           const ReadableFile& proven);

}  // namespace kestrane
