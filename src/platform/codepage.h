// Legacy code pages: the 8-bit and multi-byte encodings that subtitles which are not UTF-8 are
// written in, which one to read a file with, and decoding them into UTF-8.
//
// The rule, the same on every system: start from the code page the system's language implies
// (the prior); when a file's text that is not UTF-8 looks like another script, read it in that
// script's code page instead. Detection cannot tell Latin code pages apart reliably on short
// text, so a Latin answer never replaces a Latin prior.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct uchardet;

namespace kestrane {

// Each code page is named by its Windows number.
enum class CodePage : std::uint16_t {
  kWindows874 = 874,  // Thai
  kShiftJis = 932,
  kEucKr = 949,  // with Windows' extension (UHC)
  kBig5 = 950,
  kWindows1250 = 1250,  // Central European
  kWindows1251 = 1251,  // Cyrillic
  kWindows1252 = 1252,  // Western
  kWindows1253 = 1253,  // Greek
  kWindows1254 = 1254,  // Turkish
  kWindows1255 = 1255,  // Hebrew
  kWindows1256 = 1256,  // Arabic
  kWindows1257 = 1257,  // Baltic
  kWindows1258 = 1258,  // Vietnamese
  kKoi8R = 20866,
  kKoi8U = 21866,
  kEucJp = 20932,
  kGb18030 = 54936,  // also read for GBK and GB2312, its subsets
};

// The system's prior: on Windows the ANSI code page (or, where that is UTF-8, the default ANSI
// code page of the user's locale); elsewhere the one Windows would give the language of the
// locale (LC_ALL, LC_CTYPE, then LANG). Defined once per platform; read once per process.
CodePage SystemCodePage();

// How an input's lines that are not UTF-8 are read.
struct LegacyEncoding {
  // The code page to read them with; when `detect` is set, only the starting guess.
  CodePage code_page = SystemCodePage();
  // Let the file's own text replace the guess (see CodePageDetector).
  bool detect = true;
};

// The usual lower-case name: "windows-1256", "shift_jis", "gb18030"...
std::string_view CodePageName(CodePage code_page);

// The code page a user's name stands for, in any letter case: the usual name and its common
// aliases ("cp1251", "1251", "latin1", "sjis", "gbk", "uhc"...). Nothing for an unknown name.
std::optional<CodePage> CodePageByName(std::string_view name);

// Every code page, in the order a list of them is shown.
inline constexpr std::size_t kCodePageCount = 17;
const std::array<CodePage, kCodePageCount>& AllCodePages();

// Whether this system can decode the code page (iconv on POSIX, MultiByteToWideChar on Windows).
bool CanDecode(CodePage code_page);

// Decodes text in `code_page`, whole characters only. A byte the code page leaves undefined
// becomes the C1 control of the same number when it lies in 0x80 to 0x9F, as Windows does, and
// U+FFFD otherwise; so does a malformed multi-byte sequence. Defined once per platform.
std::string LegacyToUtf8(CodePage code_page, std::string_view bytes);

// The code page Windows gives a locale's language, from a POSIX locale name such as
// "pl_PL.UTF-8" or "zh_TW": the language part decides, the territory only for Chinese.
CodePage CodePageForLocale(std::string_view locale);

// The prior on Windows, from the ANSI code page and, for when that is UTF-8 (65001), the
// default ANSI code page of the user's locale.
CodePage CodePageForAnsi(std::uint32_t ansi_code_page, std::uint32_t locale_default);

// The code page to read a file with, given the prior and what detection named (nothing when it
// named none, or nothing this program reads): the answer, unless both are Latin.
CodePage ChooseCodePage(CodePage prior, std::optional<CodePage> detected);

// The code page to read text with that uchardet names `charset` ("WINDOWS-1256", "ISO-8859-7",
// "UHC"...): the script's Windows code page, or KOI8-R, Shift_JIS, EUC-JP, GB18030, Big5 or
// EUC-KR where uchardet names those. Nothing for ASCII, Unicode and the rest.
std::optional<CodePage> CodePageForCharset(std::string_view charset);

// Looks at text that is not UTF-8 and names the code page to read it with.
class CodePageDetector {
 public:
  CodePageDetector();
  ~CodePageDetector();
  CodePageDetector(const CodePageDetector&) = delete;
  CodePageDetector& operator=(const CodePageDetector&) = delete;

  // Takes more text (whole lines, each with its line feed). False once enough was seen: more
  // text would not change the answer much, and costs time.
  bool Feed(std::string_view bytes);
  // The code page for everything fed, starting from `prior` (see ChooseCodePage).
  CodePage Choose(CodePage prior);

  // How much text is enough.
  static constexpr std::size_t kEnough = 64 * 1024;

 private:
  ::uchardet* detector_;
  std::size_t fed_ = 0;
  // Whether the text holds a byte that only Ukrainian KOI8-U uses for a letter.
  bool ukrainian_ = false;
};

}  // namespace kestrane
