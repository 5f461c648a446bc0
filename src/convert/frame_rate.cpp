#include "convert/frame_rate.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <string>

#include "platform/text.h"

namespace kestrane {

namespace {

// num / den rounded to the nearest integer, a half rounding down; num >= 0, den > 0.
constexpr std::int64_t NearestHalfDown(std::int64_t num, std::int64_t den) {
  const std::int64_t whole = num / den;
  return 2 * (num - whole * den) > den ? whole + 1 : whole;
}

// MsToFrame, for the classic frame's table made at compile time.
constexpr int ClassicMsToFrame(int ms) {
  // Frame boundaries at 33 ms a frame; the last frame of a second runs to 1000.
  constexpr std::array<int, 31> kBounds = [] {
    std::array<int, 31> bounds{};
    for (int i = 0; i < 30; ++i)
      bounds[i] = 33 * i;
    bounds[30] = 1000;
    return bounds;
  }();
  if (ms < 0) return 0;
  if (ms > 1000) return 30;
  // The first interval [b[i], b[i+1]] that holds ms: a value on a boundary belongs to the lower
  // one. Computed rather than searched.
  int i = ms == 0 ? 0 : std::min(29, (ms - 1) / 33);
  int mid = kBounds[i] + (kBounds[i + 1] - kBounds[i]) / 2;
  return ms <= mid ? i : i + 1;
}

// The two digits of a frame of a second.
constexpr std::array<char, 2> FrameDigits(std::int64_t frame) {
  return {static_cast<char>('0' + frame / 10), static_cast<char>('0' + frame % 10)};
}

// "00" to "99", one after the other.
constexpr auto kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[2 * i] = static_cast<char>('0' + i / 10);
    pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

// At least two digits at `out`, hours growing past them beyond 99; the position after them.
char* PutTwoDigits(std::int64_t value, char* out) {
  if (value >= 100) return std::to_chars(out, out + 20, value).ptr;
  std::memcpy(out, &kDigitPairs[2 * value], 2);
  return out + 2;
}

struct TimecodeFields {
  std::int64_t hours, minutes, seconds, frames;
};

// HH:MM:SS:FF with ':' or ';' between the fields, hours of one to seven digits and two digits
// for each other field.
std::optional<TimecodeFields> ReadFields(std::string_view text) {
  // HH;MM;SS;FF as every list writes it, read without the loop below: the proof reads the first
  // start of a list at every rate.
  const auto digit = [&text](std::size_t i) { return text[i] >= '0' && text[i] <= '9'; };
  const auto separator = [&text](std::size_t i) { return text[i] == ':' || text[i] == ';'; };
  if (text.size() == 11 && separator(2) && separator(5) && separator(8) && digit(0) && digit(1) &&
      digit(3) && digit(4) && digit(6) && digit(7) && digit(9) && digit(10)) {
    const auto two = [&text](std::size_t i) { return (text[i] - '0') * 10 + (text[i + 1] - '0'); };
    return TimecodeFields{two(0), two(3), two(6), two(9)};
  }
  std::int64_t values[4] = {};
  std::size_t pos = 0;
  for (int field = 0; field < 4; ++field) {
    if (field != 0) {
      if (pos == text.size() || (text[pos] != ':' && text[pos] != ';')) return std::nullopt;
      ++pos;
    }
    const std::size_t start = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 8)
      values[field] = values[field] * 10 + (text[pos++] - '0');
    const std::size_t digits = pos - start;
    if (field == 0 ? digits == 0 || digits > 7 : digits != 2) return std::nullopt;
  }
  if (pos != text.size()) return std::nullopt;
  return TimecodeFields{values[0], values[1], values[2], values[3]};
}

// The frame math of one rate, its numbers known to the compiler so that every division by them
// is a multiplication: it runs twice for every cue.
template <int kNum, int kDen, int kNominal, int kDropped>
struct Math {
  static std::int64_t FrameAt(std::int64_t ms) {
    return NearestHalfDown(ms * kNum, std::int64_t{1000} * kDen);
  }

  static char* PutTimecode(std::int64_t frame, char* out) {
    if constexpr (kDropped != 0) {
      // Drop-frame counts the frame numbers a nominal-rate timecode would have reached,
      // skipping kDropped of them at each minute but every tenth (SMPTE ST 12-1).
      constexpr std::int64_t kPerTenMinutes = std::int64_t{kNominal} * 600 - 9 * kDropped;
      constexpr std::int64_t kPerMinute = std::int64_t{kNominal} * 60 - kDropped;
      const std::int64_t tens = frame / kPerTenMinutes;
      const std::int64_t rest = frame % kPerTenMinutes;
      frame += 9 * kDropped * tens;
      if (rest > kDropped) frame += kDropped * ((rest - kDropped) / kPerMinute);
    }
    const std::int64_t seconds = frame / kNominal;
    out = PutTwoDigits(seconds / 3600, out);
    *out++ = ';';
    out = PutTwoDigits(seconds / 60 % 60, out);
    *out++ = ';';
    out = PutTwoDigits(seconds % 60, out);
    *out++ = ';';
    return PutTwoDigits(frame % kNominal, out);
  }

  static std::optional<std::int64_t> ReadTimecode(std::string_view text) {
    const std::optional<TimecodeFields> fields = ReadFields(text);
    if (!fields) return std::nullopt;
    const auto [hours, minutes, seconds, frames] = *fields;
    if (minutes > 59 || seconds > 59 || frames >= kNominal) return std::nullopt;
    // Drop-frame has no label for the frame numbers it skips.
    if (kDropped != 0 && seconds == 0 && frames < kDropped && minutes % 10 != 0) {
      return std::nullopt;
    }
    const std::int64_t all_minutes = hours * 60 + minutes;
    return (all_minutes * 60 + seconds) * kNominal + frames -
           std::int64_t{kDropped} * (all_minutes - all_minutes / 10);
  }
};

// The classic frame on a timeline: each second's frames as a list at the classic frame writes
// them, 00 to 29, so that an offset of whole seconds moves its seconds and keeps its frames.
constexpr auto kClassicFrameOfMs = [] {
  std::array<std::uint8_t, 1000> frames{};
  for (int ms = 0; ms < 1000; ++ms)
    frames[ms] = static_cast<std::uint8_t>(std::min(ClassicMsToFrame(ms), 29));
  return frames;
}();
std::int64_t ClassicTimelineFrameAt(std::int64_t ms) {
  return ms / 1000 * 30 + kClassicFrameOfMs[ms % 1000];
}

}  // namespace

int MsToFrame(int ms) {
  return ClassicMsToFrame(ms);
}

// MsToFrame's 30, from 979 ms on, would be the next second's frame 00: the second keeps its last
// frame, 29, as the time's hours, minutes and seconds are copied and never carried into.
constinit const FrameCounter FrameRate::kClassicTimeline(&ClassicTimelineFrameAt,
                                                         &Math<30, 1, 30, 0>::PutTimecode,
                                                         &Math<30, 1, 30, 0>::ReadTimecode);

constinit const FrameRate::SecondFrames FrameRate::kClassicSecond = [] {
  SecondFrames digits{};
  for (int ms = 0; ms <= 1000; ++ms)
    digits[ms] = FrameDigits(std::min(ClassicMsToFrame(ms), 29));
  return digits;
}();

struct FrameRateMaker {
  // The frame of each millisecond of a second at kNum / kDen frames a second: the nearest, a
  // half rounding down, at most the second's last.
  template <int kNum, int kDen, int kNominal>
  static constexpr FrameRate::SecondFrames kSecond = [] {
    FrameRate::SecondFrames digits{};
    for (int ms = 0; ms <= 1000; ++ms) {
      const std::int64_t frame =
          NearestHalfDown(ms * std::int64_t{kNum}, 1000 * std::int64_t{kDen});
      digits[ms] = FrameDigits(std::min<std::int64_t>(frame, kNominal - 1));
    }
    return digits;
  }();

  template <int kNum, int kDen, int kNominal, int kDropped>
  static constexpr FrameRate Make(const char* name) {
    using M = Math<kNum, kDen, kNominal, kDropped>;
    return FrameRate(name, kNominal, kDropped, &kSecond<kNum, kDen, kNominal>,
                     FrameCounter(&M::FrameAt, &M::PutTimecode, &M::ReadTimecode));
  }
};

namespace {

// The NTSC rates are exactly 24000/1001, 30000/1001 and 60000/1001 frames a second. 29.97 and
// 59.94 alone are drop-frame, as their `;` notation says to the tools that read the lists.
constexpr std::array<FrameRate, 10> kRates = {
    FrameRateMaker::Make<24000, 1001, 24, 0>("23.976"),
    FrameRateMaker::Make<24, 1, 24, 0>("24"),
    FrameRateMaker::Make<25, 1, 25, 0>("25"),
    FrameRateMaker::Make<30000, 1001, 30, 2>("29.97"),
    FrameRateMaker::Make<30000, 1001, 30, 0>("29.97ndf"),
    FrameRateMaker::Make<30, 1, 30, 0>("30"),
    FrameRateMaker::Make<50, 1, 50, 0>("50"),
    FrameRateMaker::Make<60000, 1001, 60, 4>("59.94"),
    FrameRateMaker::Make<60000, 1001, 60, 0>("59.94ndf"),
    FrameRateMaker::Make<60, 1, 60, 0>("60"),
};

struct Alias {
  std::string_view alias, name;
};
constexpr std::array<Alias, 3> kAliases = {{
    {"24000/1001", "23.976"},
    {"30000/1001", "29.97"},
    {"60000/1001", "59.94"},
}};

}  // namespace

std::optional<FrameRate> FrameRate::Parse(std::string_view name) {
  for (const auto& alias : kAliases) {
    if (EqualsIgnoringAsciiCase(name, alias.alias)) name = alias.name;
  }
  for (const FrameRate& rate : kRates) {
    if (EqualsIgnoringAsciiCase(name, rate.name())) return rate;
  }
  return std::nullopt;
}

std::span<const FrameRate> FrameRate::Named() {
  return kRates;
}

std::string FrameRate::AcceptedNames() {
  std::string names;
  for (const FrameRate& rate : kRates) {
    if (!names.empty()) names += ", ";
    names += rate.name();
    if (rate.drop_frame()) names += " (drop-frame)";
  }
  for (const auto& alias : kAliases)
    names += ", " + std::string(alias.alias);
  return names;
}

std::string FrameRate::Describe() const {
  if (classic()) return "33 ms a frame";
  std::string text(name_.substr(0, name_.find('n')));
  text += " fps";
  if (dropped_ != 0) text += " drop-frame";
  if (name_.ends_with("ndf")) text += " non-drop";
  return text;
}

}  // namespace kestrane
