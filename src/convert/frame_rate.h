// The frame rate of the project a timecode list is made for, and the frame math that goes with
// it. The one place that knows the rates' names; kestrane-cli, the application and the tests
// all take them from here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrane {

class FrameRate {
 public:
  // The classic frame: 33 ms, frames 00 to 29, hours, minutes and seconds copied from the input.
  // Every other rate computes the whole timecode from the time.
  constexpr FrameRate() = default;

  // One of the accepted names (AcceptedNames), in any letter case; nothing for anything else.
  static std::optional<FrameRate> Parse(std::string_view name);
  // "23.976, 24, 25, 29.97 (drop-frame), ...": for messages that say what may be given.
  static std::string AcceptedNames();

  bool classic() const { return nominal_ == 0; }
  // The rate's own name ("25", "29.97", "29.97ndf"); empty for the classic frame.
  std::string_view name() const { return name_; }
  bool drop_frame() const { return dropped_ != 0; }
  // For reports: "25 fps", "29.97 fps drop-frame", "33 ms a frame".
  std::string Describe() const;

  // The frame nearest to `ms` milliseconds from zero, a half rounding down. `ms` must lie in
  // [0, kMaxMs]. Not for the classic frame.
  std::int64_t FrameAt(std::int64_t ms) const { return frame_at_(ms); }
  // The frame of the second that `ms` milliseconds into it fall in, at this rate's frame length:
  // nearest, a half rounding down, from 0 to the second's last frame (below 0 counts as 0, above
  // 1000 as 1000). Not for the classic frame.
  int FrameInSecond(int ms) const;
  // Appends `frame` (a count from zero) as HH;MM;SS;FF: non-drop on the nominal base, or SMPTE
  // drop-frame, which skips the first frame numbers of every minute but each tenth. Not for the
  // classic frame.
  void AppendTimecode(std::int64_t frame, std::string* out) const {
    char text[kMaxTimecode];
    out->append(text, put_(frame, text));
  }
  // The same at `out`, which has room for kMaxTimecode bytes; the position after it.
  char* PutTimecode(std::int64_t frame, char* out) const { return put_(frame, out); }

  // The longest time the frame math takes: a million hours.
  static constexpr std::int64_t kMaxMs = 3'600'000'000'000;
  // Room enough for any timecode: hours of up to 19 digits, then ;MM;SS;FF.
  static constexpr std::size_t kMaxTimecode = 32;

 private:
  using FrameAtFunction = std::int64_t (*)(std::int64_t ms);
  using PutFunction = char* (*)(std::int64_t frame, char* out);
  constexpr FrameRate(const char* name, int num, int den, int nominal, int dropped,
                      FrameAtFunction frame_at, PutFunction put)
      : name_(name),
        num_(num),
        den_(den),
        nominal_(nominal),
        dropped_(dropped),
        frame_at_(frame_at),
        put_(put) {}
  friend struct FrameRateMaker;

  std::string_view name_;
  int num_ = 0, den_ = 1;  // frames a second, exactly: num_ / den_
  int nominal_ = 0;        // frames a second the timecode counts; 0 for the classic frame
  int dropped_ = 0;        // frame numbers dropped at the start of a minute
  // The math of this rate with its numbers compiled in.
  FrameAtFunction frame_at_ = nullptr;
  PutFunction put_ = nullptr;
};

}  // namespace kestrane
