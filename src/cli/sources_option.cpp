#include "cli/sources_option.h"

#include "platform/text.h"

namespace kestrane {

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

}  // namespace kestrane
