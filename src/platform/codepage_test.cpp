// The legacy code page: Windows-1252 on POSIX systems, the ANSI code page on Windows. Both must
// read the same 8-bit file the same way on a Western system.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/text.h"

#ifdef _WIN32
#ifndef NOMINMAX  // libstdc++ defines it already
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/codepage_win32.h"
#endif

namespace kestrane {
namespace {

std::string Bytes(std::initializer_list<unsigned char> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

std::string AllHighBytes() {
  std::string bytes;
  for (int b = 0x80; b <= 0xFF; ++b)
    bytes += static_cast<char>(b);
  return bytes;
}

// Windows-1252 as Windows decodes it: the five bytes the code page leaves undefined become the
// C1 controls of the same number.
std::string Windows1252(std::string_view bytes) {
#ifdef _WIN32
  return win32::CodePageToUtf8(1252, bytes);
#else
  return LegacyToUtf8(bytes);
#endif
}

TEST(Windows1252, DecodesLikeWindows) {
  const struct {
    unsigned char byte;
    const char* utf8;
  } cases[] = {
      {0x41, "A"},        {0x7F, "\x7F"},     {0x80, "\u20AC"},  // euro sign
      {0x81, "\xC2\x81"}, {0x82, "\u201A"},   {0x8A, "\u0160"},   {0x8D, "\xC2\x8D"},
      {0x8E, "\u017D"},   {0x8F, "\xC2\x8F"}, {0x90, "\xC2\x90"}, {0x92, "\u2019"},
      {0x96, "\u2013"},   {0x9D, "\xC2\x9D"}, {0x9F, "\u0178"},   {0xA0, "\u00A0"},
      {0xE9, "\u00E9"},   {0xFF, "\u00FF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Windows1252(Bytes({c.byte})), c.utf8) << "byte 0x" << std::hex << int{c.byte};
  }
  EXPECT_EQ(Windows1252(""), "");
  EXPECT_EQ(Windows1252(std::string("a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(Windows1252(Bytes({'c', 'a', 'f', 0xE9, ' ', 0x93, 'x', 0x94})),
            "caf\u00E9 \u201Cx\u201D");
}

TEST(Windows1252, EveryByteHasItsOwnCharacter) {
  std::string utf8 = Windows1252(AllHighBytes());
  ASSERT_TRUE(IsValidUtf8(utf8));
  std::set<std::string> seen;
  for (int b = 0x80; b <= 0xFF; ++b) {
    std::string one = Windows1252(Bytes({static_cast<unsigned char>(b)}));
    EXPECT_TRUE(seen.insert(one).second) << "byte 0x" << std::hex << b << " repeats a character";
    EXPECT_NE(one, "\uFFFD") << "byte 0x" << std::hex << b;
    EXPECT_NE(one, "?") << "byte 0x" << std::hex << b;
  }
}

#ifdef _WIN32

TEST(AnsiCodePage, IsWhatLegacyTextUses) {
  if (::GetACP() != 1252) {
    GTEST_SKIP() << "the ANSI code page here is " << ::GetACP() << ", not Windows-1252";
  }
  EXPECT_EQ(LegacyToUtf8(AllHighBytes()), Windows1252(AllHighBytes()));
}

// Inputs past INT_MAX bytes go in pieces; a piece must never end inside a character.
TEST(AnsiCodePage, PiecesNeverSplitACharacter) {
  const struct {
    const char* name;
    std::uint32_t code_page;
    std::string bytes;
    std::string utf8;
  } cases[] = {
      // 0x5C, a backslash on its own, is the trail byte of U+8868 in Shift-JIS.
      {"Shift-JIS", 932,
       Bytes(
           {'a', 0x82, 0xA0, 'b', 0x82, 0xA2, 0x82, 0xA4, 'c', 0x95, 0x5C, 0x95, 0x5C, 0x83, 0x41}),
       "a\u3042b\u3044\u3046c\u8868\u8868\u30A2"},
      {"UTF-8", CP_UTF8, "x\u00E9\u20AC\U0001F600y\U0001F600",
       "x\u00E9\u20AC\U0001F600y\U0001F600"},
      {"Windows-1252", 1252, Bytes({0x80, 'a', 0xE9, 0x9D}), "\u20ACa\u00E9\xC2\x9D"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(win32::CodePageToUtf8(c.code_page, c.bytes), c.utf8) << c.name << ", in one piece";
    for (std::size_t piece = 4; piece <= 9; ++piece) {
      EXPECT_EQ(win32::CodePageToUtf8(c.code_page, c.bytes, piece), c.utf8)
          << c.name << ", pieces of " << piece;
    }
  }
}

#endif

}  // namespace
}  // namespace kestrane
