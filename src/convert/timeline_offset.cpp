#include "convert/timeline_offset.h"

#include <algorithm>
#include <utility>

namespace kestrane {

std::optional<TimelineOffset> TimelineOffset::Parse(std::string_view text, const FrameRate& rate) {
  const bool negative = text.starts_with('-');
  const std::optional<std::int64_t> frames =
      rate.timeline().ReadTimecode(negative ? text.substr(1) : text);
  if (!frames) return std::nullopt;
  std::string shown(text);
  std::replace(shown.begin(), shown.end(), ';', ':');
  return TimelineOffset(negative ? -*frames : *frames, std::move(shown));
}

}  // namespace kestrane
