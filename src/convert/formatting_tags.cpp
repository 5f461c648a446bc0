#include "convert/formatting_tags.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/text.h"

namespace kestrane {

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

bool IsLetter(char c) {
  return AsciiLower(c) >= 'a' && AsciiLower(c) <= 'z';
}

// The end of a <font ...> tag whose attributes start at `pos`: after the first '>' outside a
// quoted value; 0 when there is none. A '<' ends the search: no attribute holds one, and each
// search then stops where the next could start, so a text full of "<font" is still read once.
std::size_t FontTagEnd(std::string_view text, std::size_t pos) {
  char quote = 0;
  char before = 0;  // the character before this one, white space passed over
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (c == '<') return 0;
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if ((c == '"' || c == '\'') && before == '=') {
      // A quote opens a value only after '=': an apostrophe elsewhere is text ("face=Tom's").
      quote = c;
    } else if (c == '>') {
      return pos + 1;
    }
    if (!IsSpace(c)) before = c;
  }
  return 0;
}

// The length of the formatting tag at the start of `text`, which starts with '<'; 0 when it
// starts none.
std::size_t TagLength(std::string_view text) {
  std::size_t pos = 1;
  if (pos < text.size() && text[pos] == '/') ++pos;
  const std::size_t name_start = pos;
  while (pos < text.size() && IsLetter(text[pos]))
    ++pos;
  const std::string_view name = text.substr(name_start, pos - name_start);
  const bool font = EqualsIgnoringAsciiCase(name, "font");
  const bool simple = name.size() == 1 &&
                      std::string_view("ibus").find(AsciiLower(name[0])) != std::string_view::npos;
  if (!font && !simple) return 0;
  if (font && pos < text.size() && IsSpace(text[pos])) return FontTagEnd(text, pos);
  while (pos < text.size() && IsSpace(text[pos]))
    ++pos;
  return pos < text.size() && text[pos] == '>' ? pos + 1 : 0;
}

// The first '<' or '{' of `s` from `pos` on, or npos. Two memchr calls, the second only up to
// the first '<': find_first_of calls memchr on its set for every character, which cost more than
// the rest of a cue's conversion.
std::size_t FindTagStart(const std::string& s, std::size_t pos) {
  if (pos >= s.size()) return std::string::npos;
  const char* begin = s.data() + pos;
  const auto* less = static_cast<const char*>(std::memchr(begin, '<', s.size() - pos));
  const auto* brace = static_cast<const char*>(
      std::memchr(begin, '{', less != nullptr ? less - begin : s.size() - pos));
  const char* first = brace != nullptr ? brace : less;
  return first != nullptr ? first - s.data() : std::string::npos;
}

}  // namespace

bool MayHoldFormattingTags(std::string_view text) {
  return std::memchr(text.data(), '<', text.size()) != nullptr ||
         std::memchr(text.data(), '{', text.size()) != nullptr;
}

bool StripFormattingTags(std::string* text) {
  return StripFormattingTags(text, 0);
}

bool StripFormattingTags(std::string* text, std::size_t from) {
  std::string& s = *text;
  std::size_t read = FindTagStart(s, from);
  if (read == s.npos) return false;
  // Where an override block could still close: none does from past the last '}'.
  const std::size_t last_brace = s.rfind('}');
  std::size_t write = read;
  bool changed = false;
  while (read < s.size()) {
    std::size_t tag = 0;
    if (s[read] == '<') {
      tag = TagLength(std::string_view(s).substr(read));
    } else if (read + 1 < s.size() && s[read + 1] == '\\' && last_brace != s.npos &&
               last_brace > read) {
      tag = s.find('}', read) - read + 1;
    }
    if (tag != 0) {
      read += tag;
      changed = true;
    } else {
      s[write++] = s[read++];
    }
    // The text up to the next candidate moves down in one piece.
    std::size_t next = FindTagStart(s, read);
    if (next == s.npos) next = s.size();
    if (write != read) std::copy(s.begin() + read, s.begin() + next, s.begin() + write);
    write += next - read;
    read = next;
  }
  s.resize(write);
  return changed;
}

}  // namespace kestrane
