// Legacy code pages: both systems must read the same 8-bit file the same way, and choose the
// same code page for it.
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/text.h"
#include "testing/legacy_samples.h"

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
  return LegacyToUtf8(CodePage::kWindows1252, bytes);
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

TEST(AnsiCodePage, IsThePrior) {
  EXPECT_EQ(SystemCodePage(), CodePageForAnsi(::GetACP(), 0));
  if (::GetACP() == 1252) {
    EXPECT_EQ(win32::CodePageToUtf8(CP_ACP, AllHighBytes()), Windows1252(AllHighBytes()));
  }
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

using C = CodePage;

TEST(LegacyText, EverySampleDecodesToItsText) {
  for (const auto& sample : testing::LegacySamples()) {
    ASSERT_TRUE(CanDecode(sample.code_page)) << sample.language;
    for (const auto& sentence : sample.sentences) {
      EXPECT_EQ(LegacyToUtf8(sample.code_page, sentence.legacy), sentence.utf8)
          << sample.language << ": " << sentence.utf8;
    }
  }
}

// Untrusted bytes: undefined ones, lone lead bytes, a sequence cut at the end.
TEST(LegacyText, AnyBytesDecodeToUtf8) {
  std::string bytes = AllHighBytes();
  for (int b = 0x80; b <= 0xFF; ++b)
    bytes += std::string{static_cast<char>(b), 'a', static_cast<char>(b), '\n'};
  bytes += "\x81";
  for (CodePage code_page : AllCodePages()) {
    const std::string utf8 = LegacyToUtf8(code_page, bytes);
    EXPECT_TRUE(IsValidUtf8(utf8)) << CodePageName(code_page);
    EXPECT_GE(utf8.size(), bytes.size() / 2) << CodePageName(code_page);
    EXPECT_EQ(LegacyToUtf8(code_page, "ASCII 0-9 ~ [a]"), "ASCII 0-9 ~ [a]")
        << CodePageName(code_page);
  }
}

TEST(LegacyText, NamesAndAliases) {
  for (CodePage code_page : AllCodePages()) {
    EXPECT_EQ(CodePageByName(CodePageName(code_page)), code_page) << CodePageName(code_page);
  }
  const struct {
    const char* name;
    std::optional<CodePage> code_page;
  } cases[] = {
      {"cp1250", C::kWindows1250},
      {"Windows-1251", C::kWindows1251},
      {"1256", C::kWindows1256},
      {"LATIN1", C::kWindows1252},
      {"iso-8859-1", C::kWindows1252},
      {"GB2312", C::kGb18030},
      {"gbk", C::kGb18030},
      {"Shift_JIS", C::kShiftJis},
      {"sjis", C::kShiftJis},
      {"cp932", C::kShiftJis},
      {"UHC", C::kEucKr},
      {"koi8-r", C::kKoi8R},
      {"BIG5", C::kBig5},
      {"euc-jp", C::kEucJp},
      {"", std::nullopt},
      {"auto", std::nullopt},
      {"utf-8", std::nullopt},
      {"cp12", std::nullopt},
      {"iso-8859-2", std::nullopt},
      {"windows-1250 ", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CodePageByName(c.name), c.code_page) << "'" << c.name << "'";
}

TEST(LegacyText, PriorFollowsTheLocaleLanguage) {
  const struct {
    const char* locale;
    CodePage code_page;
  } cases[] = {
      {"", C::kWindows1252},
      {"C", C::kWindows1252},
      {"C.UTF-8", C::kWindows1252},
      {"POSIX", C::kWindows1252},
      {"en_US.UTF-8", C::kWindows1252},
      {"de_DE@euro", C::kWindows1252},
      {"pl_PL.UTF-8", C::kWindows1250},
      {"hu_HU.UTF-8", C::kWindows1250},
      {"cs_CZ", C::kWindows1250},
      {"sk_SK", C::kWindows1250},
      {"sl_SI", C::kWindows1250},
      {"hr_HR", C::kWindows1250},
      {"ro_RO", C::kWindows1250},
      {"sq_AL", C::kWindows1250},
      {"bs_BA", C::kWindows1250},
      {"sr_RS@latin", C::kWindows1250},
      {"ru_RU.UTF-8", C::kWindows1251},
      {"uk_UA.UTF-8", C::kWindows1251},
      {"be_BY", C::kWindows1251},
      {"bg_BG", C::kWindows1251},
      {"sr_RS", C::kWindows1251},
      {"mk_MK", C::kWindows1251},
      {"ru", C::kWindows1251},
      {"el_GR.UTF-8", C::kWindows1253},
      {"tr_TR.UTF-8", C::kWindows1254},
      {"az_AZ", C::kWindows1254},
      {"he_IL.UTF-8", C::kWindows1255},
      {"ar_EG.UTF-8", C::kWindows1256},
      {"fa_IR", C::kWindows1256},
      {"ur_PK", C::kWindows1256},
      {"lt_LT", C::kWindows1257},
      {"lv_LV", C::kWindows1257},
      {"et_EE", C::kWindows1257},
      {"vi_VN", C::kWindows1258},
      {"th_TH.UTF-8", C::kWindows874},
      {"ja_JP.UTF-8", C::kShiftJis},
      {"ko_KR.UTF-8", C::kEucKr},
      {"zh_CN.UTF-8", C::kGb18030},
      {"zh_SG.GBK", C::kGb18030},
      {"zh", C::kGb18030},
      {"zh_TW.UTF-8", C::kBig5},
      {"zh_HK", C::kBig5},
      // Languages whose codes begin like listed ones.
      {"csb_PL", C::kWindows1252},
      {"ast_ES", C::kWindows1252},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CodePageForLocale(c.locale), c.code_page) << "'" << c.locale << "'";
}

TEST(LegacyText, PriorOnWindows) {
  const struct {
    std::uint32_t ansi, locale_default;
    CodePage code_page;
  } cases[] = {
      {1252, 0, C::kWindows1252},
      {1251, 0, C::kWindows1251},
      {932, 0, C::kShiftJis},
      {936, 0, C::kGb18030},
      {950, 0, C::kBig5},
      {874, 0, C::kWindows874},
      // "Use Unicode UTF-8": the locale's own ANSI code page.
      {65001, 1250, C::kWindows1250},
      {65001, 936, C::kGb18030},
      {65001, 0, C::kWindows1252},
      {65001, 65001, C::kWindows1252},
      {437, 0, C::kWindows1252},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CodePageForAnsi(c.ansi, c.locale_default), c.code_page)
        << c.ansi << ", locale " << c.locale_default;
  }
}

TEST(LegacyText, DetectionReplacesThePriorUnlessBothAreLatin) {
  const struct {
    CodePage prior;
    const char* charset;  // as uchardet names it
    CodePage chosen;
  } cases[] = {
      // No answer, or none this program reads.
      {C::kWindows1252, "", C::kWindows1252},
      {C::kWindows1252, "ASCII", C::kWindows1252},
      {C::kWindows1252, "UTF-8", C::kWindows1252},
      {C::kWindows1252, "EUC-TW", C::kWindows1252},
      // Latin against Latin: what short Western files are taken for now and then.
      {C::kWindows1252, "ISO-8859-2", C::kWindows1252},
      {C::kWindows1252, "MAC-CENTRALEUROPE", C::kWindows1252},
      {C::kWindows1252, "IBM852", C::kWindows1252},
      {C::kWindows1252, "VISCII", C::kWindows1252},
      {C::kWindows1252, "WINDOWS-1258", C::kWindows1252},
      {C::kWindows1250, "WINDOWS-1252", C::kWindows1250},
      {C::kWindows1254, "ISO-8859-1", C::kWindows1254},
      // Another script: its Windows code page, or the encoding named where files use it.
      {C::kWindows1252, "WINDOWS-1256", C::kWindows1256},
      {C::kWindows1252, "ISO-8859-6", C::kWindows1256},
      {C::kWindows1252, "ISO-8859-7", C::kWindows1253},
      {C::kWindows1252, "ISO-8859-8", C::kWindows1255},
      {C::kWindows1252, "MAC-CYRILLIC", C::kWindows1251},
      {C::kWindows1252, "IBM866", C::kWindows1251},
      {C::kWindows1252, "KOI8-R", C::kKoi8R},
      {C::kWindows1252, "TIS-620", C::kWindows874},
      {C::kWindows1252, "GB18030", C::kGb18030},
      {C::kWindows1252, "BIG5", C::kBig5},
      {C::kWindows1252, "SHIFT_JIS", C::kShiftJis},
      {C::kWindows1252, "EUC-JP", C::kEucJp},
      {C::kWindows1252, "UHC", C::kEucKr},
      {C::kWindows1251, "ISO-8859-2", C::kWindows1250},
      {C::kWindows1251, "ISO-8859-13", C::kWindows1252},
      {C::kWindows1251, "ISO-8859-1", C::kWindows1252},
      // The same script in an encoding of its own.
      {C::kWindows1251, "MAC-CYRILLIC", C::kWindows1251},
      {C::kWindows1251, "KOI8-R", C::kKoi8R},
      {C::kShiftJis, "EUC-JP", C::kEucJp},
      {C::kBig5, "GB18030", C::kGb18030},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChooseCodePage(c.prior, CodePageForCharset(c.charset)), c.chosen)
        << "prior " << CodePageName(c.prior) << ", detected '" << c.charset << "'";
  }
}

// Thirty cues of each sample, as a subtitle has them.
TEST(LegacyText, DetectorTellsEachSamplesScript) {
  for (const auto& sample : testing::LegacySamples()) {
    std::string text;
    while (text.size() < 1500) {
      for (const auto& sentence : sample.sentences)
        (text += sentence.legacy) += '\n';
    }
    CodePageDetector western;
    western.Feed(text);
    EXPECT_EQ(CodePageName(western.Choose(C::kWindows1252)),
              CodePageName(testing::IsLatin(sample) ? C::kWindows1252 : sample.code_page))
        << sample.language << " against a Western prior";
    // Against another script's prior, Latin text gets a Latin code page: Windows-1250 where
    // uchardet names a Central European one, which it does for some Western text as well.
    CodePageDetector greek;
    greek.Feed(text);
    const CodePage chosen = greek.Choose(C::kWindows1253);
    if (!testing::IsLatin(sample) || sample.code_page == C::kWindows1250) {
      EXPECT_EQ(CodePageName(chosen), CodePageName(sample.code_page))
          << sample.language << " against a Greek prior";
    } else {
      EXPECT_TRUE(chosen == C::kWindows1252 || chosen == C::kWindows1250)
          << CodePageName(chosen) << " for " << sample.language << " against a Greek prior";
    }
  }
}

}  // namespace
}  // namespace kestrane
