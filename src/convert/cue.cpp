#include "convert/cue.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <string_view>

namespace kestrane {

namespace {

// Splits text the way the C runtime's reentrant tokenizer does: each call skips the delimiters
// in front, returns the run up to the next delimiter and steps over that one delimiter; with
// only delimiters left there is no token. Two scanners over one block stand for the tokenizer's
// two cursors.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : rest_(text) {}

  // Every scan of a cue uses a set of one delimiter.
  std::optional<std::string_view> Next(char delimiter) {
    std::size_t start = rest_.find_first_not_of(delimiter);
    if (start == std::string_view::npos) {
      rest_ = {};
      return std::nullopt;
    }
    std::size_t end = rest_.find(delimiter, start);
    std::string_view token = rest_.substr(start, end - start);
    rest_ = end == std::string_view::npos ? std::string_view() : rest_.substr(end + 1);
    return token;
  }

 private:
  std::string_view rest_;
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
  int ms = 0;
};

// The classic frame of a time's milliseconds: the last of a second is 29.
int FrameOf(int ms) {
  int frame = MsToFrame(ms);
  return frame == 30 ? 29 : frame;
}

// The form nearly every file uses, HH:MM:SS,mmm, which is read without scanning.
bool IsUsualForm(std::string_view token) {
  auto digit = [&](std::size_t i) { return token[i] >= '0' && token[i] <= '9'; };
  return token.size() == 12 && token[2] == ':' && token[5] == ':' && token[8] == ',' && digit(0) &&
         digit(1) && digit(3) && digit(4) && digit(6) && digit(7) && digit(9) && digit(10) &&
         digit(11);
}
int UsualMs(std::string_view token) {
  return (token[9] - '0') * 100 + (token[10] - '0') * 10 + (token[11] - '0');
}

// One time token, such as 00:01:02,517. Real files also write 00:01:02.517 (read as if the last
// '.' were the ',') and 00:01:02 (no milliseconds: frame 0).
std::optional<Time> ParseTime(std::string_view token) {
  // The scan below gives the same fields for the usual form.
  if (IsUsualForm(token))
    return Time{token.substr(0, 2), token.substr(3, 2), token.substr(6, 2), UsualMs(token)};
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
    time.ms = ParseInt(*ms);
  } else if (time.seconds.ends_with('\n')) {
    // Without milliseconds, the block's closing line feed would end the seconds.
    time.seconds.remove_suffix(1);
    if (time.seconds.empty()) return std::nullopt;
  }
  return time;
}

// The time as the input wrote it, with the frame of its milliseconds.
void AppendCopiedTime(const Time& time, int frame, std::string* out) {
  out->append(time.hours).push_back(';');
  out->append(time.minutes).push_back(';');
  out->append(time.seconds).push_back(';');
  out->push_back(static_cast<char>('0' + frame / 10));
  out->push_back(static_cast<char>('0' + frame % 10));
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
// negative time, a letter inside a field, or a time past FrameRate::kMaxMs.
std::optional<std::int64_t> ClockMs(std::string_view token) {
  // Without text after the times, the block's closing line feed ends the end time.
  if (token.ends_with('\n')) token.remove_suffix(1);
  if (IsUsualForm(token)) {
    auto two = [&](std::size_t i) { return (token[i] - '0') * 10 + (token[i + 1] - '0'); };
    return ((two(0) * 60 + two(3)) * 60 + two(6)) * std::int64_t{1000} + UsualMs(token);
  }
  const std::size_t colon1 = token.find(':');
  const std::size_t colon2 = token.find(':', colon1 == token.npos ? colon1 : colon1 + 1);
  if (colon2 == token.npos) return std::nullopt;
  const std::size_t mark = token.find_first_of(",.", colon2);
  const std::string_view fraction = mark == token.npos ? "" : token.substr(mark + 1);
  constexpr std::int64_t kMax = FrameRate::kMaxMs;
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

// A time at a chosen rate: computed from the clock time, or, when the token is not one, the
// input's fields copied with the frame of its milliseconds at the rate's frame length.
void AppendRatedTime(std::string_view token, const Time& time, const FrameRate& rate,
                     std::string* out) {
  if (std::optional<std::int64_t> ms = ClockMs(token)) {
    rate.AppendTimecode(rate.FrameAt(*ms), out);
  } else {
    AppendCopiedTime(time, rate.FrameInSecond(time.ms), out);
  }
}

}  // namespace

int MsToFrame(int ms) {
  // Frame boundaries at 33 ms a frame; the last frame of a second runs to 1000.
  static constexpr std::array<int, 31> kBounds = [] {
    std::array<int, 31> bounds{};
    for (int i = 0; i < 30; ++i)
      bounds[i] = 33 * i;
    bounds[30] = 1000;
    return bounds;
  }();
  if (ms < 0) return 0;
  if (ms > 1000) return 30;
  // The first interval [b[i], b[i+1]] that holds ms: a value on a boundary belongs to the lower
  // one. Computed rather than searched, as this runs twice for every cue.
  int i = ms == 0 ? 0 : std::min(29, (ms - 1) / 33);
  int mid = kBounds[i] + (kBounds[i + 1] - kBounds[i]) / 2;
  return ms <= mid ? i : i + 1;
}

bool AppendCueLine(std::string_view block, const FrameRate& rate, std::string* out) {
  Scanner scan(block);
  auto index = scan.Next(' ');
  auto start_token = scan.Next(' ');
  auto arrow = scan.Next(' ');
  auto end_token = scan.Next(' ');
  if (!index || !start_token || !arrow || !end_token) return false;
  auto start = ParseTime(*start_token);
  auto end = ParseTime(*end_token);
  if (!start || !end) return false;

  out->append(*index).push_back(' ');
  if (rate.classic()) {
    AppendCopiedTime(*start, FrameOf(start->ms), out);
    out->push_back(' ');
    AppendCopiedTime(*end, FrameOf(end->ms), out);
  } else {
    AppendRatedTime(*start_token, *start, rate, out);
    out->push_back(' ');
    AppendRatedTime(*end_token, *end, rate, out);
  }
  out->push_back(' ');
  // Everything after the end time, the text lines and anything that shared the time line.
  while (auto text = scan.Next('\n'))
    out->append(*text).push_back(' ');
  out->push_back('\n');
  return true;
}

std::optional<std::string> ConvertCue(const std::string& block, const FrameRate& rate) {
  std::string line;
  if (!AppendCueLine(block, rate, &line)) return std::nullopt;
  return line;
}

}  // namespace kestrane
