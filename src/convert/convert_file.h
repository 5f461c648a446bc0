// Converts one subtitle file in place: name.txt receives the timecode list (UTF-8 with a
// byte-order mark, CR LF line ends) and the original bytes move to name.txt_original.
#pragma once

#include <filesystem>
#include <optional>

#include "convert/file_result.h"
#include "convert/side_files.h"
#include "platform/file_system.h"

namespace kestrane {

// Converts `input` (a folder's path joined with a name ending in .txt in any letter case).
// An input is converted only when it is a regular file, its backup name is free and at least one
// cue comes out of it; otherwise it is left exactly as it was. An input another run is
// converting at that moment is skipped as busy. At every moment the original bytes exist under
// the input's name or the backup name.
FileResult ConvertFile(FileSystem& fs, const std::filesystem::path& input,
                       const ConvertOptions& options = {});

// The conversion itself, for a ConversionBatch of inputs: reads a source and writes its cue lines
// to the work file, reading legacy text and writing timecodes as `options` say.
Converter SubtitleConverter(const ConvertOptions& options);

// Finishes the conversion of `input` that a run cut short between its two moves left behind:
// no input, its backup, and a work file. The backup is converted again (the work file may be
// incomplete) and the result takes the input's name; the backup stays. Nothing when `input` is
// not in that state. ConvertFile does the same when it finds that state.
std::optional<FileResult> RecoverFile(FileSystem& fs, const std::filesystem::path& input,
                                      const ConvertOptions& options = {});

}  // namespace kestrane
