#include "convert/source_names.h"

#include <string_view>
#include <utility>

#include "convert/webvtt_source.h"
#include "platform/folder_path.h"
#include "platform/text.h"

namespace kestrane {
namespace {

constexpr std::string_view kSubRipExtension = ".srt";
constexpr std::string_view kWebVttExtension = ".vtt";
constexpr std::string_view kListExtension = ".txt";

bool EndsWith(const std::filesystem::path& name, std::string_view ending) {
  // The native string, not string(): on Windows that would go through the ANSI code page.
  return EndsWithIgnoringAsciiCase(FolderText(name.native()), ending);
}

}  // namespace

bool IsSubRipSourceName(const std::filesystem::path& name) {
  return EndsWith(name, kSubRipExtension);
}

bool IsWebVttSourceName(const std::filesystem::path& name) {
  return EndsWith(name, kWebVttExtension);
}

std::optional<SourceKinds> ParseSources(std::string_view text) {
  SourceKinds kinds;
  while (true) {
    const std::size_t comma = text.find(',');
    const std::string_view kind = text.substr(0, comma);
    bool* taken = EqualsIgnoringAsciiCase(kind, "srt")   ? &kinds.srt
                  : EqualsIgnoringAsciiCase(kind, "vtt") ? &kinds.vtt
                                                         : nullptr;
    if (taken == nullptr || *taken) return std::nullopt;
    *taken = true;
    if (comma == std::string_view::npos) return kinds;
    text.remove_prefix(comma + 1);
  }
}

bool IsTakenSource(const std::filesystem::path& name, const SourceKinds& kinds) {
  return (kinds.srt && IsSubRipSourceName(name)) || (kinds.vtt && IsWebVttSourceName(name));
}

std::filesystem::path ListPathFor(const std::filesystem::path& source) {
  // Both extensions are as long as the list's: the name keeps its stem's bytes as they are.
  auto text = source.native();
  text.resize(text.size() - kListExtension.size());
  text.append(kListExtension.begin(), kListExtension.end());
  return std::filesystem::path(std::move(text));
}

Status OpenSourceBeside(FileSystem& fs, const std::filesystem::path& source,
                        const LegacyEncoding& legacy, std::unique_ptr<ReadableFile>* file,
                        bool listed) {
  Status s = listed ? fs.OpenListedForRead(source, file) : fs.OpenForRead(source, file);
  if (s.ok() && IsWebVttSourceName(source)) {
    *file = std::make_unique<WebVttSource>(std::move(*file), legacy);
  }
  return s;
}

}  // namespace kestrane
