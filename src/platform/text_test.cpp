#include "platform/text.h"

#include <gtest/gtest.h>

namespace kestrane {
namespace {

TEST(TextTest, AsciiCaseFoldsOnlyAsciiLetters) {
  struct Case {
    std::string_view text, ascii;
    bool equal;
  } cases[] = {
      {"/FILE", "/file", true},        {"/fps:", "/FPS:", true},
      {"/fil", "/file", false},        {"[ile", "{ile", false},  // '[' and '{' are 0x20 apart too
      {"\xC3\x89", "\xC3\xA9", false},  // É is not é: bytes past ASCII stay as they are
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EqualsIgnoringAsciiCase(c.text, c.ascii), c.equal) << c.text << " / " << c.ascii;
  }
  // A path's native text on Windows is wide.
  EXPECT_TRUE(EndsWithIgnoringAsciiCase(std::wstring_view(L"Movie.TXT_Original"), ".txt_original"));
  EXPECT_FALSE(EndsWithIgnoringAsciiCase(std::wstring_view(L"txt"), ".txt"));
}

TEST(TextTest, Utf8Validity) {
  struct Case {
    const char* name;
    std::string bytes;
    bool valid;
  } cases[] = {
      {"ascii", "plain text, long enough for the fast path", true},
      {"two bytes",
       "Gr\xC3\xBC\xC3\x9F"
       "e",
       true},
      {"three bytes", "\xE2\x82\xAC\xEF\xBB\xBF", true},
      {"four bytes", "\xF0\x9F\x99\x82", true},
      {"last scalar", "\xF4\x8F\xBF\xBF", true},
      {"lone continuation", "a\x80", false},
      {"cp1252 e acute", "Caf\xE9", false},
      {"overlong slash", "\xC0\xAF", false},
      {"overlong three", "\xE0\x80\xAF", false},
      {"surrogate", "\xED\xA0\x80", false},
      {"past U+10FFFF", "\xF4\x90\x80\x80", false},
      {"truncated at the end", "abcdefgh\xE2\x82", false},
      {"invalid after a long ascii run", "0123456789abcdef\xFF", false},
      {"invalid inside a long ascii run",
       "0123456789abcdef0123\xFF"
       "456789abcdef0123456789",
       false},
      {"nul is valid", std::string("a\0b", 3), true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.name;
}

TEST(TextTest, Utf16LittleEndian) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string utf8;
  } cases[] = {
      {"ascii", std::string("A\0b\0", 4), "Ab"},
      {"mark", "\xFF\xFE", "\xEF\xBB\xBF"},
      {"pair", "\x3D\xD8\x42\xDE", "\xF0\x9F\x99\x82"},
      {"lone high",
       std::string("\x3D\xD8"
                   "A\0",
                   4),
       "\xEF\xBF\xBD"
       "A"},
      {"lone low", "\x42\xDE", "\xEF\xBF\xBD"},
      {"high at the end", "\x3D\xD8", "\xEF\xBF\xBD"},
      {"reversed pair", "\x42\xDE\x3D\xD8", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"odd last byte", std::string("A\0B", 3), "A\xEF\xBF\xBD"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Utf16LeToUtf8(c.bytes), c.utf8) << c.name;
}

// Names on Windows are UTF-16 that need not be valid: every one must come back from WTF-8 intact.
TEST(TextTest, Utf16RoundTripsThroughWtf8) {
  struct Case {
    const char* name;
    std::u16string utf16;
    std::string wtf8;
    std::string utf8;  // the same as text, where surrogates have no place
  } cases[] = {
      {"empty", u"", "", ""},
      {"ascii", u"a.txt", "a.txt", "a.txt"},
      {"nul", std::u16string(u"a\0b", 3), std::string("a\0b", 3), std::string("a\0b", 3)},
      {"two and three bytes", u"\u00E9\u20AC\uFFFF", "\xC3\xA9\xE2\x82\xAC\xEF\xBF\xBF",
       "\xC3\xA9\xE2\x82\xAC\xEF\xBF\xBF"},
      {"astral pair", u"\U0001F642\U0010FFFF", "\xF0\x9F\x99\x82\xF4\x8F\xBF\xBF",
       "\xF0\x9F\x99\x82\xF4\x8F\xBF\xBF"},
      {"unpaired high", {u'x', 0xD83D, u'y'}, "x\xED\xA0\xBDy", "x\xEF\xBF\xBDy"},
      {"unpaired low", {0xDE42}, "\xED\xB9\x82", "\xEF\xBF\xBD"},
      {"high at the end", {u'a', 0xDBFF}, "a\xED\xAF\xBF", "a\xEF\xBF\xBD"},
      {"reversed pair", {0xDE42, 0xD83D}, "\xED\xB9\x82\xED\xA0\xBD", "\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf16ToWtf8(c.utf16), c.wtf8) << c.name;
    EXPECT_EQ(Wtf8ToUtf16(c.wtf8), c.utf16) << c.name;
    EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8) << c.name;
#ifdef _WIN32
    const std::wstring wide(c.utf16.begin(), c.utf16.end());
    EXPECT_EQ(Utf16ToWtf8(wide), c.wtf8) << c.name << ", wide";
    EXPECT_EQ(Wtf8ToWide(c.wtf8), wide) << c.name << ", wide";
    EXPECT_EQ(Utf16ToUtf8(wide), c.utf8) << c.name << ", wide";
#endif
  }
}

// Bytes from outside (an argument, a message) that are not WTF-8 still give a name, one U+FFFD a
// byte, and never swallow the valid text after them.
TEST(TextTest, InvalidWtf8BecomesReplacementCharacters) {
  struct Case {
    const char* name;
    std::string wtf8;
    std::u16string utf16;
  } cases[] = {
      {"cp1252 e acute", "caf\xE9!", u"caf\uFFFD!"},
      {"lone continuation", "a\x80z", u"a\uFFFDz"},
      {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
      {"overlong three", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
      {"past U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"truncated at the end", "ab\xE2\x82", u"ab\uFFFD\uFFFD"},
      {"truncated before ascii", "\xF0\x9F\x99z", u"\uFFFD\uFFFD\uFFFDz"},
      {"not a lead byte", "\xFF\xFE", u"\uFFFD\uFFFD"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Wtf8ToUtf16(c.wtf8), c.utf16) << c.name;
}

}  // namespace
}  // namespace kestrane
