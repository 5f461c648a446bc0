#include "convert/convert_file.h"

#include <gtest/gtest.h>

#include "platform/line_reader.h"
#include "testing/memory_file_system.h"
#include "testing/temp_dir.h"

namespace kestrane {
namespace {

using testing::MemoryFileSystem;

constexpr char kBom[] = "\xEF\xBB\xBF";

// Two cues as most files have them: CR LF line ends, a blank line after each cue.
constexpr char kSubRip[] =
    "1\r\n00:00:01,000 --> 00:00:04,000\r\nHello\r\nworld\r\n\r\n"
    "2\r\n00:01:02,517 --> 00:01:05,990\r\n50% off\r\n\r\n";
constexpr char kConverted[] =
    "\xEF\xBB\xBF"
    "1 00;00;01;00 00;00;04;00 Hello world \r\n"
    "2 00;01;02;16 00;01;05;29 50% off \r\n";

std::string Utf16Le(std::u16string_view text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

// Converts `input` as /subs/a.txt in memory and returns the output, checking the end state of
// a conversion: the output under the input's name, the input's bytes as the backup, nothing else.
std::string ConvertBytes(const std::string& input, const std::string& what) {
  MemoryFileSystem fs;
  fs.AddFile("/subs/a.txt", input);
  FileResult result = ConvertFile(fs, "/subs/a.txt");
  EXPECT_TRUE(result.done()) << what << ": " << Describe(result.reason);
  EXPECT_EQ(fs.Contents("/subs/a.txt_original"), input) << what;
  EXPECT_EQ(fs.Paths(), (std::vector<std::string>{"/subs/", "/subs/a.txt", "/subs/a.txt_original"}))
      << what;
  return fs.Contents("/subs/a.txt").value_or("");
}

TEST(ConvertFileTest, ConvertsInPlaceAndKeepsTheOriginal) {
  EXPECT_EQ(ConvertBytes(kSubRip, "subrip"), kConverted);
}

TEST(ConvertFileTest, LineEndsAndBlankLinesDoNotMatter) {
  struct Case {
    const char* name;
    std::string input;
  } cases[] = {
      {"LF",
       "1\n00:00:01,000 --> 00:00:04,000\nHello\nworld\n\n"
       "2\n00:01:02,517 --> 00:01:05,990\n50% off\n\n"},
      {"no blank line at the end",
       "1\n00:00:01,000 --> 00:00:04,000\nHello\nworld\n\n"
       "2\n00:01:02,517 --> 00:01:05,990\n50% off"},
      {"no line feed at the end",
       "1\r\n00:00:01,000 --> 00:00:04,000\r\nHello\r\nworld\r\n\r\n"
       "2\r\n00:01:02,517 --> 00:01:05,990\r\n50% off\r\n"},
      {"runs of blank lines",
       "\r\n\r\n1\r\n00:00:01,000 --> 00:00:04,000\r\nHello\r\nworld\r\n"
       "\r\n\r\n\r\n2\r\n00:01:02,517 --> 00:01:05,990\r\n50% off\r\n\r\n\n"},
      {"stray CRs",
       "1\r\r\n00:00:01,000 --> 00:00:04,000\r\nHel\rlo\r\nworld\r\n\r\r\n"
       "2\n00:01:02,517 --> 00:01:05,990\n50% off\n\n"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ConvertBytes(c.input, c.name), kConverted) << c.name;
}

// What the converter makes of one open file, as a work file would receive it.
struct Conversion {
  bool ok = false;
  std::string text;
  std::size_t cues = 0;
  std::string code_page;
};
Conversion Convert(ReadableFile& file, const ConvertOptions& options) {
  MemoryFileSystem fs;
  Conversion c;
  WorkFile work(fs, [&c](std::string_view piece) {
    c.text += piece;
    return Status::Ok();
  });
  const ConversionOutcome outcome = SubtitleConverter(options)(file, work);
  c.ok = outcome.status.ok();
  c.cues = outcome.cues;
  c.code_page = outcome.code_page;
  return c;
}

// A file the reader holds whole is read from its buffer at once; one read a byte at a time never
// is, and goes line by line: both must give the same bytes, cues and code page, at every rate.
TEST(ConvertFileTest, ReadWholeOrLineByLineGivesTheSameList) {
  // Two cues whose text pads the file to `size` bytes, the second ending the file.
  auto sized = [](std::size_t size) {
    const std::string head = "1\n00:00:01,000 --> 00:00:02,000\n",
                      tail = "\n\n2\n0:0:3 --> 0:0:4\nend";
    return head + std::string(size - head.size() - tail.size(), 'a') + tail;
  };
  constexpr std::size_t kFull = LineReader::kBufferSize;
  struct Case {
    const char* name;
    std::string input;
    std::size_t cues;
  } cases[] = {
      {"usual", kSubRip, 2},
      {"CRs in odd places",
       "1\r\r\n00:00:01,000 --> 00:00:04,000\r\nHel\rlo\r\n\r\r\n2\r00:01:02,517 --> "
       "00:01:05,990\r\n"
       "a\r\n\r\n3\n00:01:02,517 --> 00:01:05,990\r",
       2},
      {"blank lines with spaces",
       "1\n00:00:01,000 --> 00:00:04,000\n  \nx\n \n\n2\r\n00:00:05,000 --> 00:00:06,000\r\n \r\n",
       2},
      {"no final line feed", "1\r\n00:00:01,000 --> 00:00:04,000\r\nHello", 1},
      {"no text, then none at the end",
       "1\r\n00:00:01,000 --> 00:00:04,000\r\n\r\n2\r\n00:00:05,000 --> 00:00:06,000", 2},
      {"UTF-8 mark", std::string(kBom) + kSubRip, 2},
      {"index and times not in the usual form",
       "1 2\r\n00:00:01,000 --> 00:00:04,000\r\nx\r\n\r\n3\r\n0:0:1.5 --> 00:00:04,000\r\ny\r\n\r\n"
       "4\r\n00:00:01,000 --> 00:00:04,000 z\r\n\r\n5\r\n00:00:01,000 ==> 00:00:04,000\r\n",
       3},
      {"text before the first cue", "Title\r\n1\r\n00:00:01,000 --> 00:00:04,000\r\nx\r\n", 0},
      {"invalid UTF-8 falls back", "1\r\n00:00:01,000 --> 00:00:04,000\r\nCaf\xE9\r\n", 1},
      {"empty", "", 0},
      {"one byte short of the buffer", sized(kFull - 1), 2},
      {"the buffer's size", sized(kFull), 2},
      {"one byte past the buffer", sized(kFull + 1), 2},
      {"tags across lines", "1\n00:00:01,000 --> 00:00:04,000\n<font\ncolor=red>a</font>\n", 1},
  };
  const FrameRate ntsc = *FrameRate::Parse("29.97");
  const struct {
    const char* name;
    ConvertOptions options;
  } makings[] = {
      {"classic", {}},
      {"29.97", {.rate = ntsc}},
      {"classic, offset, no tags",
       {.offset = TimelineOffset::Parse("01:00:00:00", {}), .strip_tags = true}},
      {"29.97, offset, no tags",
       {.rate = ntsc, .offset = TimelineOffset::Parse("01:00:00;00", ntsc), .strip_tags = true}},
  };
  for (const auto& making : makings) {
    for (const Case& c : cases) {
      testing::StringFile whole(c.input), bytewise(c.input, {}, 1);
      const Conversion expected = Convert(bytewise, making.options),
                       actual = Convert(whole, making.options);
      const std::string what = std::string(c.name) + " at " + making.name;
      EXPECT_TRUE(actual.ok && expected.ok) << what;
      EXPECT_EQ(actual.text, expected.text) << what;
      EXPECT_EQ(actual.cues, c.cues) << what;
      EXPECT_EQ(expected.cues, c.cues) << what;
      EXPECT_EQ(actual.code_page, expected.code_page) << what;
    }
  }
}

TEST(ConvertFileTest, Utf16WithMarkGivesTheSameLinesWithTheMarkInTheFirstIndex) {
  std::u16string text =
      u"\uFEFF1\r\n00:00:01,000 --> 00:00:04,000\r\nHello\r\nworld\r\n\r\n"
      u"2\r\n00:01:02,517 --> 00:01:05,990\r\n50% off\r\n\r\n";
  std::string expected = std::string(kBom) + kConverted;
  EXPECT_EQ(ConvertBytes(Utf16Le(text), "utf-16"), expected);
  // Spaces in front of the mark still make it UTF-16, more of them than a reader's buffer holds
  // too (then the rest is read on, and the file again from its start).
  for (std::size_t spaces : {2, 40'000}) {
    const std::string input = Utf16Le(std::u16string(spaces, u' ') + text);
    EXPECT_EQ(ConvertBytes(input, "utf-16 after spaces"), expected) << spaces;
  }
}

TEST(ConvertFileTest, Utf16TextBeyondTheBasicPlaneAndBrokenUnits) {
  std::u16string text =
      u"\uFEFF1\n00:00:01,000 --> 00:00:02,000\nA\U0001F642B\xD800"
      u"C\n\n";
  std::string bytes = Utf16Le(text) + "x";  // an odd last byte
  std::string expected = std::string(kBom) + kBom +
                         "1 00;00;01;00 00;00;02;00 A\xF0\x9F\x99\x82"
                         "B\xEF\xBF\xBD"
                         "C \r\n";
  // The odd byte makes a last line of its own that holds no cue.
  EXPECT_EQ(ConvertBytes(bytes, "utf-16 odd"), expected);
}

TEST(ConvertFileTest, EightBitTextIsUtf8OrTheLegacyCodePageLineByLine) {
  std::string input =
      "\xEF\xBB\xBF"
      "1\n00:00:01,000 --> 00:00:02,000\nGr\xC3\xBC\xC3\x9F"
      "e\n\n"
      "2\n00:00:03,000 --> 00:00:04,000\nCaf\xE9 \x80\n\n";
  std::string expected = std::string(kBom) + kBom +
                         "1 00;00;01;00 00;00;02;00 Gr\xC3\xBC\xC3\x9F"
                         "e \r\n"
                         "2 00;00;03;00 00;00;04;00 Caf\xC3\xA9 \xE2\x82\xAC \r\n";
  EXPECT_EQ(ConvertBytes(input, "utf-8 and cp1252"), expected);
}

TEST(ConvertFileTest, BigEndianMarkIsNotUtf16AndDoesNotCrash) {
  std::string input;
  for (char c : std::string("\xFE\xFF"))
    input.push_back(c);
  for (char c : std::string("1\n00:00:01,000 --> 00:00:02,000\nx\n\n")) {
    input.push_back('\0');
    input.push_back(c);
  }
  MemoryFileSystem fs;
  fs.AddFile("/a.txt", input);
  FileResult result = ConvertFile(fs, "/a.txt");
  EXPECT_NE(result.kind, FileResult::Kind::kFailed);
  auto kept = result.done() ? fs.Contents("/a.txt_original") : fs.Contents("/a.txt");
  EXPECT_EQ(kept, input);
}

TEST(ConvertFileTest, LongLinesAndManyCuesAreWrittenInFull) {
  std::string input, expected = kBom;
  std::string text(300000, 'x');
  for (int i = 1; i <= 3000; ++i) {
    const std::string& line = i % 1000 == 0 ? text : "cue " + std::to_string(i);
    input += std::to_string(i) + "\n00:00:01,000 --> 00:00:02,000\n" + line + "\n\n";
    expected += std::to_string(i) + " 00;00;01;00 00;00;02;00 " + line + " \r\n";
  }
  EXPECT_EQ(ConvertBytes(input, "long"), expected);
}

TEST(ConvertFileTest, MalformedCuesAreLeftOutAndTheRestConverts) {
  std::string input =
      "1\n00:00:01,000 --> 00:00:02,000\na\n\n"
      "2\nno times here\n\n"
      "3\n00:00:05,000 --> 00:00:06,000\nc\n";
  EXPECT_EQ(ConvertBytes(input, "malformed"), std::string(kBom) +
                                                  "1 00;00;01;00 00;00;02;00 a \r\n"
                                                  "3 00;00;05;00 00;00;06;00 c \r\n");
}

TEST(ConvertFileTest, InputsLeftUntouched) {
  const ConvertOptions back_a_second = {.offset = TimelineOffset::Parse("-00:00:01:00", {})};
  const std::string late = "1\n00:00:05,000 --> 00:00:06,000\nA\n\n";
  const std::string kCue = "1\n00:00:01,000 --> 00:00:04,000\nHello\n";
  struct Case {
    const char* name;
    std::string input;
    FileResult::Reason reason;
    ConvertOptions options = {};
    const char* message = "";
  } cases[] = {
      {"empty", "", FileResult::Reason::kNoSubtitle},
      {"blank lines only", "\r\n\r\n\n", FileResult::Reason::kNoSubtitle},
      {"prose", "Dear diary,\n\ntoday nothing happened.\n", FileResult::Reason::kNoSubtitle},
      {"CR-only line ends run together", "1\r00:00:01,000 --> 00:00:04,000\rHello\r\r",
       FileResult::Reason::kNoSubtitle},
      {"binary",
       std::string("\x7F"
                   "ELF\0\0\0\x01\xFF\xFE\n\n\0",
                   13),
       FileResult::Reason::kNoSubtitle},
      {"a cue before zero with the offset", late + "2\n00:00:00,500 --> 00:00:01,000\nB\n",
       FileResult::Reason::kOffTimeline, back_a_second,
       "cue 2: before 00:00:00:00 with this offset"},
      {"a time that cannot be shifted", late + "2\n00:00:0x,500 --> 00:00:09,000\nB\n",
       FileResult::Reason::kOffTimeline, back_a_second,
       "cue 2: a time that does not read as a time cannot be shifted"},
      // Memory bounded by the limit, not by the file: a cue before it does not make it half done.
      {"a line past the limit",
       kCue + "\n2\n00:00:05,000 --> 00:00:06,000\n" + std::string(LineReader::kMaxLine + 1, 'a'),
       FileResult::Reason::kCueTooLong,
       {},
       "a line longer than 16 MiB"},
      {"a cue past the limit in lines under it",
       kCue + "\n2\n00:00:05,000 --> 00:00:06,000\n" + std::string(LineReader::kMaxLine / 4, 'a') +
           "\n" + std::string(LineReader::kMaxLine / 4, 'b') + "\n" +
           std::string(LineReader::kMaxLine / 4, 'c') + "\n" +
           std::string(LineReader::kMaxLine / 4, 'd') + "\n" + kCue,
       FileResult::Reason::kCueTooLong,
       {},
       "a cue longer than 16 MiB"},
  };
  for (const auto& c : cases) {
    MemoryFileSystem fs;
    fs.AddFile("/d/a.txt", c.input);
    FileResult result = ConvertFile(fs, "/d/a.txt", c.options);
    EXPECT_EQ(result.kind, FileResult::Kind::kSkipped) << c.name;
    EXPECT_EQ(result.reason, c.reason) << c.name;
    EXPECT_EQ(result.message, c.message) << c.name;
    EXPECT_EQ(fs.Contents("/d/a.txt"), c.input) << c.name;
    EXPECT_EQ(fs.Paths(), (std::vector<std::string>{"/d/", "/d/a.txt"})) << c.name;
  }
}

TEST(ConvertFileTest, WhatIsNotAnInputIsSkipped) {
  MemoryFileSystem fs;
  fs.AddDir("/d/dir.txt");
  fs.AddEntry("/d/fifo.txt", EntryKind::kOther);
  fs.AddEntry("/d/link.txt", EntryKind::kLink);
  EXPECT_EQ(ConvertFile(fs, "/d/missing.txt").reason, FileResult::Reason::kNoInput);
  EXPECT_EQ(ConvertFile(fs, "/d/dir.txt").reason, FileResult::Reason::kNotRegular);
  EXPECT_EQ(ConvertFile(fs, "/d/fifo.txt").reason, FileResult::Reason::kNotRegular);
  EXPECT_EQ(ConvertFile(fs, "/d/link.txt").reason, FileResult::Reason::kNotRegular);
  EXPECT_EQ(fs.Paths(),
            (std::vector<std::string>{"/d/", "/d/dir.txt/", "/d/fifo.txt", "/d/link.txt"}));
}

TEST(ConvertFileTest, DryRunConvertsButWritesNothing) {
  MemoryFileSystem fs;
  fs.AddFile("/d/a.txt", kSubRip);
  FileResult result = ConvertFile(fs, "/d/a.txt", {.dry_run = true});
  EXPECT_TRUE(result.done());
  EXPECT_EQ(result.cues, 2u);
  EXPECT_EQ(fs.Contents("/d/a.txt"), kSubRip);
  EXPECT_EQ(fs.Paths(), (std::vector<std::string>{"/d/", "/d/a.txt"}));
}

// Another program writes the input while it is being read: the converter's second look at it,
// after the one that checks its claim, sees another file.
class ChangingFileSystem : public MemoryFileSystem {
 public:
  Status Stat(const std::filesystem::path& path, FileInfo* info) override {
    if (path == "/d/a.txt" && ++looks_ == 2) AddFile("/d/a.txt", "rewritten", 99);
    return MemoryFileSystem::Stat(path, info);
  }

 private:
  int looks_ = 0;
};

TEST(ConvertFileTest, AnInputChangedWhileReadIsLeftAlone) {
  ChangingFileSystem fs;
  fs.AddFile("/d/a.txt", kSubRip);
  FileResult result = ConvertFile(fs, "/d/a.txt");
  EXPECT_EQ(result.reason, FileResult::Reason::kChanged);
  EXPECT_EQ(fs.Contents("/d/a.txt"), "rewritten");
  EXPECT_EQ(fs.Paths(), (std::vector<std::string>{"/d/", "/d/a.txt"}));
}

TEST(ConvertFileOnDiskTest, ConvertsARealFileAndKeepsItsTimeAsTheBackup) {
  testing::TempDir dir;
  std::filesystem::path input = dir.Write("Movie.TXT", kSubRip);
  auto old_time = std::filesystem::last_write_time(input) - std::chrono::hours(24);
  std::filesystem::last_write_time(input, old_time);

  FileResult result = ConvertFile(DefaultFileSystem(), input);
  ASSERT_TRUE(result.done()) << Describe(result.reason) << ": " << result.message;
  EXPECT_EQ(testing::ReadBytes(input), kConverted);
  std::filesystem::path backup = dir.path() / "Movie.TXT_original";
  EXPECT_EQ(testing::ReadBytes(backup), kSubRip);
  EXPECT_EQ(std::filesystem::last_write_time(backup), old_time);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "Movie.TXT_temp"));
}

}  // namespace
}  // namespace kestrane
