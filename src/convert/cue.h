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

// The start of a cue line, straight from the first two lines of a cue as nearly every file
// writes them: `index` without a space, and `times` exactly "HH:MM:SS,mmm --> HH:MM:SS,mmm".
// Appends "index HH;MM;SS;FF HH;MM;SS;FF " as `making` writes them and returns true; the cue line
// of the block these lines begin is that, then each further line of the block followed by a
// space (its formatting tags removed when the making strips them), then the line feed. False,
// *out as it was, for lines in any other form, or times the offset puts before zero.
bool AppendUsualCueStart(std::string_view index, std::string_view times, const ListMaking& making,
                         std::string* out);

// Removes the formatting tags from the text of a cue line that starts at `text_at` of *out, when
// `making` strips them.
void StripCueText(const ListMaking& making, std::size_t text_at, std::string* out);

}  // namespace kestrane
