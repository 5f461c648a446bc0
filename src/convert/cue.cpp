#include "convert/cue.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "convert/formatting_tags.h"

namespace kestrane {

namespace {

// Splits text the way the C runtime's reentrant tokenizer does: each call skips the delimiters
// in front, returns the run up to the next delimiter and steps over that one delimiter; with
// only delimiters left there is no token. Two scanners over one block stand for the tokenizer's
// two cursors.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : next_(text.data()), end_(text.data() + text.size()) {}

  // Every scan of a cue uses a set of one delimiter. Tokens are short: a plain loop beats a
  // library call per token here.
  std::optional<std::string_view> Next(char delimiter) {
    const char* start = next_;
    while (start != end_ && *start == delimiter)
      ++start;
    if (start == end_) {
      next_ = end_;
      return std::nullopt;
    }
    const char* stop = start;
    while (stop != end_ && *stop != delimiter)
      ++stop;
    next_ = stop == end_ ? end_ : stop + 1;
    return std::string_view(start, stop - start);
  }

  // What the next scan starts from.
  std::string_view rest() const { return std::string_view(next_, end_ - next_); }

 private:
  const char* next_;
  const char* end_;
};

// Leading white space, a sign, then digits up to the first non-digit; 0 without digits. Large
// values saturate instead of overflowing.
int ParseInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > INT_MAX) value = INT_MAX;
  }
  return static_cast<int>(negative ? -value : value);
}

struct Time {
  std::string_view hours, minutes, seconds;
  int ms = 0;  // 0 to 1000
};

// The form nearly every file uses, HH:MM:SS,mmm, which is read without scanning.
inline bool IsUsualForm(std::string_view token) {
  if (token.size() != 12) return false;
  if constexpr (std::endian::native == std::endian::little) {
    // The twelve bytes as two words: digits where the mask has FF, the separators elsewhere. A
    // byte is a digit when its high half is 3 and stays 3 once 6 is added to it.
    std::uint64_t head = 0, tail = 0;
    std::memcpy(&head, token.data(), 8);      // HH:MM:SS
    std::memcpy(&tail, token.data() + 8, 4);  // ,mmm
    auto digits_and = [](std::uint64_t word, std::uint64_t digits, std::uint64_t separators) {
      const std::uint64_t high = digits & 0xF0F0F0F0F0F0F0F0, three = digits & 0x3030303030303030;
      return (word & high) == three && ((word + (digits & 0x0606060606060606)) & high) == three &&
             (word & ~digits) == separators;
    };
    return digits_and(head, 0xFFFF00FFFF00FFFF, 0x00003A00003A0000) &&
           digits_and(tail, 0xFFFFFF00, 0x2C);
  } else {
    auto digit = [&](std::size_t i) { return token[i] >= '0' && token[i] <= '9'; };
    return token[2] == ':' && token[5] == ':' && token[8] == ',' && digit(0) && digit(1) &&
           digit(3) && digit(4) && digit(6) && digit(7) && digit(9) && digit(10) && digit(11);
  }
}
int UsualMs(std::string_view token) {
  return (token[9] - '0') * 100 + (token[10] - '0') * 10 + (token[11] - '0');
}
std::int64_t UsualClockMs(std::string_view token) {
  auto two = [&](std::size_t i) { return (token[i] - '0') * 10 + (token[i + 1] - '0'); };
  return ((two(0) * 60 + two(3)) * 60 + two(6)) * std::int64_t{1000} + UsualMs(token);
}
Time UsualTime(std::string_view token) {
  return Time{token.substr(0, 2), token.substr(3, 2), token.substr(6, 2), UsualMs(token)};
}

// One time token, such as 00:01:02,517. Real files also write 00:01:02.517 (read as if the last
// '.' were the ',') and 00:01:02 (no milliseconds: frame 0).
std::optional<Time> ParseTime(std::string_view token) {
  // The scan below gives the same fields for the usual form.
  if (IsUsualForm(token)) return UsualTime(token);
  // Fields are cut from the text that is scanned but taken from the token, so the input's
  // characters stay. Only a token without ',' needs a copy, with its last '.' made the ','.
  std::string copy;
  std::string_view scanned = token;
  if (token.find(',') == std::string_view::npos) {
    std::size_t dot = token.rfind('.');
    if (dot != std::string_view::npos) {
      copy.assign(token);
      copy[dot] = ',';
      scanned = copy;
    }
  }
  auto original = [&](std::string_view field) {
    return token.substr(field.data() - scanned.data(), field.size());
  };
  Scanner scan(scanned);
  auto hours = scan.Next(':');
  auto minutes = scan.Next(':');
  auto seconds = scan.Next(',');
  if (!hours || !minutes || !seconds) return std::nullopt;
  Time time{original(*hours), original(*minutes), original(*seconds)};
  if (auto ms = scan.Next(' ')) {
    // Milliseconds that no second holds count as its start or its end.
    time.ms = std::clamp(ParseInt(*ms), 0, 1000);
  } else if (time.seconds.ends_with('\n')) {
    // Without milliseconds, the block's closing line feed would end the seconds.
    time.seconds.remove_suffix(1);
    if (time.seconds.empty()) return std::nullopt;
  }
  return time;
}

// The bytes of `text` at `out`; the position after them.
char* Put(std::string_view text, char* out) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

// The length of a time as AppendCopiedTime writes it.
std::size_t CopiedSize(const Time& time) {
  return time.hours.size() + time.minutes.size() + time.seconds.size() + 5;
}

// HH:MM:SS in one piece at `clock`, as nearly every file has it, at `out` with its separators
// made semicolons, and the semicolon before the frame: one copy. The position after them.
char* PutUsualClock(const char* clock, char* out) {
  std::memcpy(out, clock, 8);
  out[2] = ';';
  out[5] = ';';
  out[8] = ';';
  return out + 9;
}

// The time as the input wrote it, with the frame of its milliseconds at `rate`, at `out`, which
// has room for CopiedSize bytes; the position after them.
char* PutCopiedTime(const Time& time, const FrameRate& rate, char* out) {
  const char* first = time.hours.data();
  if (time.minutes.data() == first + 3 && time.seconds.data() == first + 6 &&
      time.seconds.size() == 2 && time.hours.size() == 2 && time.minutes.size() == 2) {
    out = PutUsualClock(first, out);
  } else {
    out = Put(time.hours, out);
    *out++ = ';';
    out = Put(time.minutes, out);
    *out++ = ';';
    out = Put(time.seconds, out);
    *out++ = ';';
  }
  return rate.PutFrameInSecond(time.ms, out);
}

void AppendCopiedTime(const Time& time, const FrameRate& rate, std::string* out) {
  const std::size_t at = out->size();
  out->resize(at + CopiedSize(time));
  PutCopiedTime(time, rate, out->data() + at);
}

// Room enough for what PutText writes of `rest`: each of its runs, but the last, gives up a
// line feed for the space after it, and the line ends with one more.
std::size_t TextRoom(std::string_view rest) {
  return rest.size() + 2;
}

// The runs of `rest` between line feeds, each followed by a space, then the line feed that ends
// a cue line, at `out`; the position after them.
char* PutText(std::string_view rest, char* out) {
  const char* p = rest.data();
  const char* end = p + rest.size();
  for (;;) {
    while (p != end && *p == '\n')
      ++p;
    if (p == end) break;
    const void* found = std::memchr(p, '\n', end - p);
    const char* stop = found != nullptr ? static_cast<const char*>(found) : end;
    out = Put(std::string_view(p, stop - p), out);
    *out++ = ' ';
    p = stop;
  }
  *out++ = '\n';
  return out;
}

// "index start end " at `p`, each time written by `put_time`; the position after it.
template <typename PutTime>
char* PutCueStart(std::string_view index, std::string_view start, std::string_view end, char* p,
                  const PutTime& put_time) {
  p = Put(index, p);
  *p++ = ' ';
  p = put_time(start, p);
  *p++ = ' ';
  p = put_time(end, p);
  *p++ = ' ';
  return p;
}

// A field of digits alone, as a number; nothing when it is empty, holds anything else, or
// exceeds `limit`.
std::optional<std::int64_t> Field(std::string_view text, std::int64_t limit) {
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > limit) return std::nullopt;
  }
  return value;
}

// A time token as H:M:S, one or more digits a field, then ',' or '.' and a fraction of a second
// (cut to milliseconds), or no fraction: its milliseconds. Nothing for anything else, such as a
// negative time, a letter inside a field, or a time past FrameCounter::kMaxMs.
std::optional<std::int64_t> ClockMs(std::string_view token) {
  // Without text after the times, the block's closing line feed ends the end time.
  if (token.ends_with('\n')) token.remove_suffix(1);
  if (IsUsualForm(token)) return UsualClockMs(token);
  const std::size_t colon1 = token.find(':');
  const std::size_t colon2 = token.find(':', colon1 == token.npos ? colon1 : colon1 + 1);
  if (colon2 == token.npos) return std::nullopt;
  const std::size_t mark = token.find_first_of(",.", colon2);
  const std::string_view fraction = mark == token.npos ? "" : token.substr(mark + 1);
  constexpr std::int64_t kMax = FrameCounter::kMaxMs;
  const auto hours = Field(token.substr(0, colon1), kMax / 3'600'000);
  const auto minutes = Field(token.substr(colon1 + 1, colon2 - colon1 - 1), kMax / 60'000);
  const auto seconds = Field(token.substr(colon2 + 1, mark - colon2 - 1), kMax / 1000);
  const bool fraction_ok =
      mark == token.npos ||
      (!fraction.empty() && fraction.find_first_not_of("0123456789") == fraction.npos);
  if (!hours || !minutes || !seconds || !fraction_ok) return std::nullopt;
  // ",5" is half a second: the first three digits, padded with zeros, are the milliseconds.
  std::int64_t ms = 0;
  for (std::size_t i = 0; i < 3 && !fraction.empty(); ++i)
    ms = ms * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
  const std::int64_t total = ((*hours * 60 + *minutes) * 60 + *seconds) * 1000 + ms;
  if (total > kMax) return std::nullopt;
  return total;
}

// A time at a chosen rate, whose frames `counter` counts: computed from the clock time, or, when
// the token is not one, the input's fields copied with the frame of its milliseconds at the
// rate's frame length.
void AppendRatedTime(std::string_view token, const Time& time, const FrameRate& rate,
                     const FrameCounter& counter, std::string* out) {
  if (std::optional<std::int64_t> ms = ClockMs(token)) {
    counter.AppendTimecode(counter.FrameAt(*ms), out);
  } else {
    AppendCopiedTime(time, rate, out);
  }
}

// A time placed on the timeline with `offset` frames added, every field computed; nothing
// written and the reason returned when it cannot be.
CueLineResult AppendShiftedTime(std::string_view token, const FrameCounter& timeline,
                                std::int64_t offset, std::string* out) {
  const std::optional<std::int64_t> ms = ClockMs(token);
  if (!ms) return CueLineResult::kUnreadableTime;
  const std::int64_t frame = timeline.FrameAt(*ms) + offset;
  if (frame < 0) return CueLineResult::kBeforeZero;
  timeline.AppendTimecode(frame, out);
  return CueLineResult::kWritten;
}

// The text of a cue line, from `rest` as PutText takes it, at the end of *out.
void AppendText(std::string_view rest, const ListMaking& making, std::string* out) {
  const std::size_t text_at = out->size();
  out->resize(text_at + TextRoom(rest));
  out->resize(PutText(rest, out->data() + text_at) - out->data());
  StripCueText(making, text_at, out);
}

// A cue line of a list placed on a timeline.
CueLineResult AppendShiftedCueLine(std::string_view index, std::string_view start,
                                   std::string_view end, std::string_view rest,
                                   const ListMaking& making, std::string* out) {
  const std::size_t at = out->size();
  const FrameCounter& timeline = making.rate.timeline();
  out->append(index).push_back(' ');
  CueLineResult result = AppendShiftedTime(start, timeline, *making.offset, out);
  if (result == CueLineResult::kWritten) {
    out->push_back(' ');
    result = AppendShiftedTime(end, timeline, *making.offset, out);
  }
  if (result != CueLineResult::kWritten) {
    out->resize(at);
    return result;
  }
  out->push_back(' ');
  AppendText(rest, making, out);
  return result;
}

}  // namespace

void StripCueText(const ListMaking& making, std::size_t text_at, std::string* out) {
  if (making.strip_tags) StripFormattingTags(out, text_at);
}

CueLineResult AppendCueLine(std::string_view block, const ListMaking& making, std::string* out) {
  Scanner scan(block);
  auto index = scan.Next(' ');
  auto start_token = scan.Next(' ');
  auto arrow = scan.Next(' ');
  auto end_token = scan.Next(' ');
  if (!index || !start_token || !arrow || !end_token) return CueLineResult::kNoCue;
  auto start = ParseTime(*start_token);
  auto end = ParseTime(*end_token);
  if (!start || !end) return CueLineResult::kNoCue;

  // Everything after the end time, the text lines and anything that shared the time line.
  const std::string_view rest = scan.rest();
  if (making.offset) {
    return AppendShiftedCueLine(*index, *start_token, *end_token, rest, making, out);
  }
  const FrameRate& rate = making.rate;
  const std::size_t at = out->size();
  const FrameCounter* counter = rate.counter();
  if (counter == nullptr) {
    // Sized once and written in place: this runs for every cue of every file.
    out->resize(at + index->size() + CopiedSize(*start) + CopiedSize(*end) + 3 + TextRoom(rest));
    char* p = Put(*index, out->data() + at);
    *p++ = ' ';
    p = PutCopiedTime(*start, rate, p);
    *p++ = ' ';
    p = PutCopiedTime(*end, rate, p);
    *p++ = ' ';
    const std::size_t text_at = p - out->data();
    p = PutText(rest, p);
    out->resize(p - out->data());
    StripCueText(making, text_at, out);
    return CueLineResult::kWritten;
  }
  out->append(*index).push_back(' ');
  AppendRatedTime(*start_token, *start, rate, *counter, out);
  out->push_back(' ');
  AppendRatedTime(*end_token, *end, rate, *counter, out);
  out->push_back(' ');
  AppendText(rest, making, out);
  return CueLineResult::kWritten;
}

namespace {

// Whether `index` and `times` are as UsualCueStart reads them; *start and *end the times.
// Compared in place, without a call but for the times: this runs for every cue converted or
// proven.
inline bool ReadUsualStart(std::string_view index, std::string_view times, std::string_view* start,
                           std::string_view* end) {
  constexpr std::size_t kTime = 12;  // HH:MM:SS,mmm
  constexpr std::string_view kArrow = " --> ";
  if (times.size() != 2 * kTime + kArrow.size() || times[kTime] != ' ' || times[kTime + 1] != '-' ||
      times[kTime + 2] != '-' || times[kTime + 3] != '>' || times[kTime + 4] != ' ' ||
      index.empty()) {
    return false;
  }
  for (char c : index) {
    if (c == ' ') return false;
  }
  *start = std::string_view(times.data(), kTime);
  *end = std::string_view(times.data() + kTime + kArrow.size(), kTime);
  return IsUsualForm(*start) && IsUsualForm(*end);
}

// UsualCueStart::Put for `index` and the times `start` and `end`, as ReadUsualStart gives them.
char* PutUsualStart(std::string_view index, std::string_view start, std::string_view end,
                    const ListMaking& making, char* out) {
  // What AppendCueLine writes for these times, without taking them apart.
  const FrameRate& rate = making.rate;
  if (making.offset) {
    const FrameCounter& timeline = rate.timeline();
    const std::int64_t first = timeline.FrameAt(UsualClockMs(start)) + *making.offset;
    const std::int64_t last = timeline.FrameAt(UsualClockMs(end)) + *making.offset;
    if (first < 0 || last < 0) return nullptr;
    return PutCueStart(
        index, start, end, out, [&timeline, first, last, start](std::string_view token, char* at) {
          return timeline.PutTimecode(token.data() == start.data() ? first : last, at);
        });
  }
  if (const FrameCounter* counter = rate.counter()) {
    return PutCueStart(index, start, end, out, [counter](std::string_view token, char* at) {
      return counter->PutTimecode(counter->FrameAt(UsualClockMs(token)), at);
    });
  }
  return PutCueStart(index, start, end, out, [&rate](std::string_view token, char* at) {
    return rate.PutFrameInSecond(UsualMs(token), PutUsualClock(token.data(), at));
  });
}

}  // namespace

std::optional<UsualCueStart> UsualCueStart::Read(std::string_view index, std::string_view times) {
  std::string_view start, end;
  if (!ReadUsualStart(index, times, &start, &end)) return std::nullopt;
  return UsualCueStart(index, start, end);
}

char* UsualCueStart::Put(const ListMaking& making, char* out) const {
  return PutUsualStart(index_, start_, end_, making, out);
}

CueLineResult UsualCueStart::Append(const ListMaking& making, std::string* out) const {
  const std::size_t at = out->size();
  out->resize(at + Room(making));
  const char* end = Put(making, out->data() + at);
  out->resize(end != nullptr ? end - out->data() : at);
  return end != nullptr ? CueLineResult::kWritten : CueLineResult::kBeforeZero;
}

bool AppendUsualCueStart(std::string_view index, std::string_view times, const ListMaking& making,
                         std::string* out) {
  std::string_view start, end;
  if (!ReadUsualStart(index, times, &start, &end)) return false;
  const std::size_t at = out->size();
  out->resize(at + UsualCueStart::Room(index, making));
  const char* written = PutUsualStart(index, start, end, making, out->data() + at);
  out->resize(written != nullptr ? written - out->data() : at);
  return written != nullptr;
}

std::optional<std::string> ConvertCue(const std::string& block, const ListMaking& making) {
  std::string line;
  if (AppendCueLine(block, making, &line) != CueLineResult::kWritten) return std::nullopt;
  return line;
}

}  // namespace kestrane
