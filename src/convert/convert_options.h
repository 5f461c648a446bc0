// What changes the conversion of a file: how a walk schedules its files is the walk's
// (WalkOptions).
#pragma once

#include <optional>

#include "convert/frame_rate.h"
#include "convert/list_making.h"
#include "convert/timeline_offset.h"
#include "platform/codepage.h"

namespace kestrane {

struct ConvertOptions {
  // Read and convert everything, but create, move, remove and claim nothing.
  bool dry_run = false;
  // How 8-bit text that is not UTF-8 is read.
  LegacyEncoding legacy = {};
  // The frame rate of the timecodes written.
  FrameRate rate = {};
  // Where the list starts on the editor's timeline, read at `rate`; none: at zero, each time as
  // without an offset. A file with a cue it would put before zero is skipped whole.
  std::optional<TimelineOffset> offset = {};
  // Whether formatting tags (<i>, <font ...>, {\an8}...) leave the cues' text.
  bool strip_tags = false;

  // How each list is made.
  ListMaking Making() const {
    return ListMaking(rate, offset ? std::optional(offset->frames()) : std::nullopt, strip_tags);
  }
};

}  // namespace kestrane
