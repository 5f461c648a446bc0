// One subtitle cue to one line of the timecode list: its text layout; every frame in it is the
// frame rate's (convert/frame_rate.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "convert/frame_rate.h"
#include "convert/list_making.h"

namespace kestrane {

// What became of a block.
enum class CueLineResult {
  kNoCue,    // the block holds no cue
  kWritten,  // its cue line was written
  // With an offset, a cue that cannot be placed on the timeline: nothing was written.
  kBeforeZero,      // a time of it falls before 00:00:00:00
  kUnreadableTime,  // a time of it does not read as H:M:S[,fraction]
};

// Turns a cue block ("1 00:00:01,000 --> 00:00:04,000 Hello world\n": the cue's lines joined by
// spaces, ending with a line feed) into its cue line ("1 00;00;01;00 00;00;04;00 Hello world \n").
// At the classic frame, index, hours, minutes and seconds keep the characters of the input; at
// any other rate the timecode is computed from the time, and a time that does not read as
// H:M:S[,fraction] is written the classic way with the frame at that rate. Nothing when the
// block lacks the index, a time with hours, minutes and seconds, or the arrow between the times.
// With an offset (ListMaking), every time must read as H:M:S[,fraction], and each is written
// with every field computed on the rate's timeline, the offset added; with strip_tags, the
// formatting tags leave what follows the times.
std::optional<std::string> ConvertCue(const std::string& block, const ListMaking& making = {});

// The same, appending the cue line to *out, which stays as it was unless it is written.
CueLineResult AppendCueLine(std::string_view block, const ListMaking& making, std::string* out);

// The first two lines of a cue as nearly every file writes them: an index without a space, and
// times exactly "HH:MM:SS,mmm --> HH:MM:SS,mmm", read once and written under any making. The cue
// line of the block these lines begin is the start they write, then each further line of the
// block followed by a space (its formatting tags removed when the making strips them), then the
// line feed. Views of the lines read, which must outlive it.
class UsualCueStart {
 public:
  // The start of `index` and `times`; nothing for lines in any other form.
  static std::optional<UsualCueStart> Read(std::string_view index, std::string_view times);

  // Appends "index HH;MM;SS;FF HH;MM;SS;FF " as `making` writes them: kWritten, or kBeforeZero,
  // *out as it was, for times the offset puts before zero.
  CueLineResult Append(const ListMaking& making, std::string* out) const;

  // Append's bytes at `out`, which has room for Room(making) of them: the position after them.
  // Null for times the offset puts before zero.
  char* Put(const ListMaking& making, char* out) const;
  std::size_t Room(const ListMaking& making) const { return Room(index_, making); }
  // The room for the start of a cue whose index is `index`.
  static std::size_t Room(std::string_view index, const ListMaking& making) {
    constexpr std::size_t kClassicTimecode = 11;  // HH;MM;SS;FF
    const bool copied = !making.offset && making.rate.classic();
    return index.size() + 3 + 2 * (copied ? kClassicTimecode : FrameCounter::kMaxTimecode);
  }

  // Whether `rate` without an offset and `rate` placed at offset zero write these lines alike:
  // at a rate, whose counter is its timeline, always; at the classic frame, which copies the
  // input's hours, minutes and seconds where the timeline computes them, when the minutes and
  // seconds of both times are below 60. Their cue lines are then alike too, as the text does not
  // depend on the offset.
  bool PlacesAlikeAtZero(const FrameRate& rate) const {
    // The first digits of MM and SS, at 3 and 6 of a time.
    return !rate.classic() ||
           (start_[3] < '6' && start_[6] < '6' && end_[3] < '6' && end_[6] < '6');
  }

 private:
  UsualCueStart(std::string_view index, std::string_view start, std::string_view end)
      : index_(index), start_(start), end_(end) {}

  std::string_view index_, start_, end_;  // the times HH:MM:SS,mmm
};

// UsualCueStart::Read, then Append: false, *out as it was, for lines in any other form too.
bool AppendUsualCueStart(std::string_view index, std::string_view times, const ListMaking& making,
                         std::string* out);

// Removes the formatting tags from the text of a cue line that starts at `text_at` of *out, when
// `making` strips them.
void StripCueText(const ListMaking& making, std::size_t text_at, std::string* out);

}  // namespace kestrane
