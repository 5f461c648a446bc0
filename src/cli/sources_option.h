// --sources: which subtitle files a folder walk converts beside them, besides the .txt ones.
#pragma once

#include <optional>
#include <string_view>

#include "convert/source_names.h"

namespace kestrane {

// The accepted form, as the help and the usage error give it.
inline constexpr char kSourcesForm[] = "srt, vtt or srt,vtt";

// "srt", "vtt" or both, comma-separated, in any order and letter case; empty for anything else
// (an unknown or empty kind, a repeated one).
std::optional<SourceKinds> ParseSources(std::string_view text);

}  // namespace kestrane
