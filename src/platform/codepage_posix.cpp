// Legacy code pages on POSIX systems, which have no ANSI code page of their own: the prior comes
// from the locale's language, and iconv decodes.
#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <memory>

#include "platform/codepage.h"
#include "platform/text.h"

namespace kestrane {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// 0x80 to 0x9F of Windows-1252, where it differs from Latin-1; written out, since nearly every
// legacy file is read with it. Windows maps the five bytes that the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) to the C1 controls of the same value, and so does this table.
constexpr std::array<char32_t, 32> kWindows1252From0x80 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
};

// What stands for a byte that starts no character, as Windows has it for its 8-bit code pages.
char32_t Undefined(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? byte : kReplacement;
}

const char* IconvName(CodePage code_page) {
  switch (code_page) {
    case CodePage::kWindows874:
      return "CP874";
    case CodePage::kShiftJis:
      return "CP932";  // Windows' Shift_JIS; glibc's SHIFT_JIS maps some bytes otherwise
    case CodePage::kEucKr:
      return "CP949";
    case CodePage::kBig5:
      return "CP950";
    case CodePage::kWindows1250:
      return "CP1250";
    case CodePage::kWindows1251:
      return "CP1251";
    case CodePage::kWindows1252:
      return "CP1252";
    case CodePage::kWindows1253:
      return "CP1253";
    case CodePage::kWindows1254:
      return "CP1254";
    case CodePage::kWindows1255:
      return "CP1255";
    case CodePage::kWindows1256:
      return "CP1256";
    case CodePage::kWindows1257:
      return "CP1257";
    case CodePage::kWindows1258:
      return "CP1258";
    case CodePage::kKoi8R:
      return "KOI8-R";
    case CodePage::kKoi8U:
      return "KOI8-U";
    case CodePage::kEucJp:
      return "EUC-JP";
    case CodePage::kGb18030:
      return "GB18030";
  }
  return "";
}

bool IsMultiByte(CodePage code_page) {
  switch (code_page) {
    case CodePage::kShiftJis:
    case CodePage::kEucKr:
    case CodePage::kBig5:
    case CodePage::kEucJp:
    case CodePage::kGb18030:
      return true;
    default:
      return false;
  }
}

struct IconvCloser {
  void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using Iconv = std::unique_ptr<void, IconvCloser>;

Iconv OpenToUtf8(CodePage code_page) {
  iconv_t cd = iconv_open("UTF-8", IconvName(code_page));
  return Iconv(cd == reinterpret_cast<iconv_t>(-1) ? nullptr : cd);
}

// Decodes with iconv; a byte where no character starts stands alone (see Undefined).
void AppendConverted(iconv_t cd, std::string_view bytes, std::string* out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(bytes.data());
  std::size_t in_left = bytes.size();
  char buffer[4096];
  for (bool flushed = false; !flushed;) {
    char* next = buffer;
    std::size_t room = sizeof buffer;
    std::size_t done;
    if (in_left > 0) {
      done = iconv(cd, &in, &in_left, &next, &room);
    } else {
      // Hands out what a converter held back: glibc's CP1255 and CP1258 keep a letter back
      // for an accent that may follow.
      done = iconv(cd, nullptr, nullptr, &next, &room);
      flushed = done != static_cast<std::size_t>(-1) || errno != E2BIG;
    }
    out->append(buffer, static_cast<std::size_t>(next - buffer));
    if (done == static_cast<std::size_t>(-1) && errno != E2BIG && in_left > 0) {
      AppendUtf8(Undefined(static_cast<unsigned char>(*in)), out);
      ++in;
      --in_left;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
}

// An 8-bit code page as a table of its upper half, each byte decoded alone: the same
// characters as Windows gives, with no accent ever joined to its letter (glibc's CP1255 and
// CP1258 would join them, Windows does not).
using UpperHalf = std::array<char32_t, 128>;

std::unique_ptr<UpperHalf> MakeTable(CodePage code_page) {
  auto table = std::make_unique<UpperHalf>();
  if (code_page == CodePage::kWindows1252) {
    for (int byte = 0x80; byte < 0x100; ++byte)
      (*table)[byte - 0x80] = byte < 0xA0 ? kWindows1252From0x80[byte - 0x80] : byte;
    return table;
  }
  Iconv cd = OpenToUtf8(code_page);
  if (!cd) return nullptr;
  for (int byte = 0x80; byte < 0x100; ++byte) {
    const char one = static_cast<char>(byte);
    std::string utf8;
    AppendConverted(static_cast<iconv_t>(cd.get()), std::string_view(&one, 1), &utf8);
    // One character, two or three bytes long: what a byte of the upper half becomes.
    char32_t c = Undefined(static_cast<unsigned char>(byte));
    const auto* u = reinterpret_cast<const unsigned char*>(utf8.data());
    if (utf8.size() == 2) c = ((u[0] & 0x1F) << 6) | (u[1] & 0x3F);
    if (utf8.size() == 3) c = ((u[0] & 0x0F) << 12) | ((u[1] & 0x3F) << 6) | (u[2] & 0x3F);
    (*table)[byte - 0x80] = c;
  }
  return table;
}

std::size_t IndexOf(CodePage code_page) {
  const auto& all = AllCodePages();
  return static_cast<std::size_t>(std::find(all.begin(), all.end(), code_page) - all.begin());
}

// The tables, made once, when first needed; none for a code page iconv lacks.
const UpperHalf* TableFor(CodePage code_page) {
  static const auto tables = [] {
    std::array<std::unique_ptr<UpperHalf>, kCodePageCount> made;
    for (std::size_t i = 0; i < made.size(); ++i) {
      if (!IsMultiByte(AllCodePages()[i])) made[i] = MakeTable(AllCodePages()[i]);
    }
    return made;
  }();
  const std::size_t index = IndexOf(code_page);
  return index < tables.size() ? tables[index].get() : nullptr;
}

// A converter of a multi-byte code page, opened once per thread: opening one costs more than
// converting a line.
iconv_t ConverterFor(CodePage code_page) {
  thread_local std::array<Iconv, kCodePageCount> converters;
  const std::size_t index = IndexOf(code_page);
  if (index >= converters.size()) return nullptr;
  if (!converters[index]) converters[index] = OpenToUtf8(code_page);
  return static_cast<iconv_t>(converters[index].get());
}

}  // namespace

CodePage SystemCodePage() {
  static const CodePage prior = [] {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
      const char* value = std::getenv(variable);
      if (value != nullptr && *value != '\0') return CodePageForLocale(value);
    }
    return CodePage::kWindows1252;
  }();
  return prior;
}

bool CanDecode(CodePage code_page) {
  return IsMultiByte(code_page) ? ConverterFor(code_page) != nullptr
                                : TableFor(code_page) != nullptr;
}

std::string LegacyToUtf8(CodePage code_page, std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  if (IsMultiByte(code_page)) {
    if (iconv_t cd = ConverterFor(code_page)) {
      AppendConverted(cd, bytes, &out);
      return out;
    }
  }
  const UpperHalf* table = TableFor(code_page);
  // Only where iconv lacks the code page the system's locale asks for.
  if (table == nullptr) table = TableFor(CodePage::kWindows1252);
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else {
      AppendUtf8((*table)[byte - 0x80], &out);
    }
  }
  return out;
}

}  // namespace kestrane
