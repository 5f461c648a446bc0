// The subtitle sources converted beside them: name.srt and name.vtt, in any ASCII letter case,
// whose list is written to name.txt (its work file name.txt_temp, as side_file_names.h names
// it), the source never touched.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/codepage.h"
#include "platform/file_system.h"

namespace kestrane {

enum class SourceFormat { kSubRip, kWebVtt };

// Which sources a walk takes besides the .txt inputs, which it always takes.
struct SourceKinds {
  bool srt = false;
  bool vtt = false;
  bool any() const { return srt || vtt; }
};

// How a user names SourceKinds, as the help and the refusal of a bad value give it.
inline constexpr char kSourcesForm[] = "srt, vtt or srt,vtt";

// "srt", "vtt" or both, comma-separated, in any order and letter case; empty for anything else
// (an unknown or empty kind, a repeated one).
std::optional<SourceKinds> ParseSources(std::string_view text);

bool IsSubRipSourceName(const std::filesystem::path& name);  // x.srt
bool IsWebVttSourceName(const std::filesystem::path& name);  // x.vtt
inline bool IsBesideSourceName(const std::filesystem::path& name) {
  return IsSubRipSourceName(name) || IsWebVttSourceName(name);
}
// Whether a walk with `kinds` takes a file of this name as a source beside.
bool IsTakenSource(const std::filesystem::path& name, const SourceKinds& kinds);

// The list written beside a source: name.srt and name.vtt give name.txt, the name's own
// spelling kept.
std::filesystem::path ListPathFor(const std::filesystem::path& source);

// Opens a source beside for reading as SubRip text: a .vtt file through WebVttSource (its text
// read as `legacy` says), any other file as it is. The open's status. `listed`: a folder's
// listing has just shown a regular file there (FileSystem::OpenListedForRead).
Status OpenSourceBeside(FileSystem& fs, const std::filesystem::path& source,
                        const LegacyEncoding& legacy, std::unique_ptr<ReadableFile>* file,
                        bool listed = false);

}  // namespace kestrane
