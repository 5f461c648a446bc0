#include "convert/webvtt.h"

#include <optional>

#include "convert/frame_rate.h"
#include "platform/text.h"

namespace kestrane {

namespace {

constexpr std::string_view kArrow = "-->";

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// WebVTT's white space: the ASCII white space of the web's standards.
bool IsWhitespace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

void SkipWhitespace(std::string_view text, std::size_t* pos) {
  while (*pos < text.size() && IsWhitespace(text[*pos]))
    ++*pos;
}

bool Consume(std::string_view text, std::size_t* pos, char c) {
  if (*pos >= text.size() || text[*pos] != c) return false;
  ++*pos;
  return true;
}

// The digits at *pos, moved past, as a number that stops growing past `limit`; how many there
// were in *count.
std::int64_t CollectDigits(std::string_view text, std::size_t* pos, std::int64_t limit,
                           std::size_t* count) {
  std::int64_t value = 0;
  const std::size_t start = *pos;
  for (; *pos < text.size() && IsDigit(text[*pos]); ++*pos) {
    if (value <= limit) value = value * 10 + (text[*pos] - '0');
  }
  *count = *pos - start;
  return value;
}

// The timestamp at *pos, "mm:ss.ttt" or "h:mm:ss.ttt" with one or more digits of hours (a first
// field that is not two digits is hours), in milliseconds, *pos moved past it. Nothing when it
// does not read so, or when it lies beyond the longest time the frame math takes.
std::optional<std::int64_t> CollectTimestamp(std::string_view text, std::size_t* pos) {
  constexpr std::int64_t kMaxHours = FrameCounter::kMaxMs / 3'600'000;
  if (*pos >= text.size() || !IsDigit(text[*pos])) return std::nullopt;
  std::size_t digits = 0;
  std::int64_t hours = CollectDigits(text, pos, kMaxHours, &digits);
  const bool has_hours = digits != 2;
  if (!Consume(text, pos, ':')) return std::nullopt;
  std::int64_t minutes = CollectDigits(text, pos, 99, &digits);
  if (digits != 2) return std::nullopt;
  std::int64_t seconds = 0;
  if (has_hours || (*pos < text.size() && text[*pos] == ':')) {
    if (!Consume(text, pos, ':')) return std::nullopt;
    seconds = CollectDigits(text, pos, 99, &digits);
    if (digits != 2) return std::nullopt;
  } else {
    seconds = minutes;
    minutes = hours;
    hours = 0;
  }
  if (!Consume(text, pos, '.')) return std::nullopt;
  const std::int64_t ms = CollectDigits(text, pos, 999, &digits);
  if (digits != 3 || minutes > 59 || seconds > 59) return std::nullopt;
  const std::int64_t total = ((hours * 60 + minutes) * 60 + seconds) * 1000 + ms;
  if (total > FrameCounter::kMaxMs) return std::nullopt;
  return total;
}

// The times of a timing line ("00:01.000 --> 00:04.000 align:start"). What follows the end time
// is the cue's settings, which place the text and are no part of it.
bool ParseTimings(std::string_view line, std::int64_t* start, std::int64_t* end) {
  std::size_t pos = 0;
  SkipWhitespace(line, &pos);
  const std::optional<std::int64_t> first = CollectTimestamp(line, &pos);
  if (!first) return false;
  SkipWhitespace(line, &pos);
  if (line.substr(pos, kArrow.size()) != kArrow) return false;
  pos += kArrow.size();
  SkipWhitespace(line, &pos);
  const std::optional<std::int64_t> second = CollectTimestamp(line, &pos);
  if (!second) return false;
  *start = *first;
  *end = *second;
  return true;
}

// HH:MM:SS,mmm, hours in as many digits as they need.
void AppendTime(std::int64_t ms, std::string* out) {
  auto two = [out](std::int64_t value) {
    out->push_back(static_cast<char>('0' + value / 10));
    out->push_back(static_cast<char>('0' + value % 10));
  };
  const std::int64_t hours = ms / 3'600'000;
  if (hours < 10) out->push_back('0');
  out->append(std::to_string(hours)).push_back(':');
  two(ms / 60'000 % 60);
  out->push_back(':');
  two(ms / 1000 % 60);
  out->push_back(',');
  out->push_back(static_cast<char>('0' + ms / 100 % 10));
  two(ms % 100);
}

// The character a numeric reference names. U+0000, a surrogate and anything past U+10FFFF name
// none and give U+FFFD, as browsers decode them; a line feed or a carriage return ends a line of
// the text as the file's own line ends do, since the block that holds the text is one line.
void AppendReferenced(char32_t code_point, std::string* out) {
  if (code_point == U'\n' || code_point == U'\r') {
    out->push_back('\n');
  } else if (code_point == 0 || (code_point >= 0xD800 && code_point <= 0xDFFF) ||
             code_point > 0x10FFFF) {
    AppendUtf8(0xFFFD, out);
  } else {
    AppendUtf8(code_point, out);
  }
}

// The character reference at the start of `text` ("&amp;", "&#38;", "&#x26;") appended to *out;
// its length, or 0 when `text` starts with no reference this reader decodes. Each ends with ';',
// as the format writes them: "AT&T" and "&copy;" stay as they are.
std::size_t AppendReference(std::string_view text, std::string* out) {
  std::size_t pos = 1;
  if (pos < text.size() && text[pos] == '#') {
    ++pos;
    const bool hex = pos < text.size() && (text[pos] == 'x' || text[pos] == 'X');
    if (hex) ++pos;
    const std::size_t first = pos;
    char32_t value = 0;
    for (; pos < text.size(); ++pos) {
      const char c = AsciiLower(text[pos]);
      const int digit = IsDigit(c) ? c - '0' : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
      if (digit < 0) break;
      // Past U+10FFFF the value only has to stay past it.
      if (value <= 0x10FFFF) value = value * (hex ? 16 : 10) + digit;
    }
    if (pos == first || !Consume(text, &pos, ';')) return 0;
    AppendReferenced(value, out);
    return pos;
  }
  static constexpr struct {
    std::string_view name;
    char32_t code_point;
  } kNamed[] = {{"amp;", U'&'},       {"lt;", U'<'},       {"gt;", U'>'},
                {"nbsp;", U'\u00A0'}, {"lrm;", U'\u200E'}, {"rlm;", U'\u200F'}};
  for (const auto& named : kNamed) {
    if (text.substr(1, named.name.size()) == named.name) {
      AppendUtf8(named.code_point, out);
      return 1 + named.name.size();
    }
  }
  return 0;
}

// The cue's text with its tags gone and its references decoded, at the end of *out. Every
// complete tag goes, known or not, as a player shows none; a '<' that no '>' follows in the cue
// is no tag (the W3C parser would drop the rest of the cue with it) and stays as text.
void AppendWithoutTags(std::string_view text, std::string* out) {
  const std::size_t last_close = text.rfind('>');
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t special = text.find_first_of("<&", pos);
    out->append(text.substr(pos, special - pos));
    if (special == text.npos) break;
    pos = special;
    if (text[pos] == '&') {
      const std::size_t length = AppendReference(text.substr(pos), out);
      if (length == 0) out->push_back('&');
      pos += length == 0 ? 1 : length;
    } else if (last_close != text.npos && last_close > pos) {
      pos = text.find('>', pos) + 1;
    } else {
      out->push_back('<');
      ++pos;
    }
  }
}

// The lines of `text` (separated by line feeds) that hold more than white space, each after a
// space, at the end of *out.
void AppendLines(std::string_view text, std::string* out) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == text.npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    for (char c : line) {
      if (!IsWhitespace(c)) {
        out->push_back(' ');
        out->append(line);
        break;
      }
    }
    pos = end + 1;
  }
}

}  // namespace

void WebVttReader::ReadLine(std::string_view line, const BlockSink& sink) {
  if (line.ends_with('\r')) line.remove_suffix(1);
  for (;;) {
    const std::size_t cr = line.find('\r');
    ReadOneLine(line.substr(0, cr), sink);
    if (cr == line.npos) return;
    line.remove_prefix(cr + 1);
  }
}

void WebVttReader::ReadOneLine(std::string_view line, const BlockSink& sink) {
  switch (state_) {
    case State::kSignature: {
      if (line.starts_with(kUtf8Mark)) line.remove_prefix(kUtf8Mark.size());
      constexpr std::string_view kSignature = "WEBVTT";
      const bool webvtt = line.starts_with(kSignature) &&
                          (line.size() == kSignature.size() || line[kSignature.size()] == ' ' ||
                           line[kSignature.size()] == '\t');
      state_ = webvtt ? State::kHeader : State::kRejected;
      return;
    }
    case State::kHeader:
      // The header's lines run to the first blank line, or to a line with an arrow, which is a
      // cue's timing line already.
      if (line.empty()) {
        state_ = State::kBetweenBlocks;
      } else if (line.find(kArrow) != line.npos) {
        ReadBlockLine(line, sink);
      }
      return;
    case State::kBetweenBlocks:
    case State::kBlock:
      if (state_ == State::kBlock || !line.empty()) ReadBlockLine(line, sink);
      return;
    case State::kRejected:
      return;
  }
}

void WebVttReader::ReadBlockLine(std::string_view line, const BlockSink& sink) {
  if (state_ != State::kBlock) {
    state_ = State::kBlock;
    block_lines_ = 0;
    seen_arrow_ = in_cue_ = false;
    text_.clear();
  }
  ++block_lines_;
  if (line.find(kArrow) != line.npos) {
    // Only the first line, or the second after an identifier, times a cue; an arrow further on
    // ends the block and starts the next one with this line.
    if (block_lines_ == 1 || (block_lines_ == 2 && !seen_arrow_)) {
      seen_arrow_ = true;
      in_cue_ = ParseTimings(line, &start_ms_, &end_ms_);
    } else {
      EndBlock(sink);
      ReadBlockLine(line, sink);
    }
  } else if (line.empty()) {
    EndBlock(sink);
  } else if (in_cue_) {
    text_.append(line).push_back('\n');
  }
}

void WebVttReader::EndBlock(const BlockSink& sink) {
  state_ = State::kBetweenBlocks;
  if (!in_cue_) return;
  block_.assign(std::to_string(++cues_)).push_back(' ');
  AppendTime(start_ms_, &block_);
  block_.append(" --> ");
  AppendTime(end_ms_, &block_);
  std::string_view text = text_;
  if (text.find_first_of("<&") != text.npos) {
    stripped_.clear();
    AppendWithoutTags(text, &stripped_);
    text = stripped_;
  }
  AppendLines(text, &block_);
  block_.push_back('\n');
  sink(block_);
}

void WebVttReader::Finish(const BlockSink& sink) {
  if (state_ == State::kBlock) EndBlock(sink);
}

}  // namespace kestrane
