// Converts one subtitle file in place: name.txt receives the timecode list (UTF-8 with a
// byte-order mark, CR LF line ends) and the original bytes move to name.txt_original.
#pragma once

#include <filesystem>

#include "convert/convert_options.h"
#include "convert/file_result.h"
#include "convert/work_file.h"
#include "platform/file_system.h"

namespace kestrane {

// Converts `input` (a folder's path joined with a name ending in .txt in any letter case).
// An input is converted only when it is a regular file, its backup name is free and at least one
// cue comes out of it; otherwise it is left exactly as it was. An input another run is
// converting at that moment is skipped as busy. At every moment the original bytes exist under
// the input's name or the backup name. An input that a run cut short between its two moves left
// as its backup and a work file is finished: the backup is converted again (the work file may be
// incomplete), the result takes the input's name and the backup stays (then `recovered` is
// set), as a walk does: through a batch of one.
FileResult ConvertFile(FileSystem& fs, const std::filesystem::path& input,
                       const ConvertOptions& options = {});

// The conversion itself, for a ConversionBatch of inputs: reads a source and writes its cue lines
// to the work file, reading legacy text and writing timecodes as `options` say.
Converter SubtitleConverter(const ConvertOptions& options);

}  // namespace kestrane
