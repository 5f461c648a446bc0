// The frame rate of the project a timecode list is made for, and all the frame math that goes
// with it: the classic 33 ms frame's as well as each chosen rate's. The one place that knows the
// rates' names; kestrane-cli, the application and the tests all take them from here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kestrane {

// Rounds milliseconds to a frame at 33 ms a frame: 0..30 for 0..1000 ms, with a value on a
// midpoint rounding down. Below 0 gives 0, above 1000 gives 30.
int MsToFrame(int ms);

// The frames of a rate that counts them from zero, and the timecode of each: how every rate but
// the classic frame writes a time. Only a FrameRate hands one out.
class FrameCounter {
 public:
  // The frame nearest to `ms` milliseconds from zero, a half rounding down. `ms` must lie in
  // [0, kMaxMs].
  std::int64_t FrameAt(std::int64_t ms) const { return frame_at_(ms); }
  // Appends `frame` (a count from zero) as HH;MM;SS;FF: non-drop on the nominal base, or SMPTE
  // drop-frame, which skips the first frame numbers of every minute but each tenth.
  void AppendTimecode(std::int64_t frame, std::string* out) const {
    char text[kMaxTimecode];
    out->append(text, put_(frame, text));
  }
  // The same at `out`, which has room for kMaxTimecode bytes; the position after it.
  char* PutTimecode(std::int64_t frame, char* out) const { return put_(frame, out); }
  // The frame (a count from zero) that a timecode HH:MM:SS:FF names, ':' or ';' between any two
  // fields, hours of one to seven digits, the others of two; the inverse of AppendTimecode. Nothing
  // for anything else, or for a label the rate never writes: minutes or seconds past 59, frames
  // past the second's last, a frame number that drop-frame skips.
  std::optional<std::int64_t> ReadTimecode(std::string_view text) const { return read_(text); }

  // The longest time the frame math takes: a million hours.
  static constexpr std::int64_t kMaxMs = 3'600'000'000'000;
  // Room enough for any timecode: hours of up to 19 digits, then ;MM;SS;FF.
  static constexpr std::size_t kMaxTimecode = 32;

 private:
  friend class FrameRate;
  friend struct FrameRateMaker;
  using FrameAtFunction = std::int64_t (*)(std::int64_t ms);
  using PutFunction = char* (*)(std::int64_t frame, char* out);
  using ReadFunction = std::optional<std::int64_t> (*)(std::string_view text);
  constexpr FrameCounter() = default;
  constexpr FrameCounter(FrameAtFunction frame_at, PutFunction put, ReadFunction read)
      : frame_at_(frame_at), put_(put), read_(read) {}

  // The math of one rate with its numbers compiled in.
  FrameAtFunction frame_at_ = nullptr;
  PutFunction put_ = nullptr;
  ReadFunction read_ = nullptr;
};

class FrameRate {
 public:
  // The classic frame: 33 ms, frames 00 to 29, hours, minutes and seconds copied from the input.
  // Every other rate computes the whole timecode from the time.
  constexpr FrameRate() = default;

  // One of the accepted names (AcceptedNames), in any letter case; nothing for anything else.
  static std::optional<FrameRate> Parse(std::string_view name);
  // "23.976, 24, 25, 29.97 (drop-frame), ...": for messages that say what may be given.
  static std::string AcceptedNames();
  // Every rate that has a name, in that order: the classic frame is not among them.
  static std::span<const FrameRate> Named();

  bool classic() const { return nominal_ == 0; }
  // The rate's own name ("25", "29.97", "29.97ndf"); empty for the classic frame.
  std::string_view name() const { return name_; }
  bool drop_frame() const { return dropped_ != 0; }
  // For reports: "25 fps", "29.97 fps drop-frame", "33 ms a frame".
  std::string Describe() const;

  // The frames counted from zero and their timecodes, for a rate that computes the whole
  // timecode from the time; it lives as long as this FrameRate. Null for the classic frame,
  // which counts no frames from zero: its hours, minutes and seconds are the input's own
  // characters, and only the frame within the second is its own (PutFrameInSecond).
  const FrameCounter* counter() const { return classic() ? nullptr : &counter_; }

  // The frames counted from zero when a list is placed on a timeline (an offset), where every
  // field of a timecode is computed: the rate's own counter, or, for the classic frame, one that
  // counts 30 frames a second, each second's frames as the classic frame gives them (00 to 29).
  const FrameCounter& timeline() const { return classic() ? kClassicTimeline : counter_; }

  // The two digits of the frame of the second that `ms` milliseconds into it fall in, at `out`;
  // the position after them. At the classic frame MsToFrame's frame, at most 29; at any other
  // rate the nearest at its frame length, a half rounding down, at most the second's last. `ms`
  // must lie in [0, 1000].
  char* PutFrameInSecond(int ms, char* out) const {
    // A table, as this runs twice for nearly every cue at the classic frame.
    std::memcpy(out, (*second_)[static_cast<unsigned>(ms)].data(), 2);
    return out + 2;
  }

 private:
  // The two digits of the frame of each millisecond of a second, from 0 to 1000, at one rate.
  using SecondFrames = std::array<std::array<char, 2>, 1001>;
  static const SecondFrames kClassicSecond;
  static const FrameCounter kClassicTimeline;

  constexpr FrameRate(const char* name, int nominal, int dropped, const SecondFrames* second,
                      FrameCounter counter)
      : name_(name), nominal_(nominal), dropped_(dropped), second_(second), counter_(counter) {}
  friend struct FrameRateMaker;

  std::string_view name_;
  int nominal_ = 0;  // frames a second the timecode counts; 0 for the classic frame
  int dropped_ = 0;  // frame numbers dropped at the start of a minute
  const SecondFrames* second_ = &kClassicSecond;
  FrameCounter counter_;
};

}  // namespace kestrane
