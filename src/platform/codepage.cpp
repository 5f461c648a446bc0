#include "platform/codepage.h"

#include <uchardet.h>

#include <algorithm>

#include "platform/text.h"

namespace kestrane {
namespace {

enum class Script {
  kLatin,
  kCyrillic,
  kGreek,
  kHebrew,
  kArabic,
  kThai,
  kJapanese,
  kSimplifiedChinese,
  kTraditionalChinese,
  kKorean,
};

struct Entry {
  CodePage code_page;
  std::string_view name;
  Script script;
  std::string_view aliases;  // separated by spaces
};

using C = CodePage;
using S = Script;

constexpr Entry kCodePages[] = {
    {C::kWindows1250, "windows-1250", S::kLatin, "cp1250 1250"},
    {C::kWindows1251, "windows-1251", S::kCyrillic, "cp1251 1251"},
    // ISO-8859-1 is read as its superset, as browsers do.
    {C::kWindows1252, "windows-1252", S::kLatin, "cp1252 1252 iso-8859-1 iso8859-1 latin1"},
    {C::kWindows1253, "windows-1253", S::kGreek, "cp1253 1253"},
    {C::kWindows1254, "windows-1254", S::kLatin, "cp1254 1254"},
    {C::kWindows1255, "windows-1255", S::kHebrew, "cp1255 1255"},
    {C::kWindows1256, "windows-1256", S::kArabic, "cp1256 1256"},
    {C::kWindows1257, "windows-1257", S::kLatin, "cp1257 1257"},
    {C::kWindows1258, "windows-1258", S::kLatin, "cp1258 1258"},
    {C::kWindows874, "windows-874", S::kThai, "cp874 874 tis-620"},
    {C::kShiftJis, "shift_jis", S::kJapanese, "shift-jis sjis cp932 932 ms932 windows-31j"},
    {C::kEucJp, "euc-jp", S::kJapanese, "eucjp"},
    {C::kGb18030, "gb18030", S::kSimplifiedChinese, "gbk gb2312 cp936 936 euc-cn"},
    {C::kBig5, "big5", S::kTraditionalChinese, "cp950 950"},
    {C::kEucKr, "euc-kr", S::kKorean, "cp949 949 uhc windows-949"},
    {C::kKoi8R, "koi8-r", S::kCyrillic, "koi8r"},
    {C::kKoi8U, "koi8-u", S::kCyrillic, "koi8u"},
};

const Entry& EntryOf(CodePage code_page) {
  for (const Entry& entry : kCodePages) {
    if (entry.code_page == code_page) return entry;
  }
  return kCodePages[2];  // not reached: every enumerator has its entry
}

// Whether `word` is one of the words of `list`, which are separated by spaces.
bool ListHas(std::string_view list, std::string_view word) {
  while (!list.empty()) {
    const std::size_t space = std::min(list.find(' '), list.size());
    if (EqualsIgnoringAsciiCase(word, list.substr(0, space))) return true;
    list.remove_prefix(std::min(space + 1, list.size()));
  }
  return false;
}

// What uchardet names, and what this program reads it as. Rare variants of a script (Mac, DOS
// and ISO code pages) are read as the script's Windows code page: on short files uchardet names
// them in error now and then, and the Windows one is what real files of that script use. Latin
// answers are the least reliable; they only count against a prior of another script.
constexpr struct {
  std::string_view charset;
  CodePage code_page;
} kCharsets[] = {
    {"WINDOWS-1252", C::kWindows1252},
    {"ISO-8859-1", C::kWindows1252},
    {"ISO-8859-15", C::kWindows1252},
    {"ISO-8859-3", C::kWindows1252},
    {"ISO-8859-4", C::kWindows1252},
    {"ISO-8859-9", C::kWindows1252},
    {"ISO-8859-10", C::kWindows1252},
    {"ISO-8859-13", C::kWindows1252},
    {"WINDOWS-1257", C::kWindows1252},
    {"WINDOWS-1258", C::kWindows1252},
    {"VISCII", C::kWindows1252},
    {"WINDOWS-1250", C::kWindows1250},
    {"ISO-8859-2", C::kWindows1250},
    {"ISO-8859-16", C::kWindows1250},
    {"IBM852", C::kWindows1250},
    {"MAC-CENTRALEUROPE", C::kWindows1250},
    {"WINDOWS-1251", C::kWindows1251},
    {"ISO-8859-5", C::kWindows1251},
    {"IBM855", C::kWindows1251},
    {"IBM866", C::kWindows1251},
    {"MAC-CYRILLIC", C::kWindows1251},
    {"KOI8-R", C::kKoi8R},
    {"WINDOWS-1253", C::kWindows1253},
    {"ISO-8859-7", C::kWindows1253},
    {"WINDOWS-1255", C::kWindows1255},
    {"ISO-8859-8", C::kWindows1255},
    {"ISO-8859-8-I", C::kWindows1255},
    {"WINDOWS-1256", C::kWindows1256},
    {"ISO-8859-6", C::kWindows1256},
    {"TIS-620", C::kWindows874},
    {"ISO-8859-11", C::kWindows874},
    {"SHIFT_JIS", C::kShiftJis},
    {"EUC-JP", C::kEucJp},
    {"GB18030", C::kGb18030},
    {"BIG5", C::kBig5},
    {"UHC", C::kEucKr},
    {"EUC-KR", C::kEucKr},
};

// Ukrainian letters in KOI8-U (є і ї ґ and their capitals), box-drawing characters in KOI8-R,
// which uchardet names for both.
bool IsUkrainianKoi8(unsigned char byte) {
  switch (byte) {
    case 0xA4:
    case 0xA6:
    case 0xA7:
    case 0xAD:
    case 0xB4:
    case 0xB6:
    case 0xB7:
    case 0xBD:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string_view CodePageName(CodePage code_page) {
  return EntryOf(code_page).name;
}

std::optional<CodePage> CodePageByName(std::string_view name) {
  for (const Entry& entry : kCodePages) {
    if (EqualsIgnoringAsciiCase(name, entry.name) || ListHas(entry.aliases, name))
      return entry.code_page;
  }
  return std::nullopt;
}

const std::array<CodePage, kCodePageCount>& AllCodePages() {
  static const std::array<CodePage, kCodePageCount> all = [] {
    std::array<CodePage, kCodePageCount> codes{};
    static_assert(std::size(kCodePages) == codes.size());
    for (std::size_t i = 0; i < codes.size(); ++i)
      codes[i] = kCodePages[i].code_page;
    return codes;
  }();
  return all;
}

CodePage CodePageForLocale(std::string_view locale) {
  const std::size_t end = std::min(locale.find_first_of("_.@"), locale.size());
  const std::string_view language = locale.substr(0, end);
  std::string_view territory;
  if (end < locale.size() && locale[end] == '_') {
    territory = locale.substr(end + 1);
    territory = territory.substr(0, territory.find_first_of(".@"));
  }
  // Serbian written in Latin letters, as Windows' sr-Latn locales.
  if (EqualsIgnoringAsciiCase(language, "sr") && locale.ends_with("@latin")) return C::kWindows1250;
  if (EqualsIgnoringAsciiCase(language, "zh")) {
    for (std::string_view traditional : {"TW", "HK", "MO"}) {
      if (EqualsIgnoringAsciiCase(territory, traditional)) return C::kBig5;
    }
    return C::kGb18030;
  }
  constexpr struct {
    std::string_view languages;
    CodePage code_page;
  } kLanguages[] = {
      {"pl cs sk hu sl hr ro sq bs", C::kWindows1250},
      {"ru uk be bg sr mk", C::kWindows1251},
      {"el", C::kWindows1253},
      {"tr az", C::kWindows1254},
      {"he iw", C::kWindows1255},
      {"ar fa ur", C::kWindows1256},
      {"lt lv et", C::kWindows1257},
      {"vi", C::kWindows1258},
      {"th", C::kWindows874},
      {"ja", C::kShiftJis},
      {"ko", C::kEucKr},
  };
  for (const auto& row : kLanguages) {
    if (ListHas(row.languages, language)) return row.code_page;
  }
  return C::kWindows1252;
}

CodePage CodePageForAnsi(std::uint32_t ansi_code_page, std::uint32_t locale_default) {
  constexpr std::uint32_t kUtf8 = 65001;
  const std::uint32_t code = ansi_code_page == kUtf8 ? locale_default : ansi_code_page;
  // GB18030 is a superset of 936 (GBK).
  if (code == 936) return C::kGb18030;
  for (const Entry& entry : kCodePages) {
    if (static_cast<std::uint32_t>(entry.code_page) == code) return entry.code_page;
  }
  return C::kWindows1252;
}

CodePage ChooseCodePage(CodePage prior, std::optional<CodePage> detected) {
  if (!detected) return prior;
  if (EntryOf(prior).script == S::kLatin && EntryOf(*detected).script == S::kLatin) return prior;
  return *detected;
}

std::optional<CodePage> CodePageForCharset(std::string_view charset) {
  for (const auto& row : kCharsets) {
    if (EqualsIgnoringAsciiCase(charset, row.charset)) return row.code_page;
  }
  return std::nullopt;
}

CodePageDetector::CodePageDetector() : detector_(uchardet_new()) {}

CodePageDetector::~CodePageDetector() {
  uchardet_delete(detector_);
}

bool CodePageDetector::Feed(std::string_view bytes) {
  if (fed_ >= kEnough) return false;
  uchardet_handle_data(detector_, bytes.data(), bytes.size());
  fed_ += bytes.size();
  if (!ukrainian_) {
    ukrainian_ = std::any_of(bytes.begin(), bytes.end(),
                             [](char c) { return IsUkrainianKoi8(static_cast<unsigned char>(c)); });
  }
  return fed_ < kEnough;
}

CodePage CodePageDetector::Choose(CodePage prior) {
  uchardet_data_end(detector_);
  std::optional<CodePage> detected = CodePageForCharset(uchardet_get_charset(detector_));
  if (detected == C::kKoi8R && ukrainian_) detected = C::kKoi8U;
  if (detected && !CanDecode(*detected)) detected.reset();
  return ChooseCodePage(prior, detected);
}

}  // namespace kestrane
