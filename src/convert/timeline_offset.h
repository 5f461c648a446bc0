// Where a timecode list starts on an editor's timeline: a timecode added to every time of it, so
// that subtitles made from zero land on a timeline that starts at 01:00:00:00, or a broadcast
// file's times come back to zero.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "convert/frame_rate.h"

namespace kestrane {

class TimelineOffset {
 public:
  // The form an offset is given in, for messages that say what may be given.
  static constexpr std::string_view kAcceptedForm =
      "HH:MM:SS:FF (';' between fields too, a leading '-' to subtract; at 29.97 and 59.94 a "
      "drop-frame label, at the classic frame 30 frames a second)";

  // `text` as HH:MM:SS:FF at `rate` (FrameCounter::ReadTimecode on rate.timeline()), with an
  // optional leading '-' that makes it subtract. Nothing when it is no label the rate writes.
  static std::optional<TimelineOffset> Parse(std::string_view text, const FrameRate& rate);

  // The frames added to every time, counted on rate.timeline(); below zero to subtract.
  std::int64_t frames() const { return frames_; }
  // The offset as it was given, its separators made ':' ("-10:00:00:00"): for reports.
  const std::string& text() const { return text_; }

 private:
  TimelineOffset(std::int64_t frames, std::string text) : frames_(frames), text_(std::move(text)) {}

  std::int64_t frames_ = 0;
  std::string text_;
};

}  // namespace kestrane
