#include "platform/line_reader.h"

#include <gtest/gtest.h>

#include "testing/memory_file_system.h"

namespace kestrane {
namespace {

using Mode = LineReader::Mode;

// Reads every line of `bytes`, handing the reader `chunk` bytes per read at most, so that lines
// and 16-bit units are split across reads.
std::vector<std::string> Lines(const std::string& bytes, Mode mode, std::size_t chunk = 1 << 20) {
  testing::StringFile file(bytes, {}, chunk);
  LineReader reader(file, mode);
  std::vector<std::string> lines;
  for (std::string line; reader.ReadLine(&line);)
    lines.push_back(line);
  EXPECT_TRUE(reader.status().ok());
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
