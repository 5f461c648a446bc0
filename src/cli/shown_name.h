// Names, and other text that comes from outside, as the command-line tool shows them to people:
// each report stays one line, reads in its own order, and never commands the terminal.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace kestrane {

// The character at the start of some text. WTF-8 is accepted, since Windows names may hold an
// unpaired surrogate (U+D800-U+DFFF), which arrives as its own 3-byte sequence; anything else
// that is not UTF-8 (a stray byte, an overlong form, past U+10FFFF, cut short) is one byte long
// and `byte` is set.
struct Character {
  char32_t code_point = 0;
  std::size_t length = 1;
  bool byte = false;  // not a character: `code_point` holds the byte's value

  bool utf8() const { return !byte && (code_point < 0xD800 || code_point > 0xDFFF); }
};
Character FirstCharacter(std::string_view text);

// Whether a character must not reach a terminal as it is: C0 controls, DEL, C1 controls, the
// bidirectional controls (Unicode's Bidi_Control), the line and paragraph separators, and
// surrogates.
bool IsUnsafe(char32_t code_point);

// \uNNNN, the escape of a character below U+10000 both here and in JSON.
std::string UnicodeEscape(char32_t code_point);

// What a backslash is: a character of a name that must be told apart from the escapes (POSIX),
// or only ever a separator, since no Windows name can hold one.
enum class Backslash { kEscape, kKeep };

// `text` with each unsafe character escaped: \t \n \r \e, \xNN for the other C0 controls and
// DEL, \uNNNN above (\u202e, \ud800); a byte that is not UTF-8 as \xNN (\xff); a backslash as
// \\ with kEscape. Everything else, accents and CJK included, is unchanged. With kEscape two
// different texts are never shown the same.
std::string ShownText(std::string_view text, Backslash backslash);
// With this system's backslash.
std::string ShownText(std::string_view text);
// A path as people read it: PathText, shown.
std::string ShownPath(const std::filesystem::path& path);

}  // namespace kestrane
