#include "cli/progress.h"

#include <utility>

namespace kestrane {
namespace {

constexpr auto kQuietStart = std::chrono::seconds(1);
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
// Narrower than the narrowest usual terminal: a line that wraps cannot be redrawn with \r.
constexpr std::size_t kMaxColumns = 79;

bool IsContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::size_t Columns(std::string_view text) {
  std::size_t columns = 0;
  for (char c : text)
    columns += !IsContinuation(c);
  return columns;
}

// The end of `text` in at most `columns` characters: the file name is what tells most.
std::string_view Tail(std::string_view text, std::size_t columns) {
  std::size_t start = text.size();
  for (std::size_t kept = 0; start > 0 && kept < columns;) {
    --start;
    if (!IsContinuation(text[start])) ++kept;
  }
  return text.substr(start);
}

}  // namespace

Progress::Progress(Console& console, bool enabled, std::function<Clock::time_point()> now)
    : console_(console), enabled_(enabled), now_(std::move(now)), start_(now_()) {}

void Progress::Update(std::size_t done, std::string_view current) {
  Update(done, [current] { return std::string(current); });
}

void Progress::Update(std::size_t done, const std::function<std::string()>& make_current) {
  if (!enabled_) return;
  const Clock::time_point now = now_();
  if (now - start_ < kQuietStart || (width_ != 0 && now - last_ < kRedrawEvery)) return;
  last_ = now;
  const std::string current = make_current();

  // Starts with \r, so the line overwrites the one before it.
  // Appended piece by piece: g++ 12 at -O3 warns wrongly about "\r" + std::string.
  std::string line = "\r";
  line += std::to_string(done);
  line += done == 1 ? " file, " : " files, ";
  const std::size_t room = kMaxColumns - (line.size() - 1);
  if (Columns(current) > room) {
    line += "...";
    line += Tail(current, room - 3);
  } else {
    line += current;
  }
  const std::size_t width = Columns(line) - 1;
  // Padding overwrites what a longer previous line left behind.
  if (width < width_) line.append(width_ - width, ' ');
  console_.Err(line);
  width_ = width;
}

void Progress::Clear() {
  if (width_ == 0) return;
  std::string blank(width_ + 2, ' ');
  blank.front() = '\r';
  blank.back() = '\r';
  console_.Err(blank);
  width_ = 0;
}

}  // namespace kestrane
