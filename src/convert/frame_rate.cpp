#include "convert/frame_rate.h"

#include <algorithm>
#include <array>
#include <string>

namespace kestrane {

struct FrameRateTable {
  // The NTSC rates are exactly 24000/1001, 30000/1001 and 60000/1001 frames a second. 29.97 and
  // 59.94 alone are drop-frame, as their `;` notation says to the tools that read the lists.
  static constexpr std::array<FrameRate, 10> kRates = {
      FrameRate("23.976", 24000, 1001, 24, 0),
      FrameRate("24", 24, 1, 24, 0),
      FrameRate("25", 25, 1, 25, 0),
      FrameRate("29.97", 30000, 1001, 30, 2),
      FrameRate("29.97ndf", 30000, 1001, 30, 0),
      FrameRate("30", 30, 1, 30, 0),
      FrameRate("50", 50, 1, 50, 0),
      FrameRate("59.94", 60000, 1001, 60, 4),
      FrameRate("59.94ndf", 60000, 1001, 60, 0),
      FrameRate("60", 60, 1, 60, 0),
  };
  struct Alias {
    std::string_view alias, name;
  };
  static constexpr std::array<Alias, 3> kAliases = {{
      {"24000/1001", "23.976"},
      {"30000/1001", "29.97"},
      {"60000/1001", "59.94"},
  }};
};

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

// num / den rounded to the nearest integer, a half rounding down; num >= 0, den > 0.
std::int64_t NearestHalfDown(std::int64_t num, std::int64_t den) {
  const std::int64_t whole = num / den;
  return 2 * (num - whole * den) > den ? whole + 1 : whole;
}

// At least two digits: hours grow past them beyond 99.
void AppendTwoDigits(std::int64_t value, std::string* out) {
  if (value >= 100) {
    out->append(std::to_string(value));
    return;
  }
  out->push_back(static_cast<char>('0' + value / 10));
  out->push_back(static_cast<char>('0' + value % 10));
}

}  // namespace

std::optional<FrameRate> FrameRate::Parse(std::string_view name) {
  for (const auto& alias : FrameRateTable::kAliases) {
    if (EqualsIgnoringCase(name, alias.alias)) name = alias.name;
  }
  for (const FrameRate& rate : FrameRateTable::kRates) {
    if (EqualsIgnoringCase(name, rate.name_)) return rate;
  }
  return std::nullopt;
}

std::string FrameRate::AcceptedNames() {
  std::string names;
  for (const FrameRate& rate : FrameRateTable::kRates) {
    if (!names.empty()) names += ", ";
    names += rate.name_;
    if (rate.dropped_ != 0) names += " (drop-frame)";
  }
  for (const auto& alias : FrameRateTable::kAliases)
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

std::int64_t FrameRate::FrameAt(std::int64_t ms) const {
  return NearestHalfDown(ms * num_, std::int64_t{1000} * den_);
}

int FrameRate::FrameInSecond(int ms) const {
  const std::int64_t frame =
      NearestHalfDown(std::clamp(ms, 0, 1000) * std::int64_t{num_}, std::int64_t{1000} * den_);
  return static_cast<int>(std::min<std::int64_t>(frame, nominal_ - 1));
}

void FrameRate::AppendTimecode(std::int64_t frame, std::string* out) const {
  if (dropped_ != 0) {
    // Drop-frame counts the frame numbers a nominal-rate timecode would have reached, skipping
    // `dropped_` of them at each minute but every tenth (SMPTE ST 12-1).
    const std::int64_t per_ten_minutes = std::int64_t{nominal_} * 600 - 9 * dropped_;
    const std::int64_t per_minute = std::int64_t{nominal_} * 60 - dropped_;
    const std::int64_t tens = frame / per_ten_minutes;
    const std::int64_t rest = frame % per_ten_minutes;
    frame += 9 * dropped_ * tens;
    if (rest > dropped_) frame += dropped_ * ((rest - dropped_) / per_minute);
  }
  const std::int64_t seconds = frame / nominal_;
  AppendTwoDigits(seconds / 3600, out);
  out->push_back(';');
  AppendTwoDigits(seconds / 60 % 60, out);
  out->push_back(';');
  AppendTwoDigits(seconds % 60, out);
  out->push_back(';');
  AppendTwoDigits(frame % nominal_, out);
}

}  // namespace kestrane
