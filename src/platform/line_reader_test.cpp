#include "platform/line_reader.h"

#include <gtest/gtest.h>

#include "testing/faulty_file_system.h"
#include "testing/legacy_samples.h"
#include "testing/memory_file_system.h"

namespace kestrane {
namespace {

using Mode = LineReader::Mode;

constexpr LegacyEncoding kWestern{.code_page = CodePage::kWindows1252, .detect = true};

// Reads every line of `bytes`, handing the reader `chunk` bytes per read at most, so that lines
// and 16-bit units are split across reads. *used receives the reader's legacy code page.
std::vector<std::string> Lines(const std::string& bytes, Mode mode, std::size_t chunk = 1 << 20,
                               LegacyEncoding legacy = kWestern,
                               std::optional<CodePage>* used = nullptr) {
  testing::StringFile file(bytes, {}, chunk);
  LineReader reader(file, mode, legacy);
  std::vector<std::string> lines;
  for (std::string line; reader.ReadLine(&line);)
    lines.push_back(line);
  EXPECT_TRUE(reader.status().ok());
  if (used != nullptr) *used = reader.legacy_code_page();
  return lines;
}

using L = std::vector<std::string>;

TEST(LineReaderTest, EightBitLines) {
  struct Case {
    const char* name;
    std::string bytes;
    L lines;
  } cases[] = {
      {"empty", "", {}},
      {"one line without a line feed", "abc", {"abc"}},
      {"line feed at the end adds no line", "abc\n", {"abc"}},
      {"empty lines are lines", "\n\na\n\n", {"", "", "a", ""}},
      {"CR LF arrives as LF", "a\r\nb\r\n", {"a", "b"}},
      {"a lone CR stays", "a\rb\r\r\n\r", {"a\rb\r", "\r"}},
      {"UTF-8 mark stays",
       "\xEF\xBB\xBF"
       "1\n",
       {"\xEF\xBB\xBF"
        "1"}},
      {"mark kept before legacy text",
       "\xEF\xBB\xBF"
       "Caf\xE9\n",
       {"\xEF\xBB\xBF"
        "Caf\xC3\xA9"}},
      {"each line decoded alone", "\xC3\xA9\n\xE9\n", {"\xC3\xA9", "\xC3\xA9"}},
      {"NUL bytes", std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
  };
  for (const auto& c : cases) {
    for (std::size_t chunk : {1u, 2u, 3u, 1u << 20}) {
      EXPECT_EQ(Lines(c.bytes, Mode::kEightBit, chunk), c.lines) << c.name << ", chunk " << chunk;
    }
  }
}

TEST(LineReaderTest, SixteenBitLines) {
  auto u16 = [](std::u16string_view text) {
    std::string bytes;
    for (char16_t unit : text) {
      bytes.push_back(static_cast<char>(unit & 0xFF));
      bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
  };
  struct Case {
    const char* name;
    std::string bytes;
    L lines;
  } cases[] = {
      {"mark and CR LF, CR kept",
       u16(u"\uFEFF1\r\nab\r\n"),
       {"\xEF\xBB\xBF"
        "1\r",
        "ab\r"}},
      {"last line without line feed", u16(u"a\nb"), {"a", "b"}},
      {"line feed at the end adds no line", u16(u"a\n\n"), {"a", ""}},
      // The byte 0A inside a unit other than U+000A does not end a line.
      {"0A as a high byte", u16(u"\u0A41\u410A\n"), {"\xE0\xA9\x81\xE4\x84\x8A"}},
      {"odd last byte", u16(u"a\n") + "x", {"a", "\xEF\xBF\xBD"}},
  };
  for (const auto& c : cases) {
    for (std::size_t chunk : {1u, 2u, 3u, 1u << 20}) {
      EXPECT_EQ(Lines(c.bytes, Mode::kUtf16Le, chunk), c.lines) << c.name << ", chunk " << chunk;
    }
  }
}

L Cat(L a, const L& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const testing::LegacySample& Sample(std::string_view language) {
  for (const auto& sample : testing::LegacySamples()) {
    if (sample.language == language) return sample;
  }
  ADD_FAILURE() << "no sample in " << language;
  return testing::LegacySamples().front();
}

// A sample's sentences, each followed by a line of ASCII, as bytes and as the lines that reading
// them with `code_page` gives (or, without one, as the text itself).
std::pair<std::string, L> Text(const testing::LegacySample& sample, bool legacy,
                               std::optional<CodePage> code_page = std::nullopt) {
  std::string bytes;
  L lines;
  for (const auto& sentence : sample.sentences) {
    bytes += std::string(legacy ? sentence.legacy : sentence.utf8) + "\r\n00:00\n";
    lines.push_back(code_page ? LegacyToUtf8(*code_page, sentence.legacy)
                              : std::string(sentence.utf8));
    lines.push_back("00:00");
  }
  return {bytes, lines};
}

// Lines before the first one that is not UTF-8 are handed out before the code page is chosen;
// choosing reads ahead and rewinds, and reading goes on from that line, however far it is.
TEST(LineReaderTest, ChoosesTheCodePageAtTheFirstLineThatIsNotUtf8) {
  // Longer than a read, so that the line to come back to lies in a later buffer.
  std::string utf8;
  L utf8_lines;
  for (int i = 0; utf8.size() < (100 << 10); ++i) {
    utf8_lines.push_back("line " + std::to_string(i) + " \xC3\xA9");
    utf8 += utf8_lines.back() + "\r\n";
  }
  const auto [arabic, arabic_lines] = Text(Sample("Arabic"), true);
  const auto [arabic_utf8, unused] = Text(Sample("Arabic"), false);
  const auto [polish, polish_lines] = Text(Sample("Polish"), true);
  const L polish_as_western = Text(Sample("Polish"), true, CodePage::kWindows1252).second;
  const L arabic_as_central = Text(Sample("Arabic"), true, CodePage::kWindows1250).second;
  const LegacyEncoding central{.code_page = CodePage::kWindows1250, .detect = true};
  const LegacyEncoding forced{.code_page = CodePage::kWindows1250, .detect = false};
  const std::string mark = "\xEF\xBB\xBF";
  L marked = arabic_lines;
  marked[0] = mark + marked[0];
  struct Case {
    const char* name;
    std::string bytes;
    LegacyEncoding legacy;
    L lines;
    std::optional<CodePage> used;
  } cases[] = {
      {"after many UTF-8 lines", utf8 + arabic, kWestern, Cat(utf8_lines, arabic_lines),
       CodePage::kWindows1256},
      {"UTF-8 lines amid legacy ones stay UTF-8", arabic + arabic_utf8, kWestern,
       Cat(arabic_lines, arabic_lines), CodePage::kWindows1256},
      {"on the first line, after the mark", mark + arabic, kWestern, marked,
       CodePage::kWindows1256},
      {"all UTF-8", utf8 + arabic_utf8, kWestern, Cat(utf8_lines, arabic_lines), std::nullopt},
      {"Latin keeps a Western prior", utf8 + polish, kWestern, Cat(utf8_lines, polish_as_western),
       CodePage::kWindows1252},
      {"Latin keeps a Central European prior", polish, central, polish_lines,
       CodePage::kWindows1250},
      {"forced, whatever the script", arabic, forced, arabic_as_central, CodePage::kWindows1250},
  };
  for (const auto& c : cases) {
    for (std::size_t chunk : {7u, 1u << 20}) {
      std::optional<CodePage> used;
      EXPECT_EQ(Lines(c.bytes, Mode::kEightBit, chunk, c.legacy, &used), c.lines)
          << c.name << ", chunk " << chunk;
      EXPECT_EQ(used, c.used) << c.name << ", chunk " << chunk;
    }
  }
}

TEST(LineReaderTest, LinesLongerThanAnyBuffer) {
  std::string longest(3 << 20, 'x');
  EXPECT_EQ(Lines("a\n" + longest + "\nb", Mode::kEightBit), (L{"a", longest, "b"}));
}

TEST(LineReaderTest, AReadErrorEndsReadingAndIsReported) {
  testing::MemoryFileSystem memory;
  memory.AddFile("/a.txt", "one\ntwo\n");
  testing::FaultyFileSystem faulty(memory);
  faulty.FailOn(testing::FaultyFileSystem::Op::kRead, 1);
  std::unique_ptr<ReadableFile> file;
  ASSERT_TRUE(faulty.OpenForRead("/a.txt", &file).ok());
  LineReader reader(*file, Mode::kEightBit);
  std::string line;
  EXPECT_FALSE(reader.ReadLine(&line));
  EXPECT_FALSE(reader.status().ok());
}

}  // namespace
}  // namespace kestrane
