#include "platform/text.h"

#include <gtest/gtest.h>

namespace kestrane {
namespace {

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

}  // namespace
}  // namespace kestrane
