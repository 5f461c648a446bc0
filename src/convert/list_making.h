// One way a timecode list is made from its original: the converter writes a list one way, and
// the proof (conversion_proof.h) finds which way, if any, made a list it is shown.
#pragma once

#include <cstdint>
#include <optional>

#include "convert/frame_rate.h"

namespace kestrane {

struct ListMaking {
  ListMaking() = default;
  // Not explicit: a rate alone is how every list was made before offsets and tags.
  ListMaking(FrameRate rate, std::optional<std::int64_t> offset = {}, bool strip_tags = false)
      : rate(rate), offset(offset), strip_tags(strip_tags) {}

  // The frame rate of the timecodes.
  FrameRate rate;
  // Frames added to every start and end, counted on rate.timeline(), where every field of a
  // timecode is then computed; none: the times as the rate writes them without an offset.
  std::optional<std::int64_t> offset;
  // Whether formatting tags (formatting_tags.h) leave the text.
  bool strip_tags = false;
};

}  // namespace kestrane
