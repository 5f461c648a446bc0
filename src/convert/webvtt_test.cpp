#include "convert/webvtt.h"

#include <gtest/gtest.h>

#include <vector>

#include "convert/cue.h"

namespace kestrane {
namespace {

// The blocks a reader gives for `text`, fed as the line reader hands a file out: cut at each line
// feed, a line feed at the very end giving no further line. Each block must be one the converter
// takes.
std::string Blocks(std::string_view text) {
  WebVttReader reader;
  std::string blocks;
  const WebVttReader::BlockSink sink = [&](std::string_view block) {
    std::string line;
    EXPECT_EQ(AppendCueLine(block, FrameRate(), &line), CueLineResult::kWritten) << block;
    blocks.append(block);
  };
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    reader.ReadLine(text.substr(0, end), sink);
    text.remove_prefix(end == text.npos ? text.size() : end + 1);
  }
  reader.Finish(sink);
  return blocks;
}

struct VttCase {
  const char* name;
  const char* vtt;
  const char* blocks;
};

class WebVttTest : public ::testing::TestWithParam<VttCase> {};

TEST_P(WebVttTest, GivesTheCueBlocks) {
  EXPECT_EQ(Blocks(GetParam().vtt), GetParam().blocks);
}

std::string CaseName(const ::testing::TestParamInfo<VttCase>& info) {
  return info.param.name;
}

// A header, a cue's timing line, and the block of a cue of those times.
#define HEAD "WEBVTT\n\n"
#define TIMES "00:01.000 --> 00:02.000\n"
#define BLOCK "1 00:00:01,000 --> 00:00:02,000"

const VttCase kCases[] = {
    // The signature and the header.
    {"SignatureAlone", HEAD TIMES "Hello world\n", BLOCK " Hello world\n"},
    {"TextAfterSignature", "WEBVTT - Tears of Steel\n\n" TIMES "x\n", BLOCK " x\n"},
    {"TabAfterSignature", "WEBVTT\tx --> y\n\n" TIMES "x\n", BLOCK " x\n"},
    {"HeaderLines",
     "WEBVTT\nKind: captions\nX-TIMESTAMP-MAP=MPEGTS:900000,LOCAL:00:00:00.000\n\n" TIMES "x\n",
     BLOCK " x\n"},
    {"ByteOrderMark", "\xEF\xBB\xBFWEBVTT\n\n" TIMES "x\n", BLOCK " x\n"},
    {"HeaderEndsAtATimingLine", "WEBVTT\nKind: captions\n" TIMES "x\n", BLOCK " x\n"},
    // Files that only look like WebVTT.
    {"SignatureRunsOn", "WEBVTTX\n\n" TIMES "x\n", ""},
    {"SignatureInLowerCase", "webvtt\n\n" TIMES "x\n", ""},
    {"BlankLineBeforeSignature", "\nWEBVTT\n\n" TIMES "x\n", ""},
    {"SubRip", "1\n00:00:01,000 --> 00:00:02,000\nx\n", ""},
    // Blocks that are no cue, and identifiers.
    {"NotesBetweenCues",
     HEAD "NOTE one line\n\n" TIMES "a\n\nNOTE\nmore\nlines\n\n00:03.000 --> 00:04.000\nb\n",
     BLOCK " a\n2 00:00:03,000 --> 00:00:04,000 b\n"},
    {"StyleAndRegion", HEAD "STYLE\n::cue { color: red }\n\nREGION\nid:r width:40%\n\n" TIMES "x\n",
     BLOCK " x\n"},
    {"IdentifiersAreNoIndex", HEAD "9\n" TIMES "a\n\n\n\nintro, take two\n" TIMES "b\n",
     BLOCK " a\n2 00:00:01,000 --> 00:00:02,000 b\n"},
    // Times and settings.
    {"ShortTimes", HEAD "01:02.003 --> 59:59.999\nx\n", "1 00:01:02,003 --> 00:59:59,999 x\n"},
    {"LongTimes", HEAD "1:02:03.004 --> 123:00:00.000\nx\n",
     "1 01:02:03,004 --> 123:00:00,000 x\n"},
    {"TwoDigitHoursPast59", HEAD "75:00:00.000 --> 075:00:00.500\nx\n",
     "1 75:00:00,000 --> 75:00:00,500 x\n"},
    {"Settings", HEAD "00:01.000 --> 00:02.000 align:start position:0% line:90%\nx\n",
     BLOCK " x\n"},
    {"NoSpacesAroundTheArrow", HEAD "00:01.000-->00:02.000\nx\n", BLOCK " x\n"},
    {"BadTimingDropsTheCueOnly",
     HEAD "00:01.000 --> 00:02.00\nlost\n\n"   // a digit short
          "00:01,000 --> 00:02,000\nlost\n\n"  // SubRip's comma
          "00:60.000 --> 00:61.000\nlost\n\n"
          "00:60:00.000 --> 01:00:00.000\nlost\n\n"
          "60:00.000 --> 61:00.000\nlost\n\n"
          "0:1:02.000 --> 0:01:03.000\nlost\n\n"
          ":01:02.000 --> 0:01:03.000\nlost\n\n" TIMES "kept\n",
     BLOCK " kept\n"},
    {"UpToTheLongestTime",
     HEAD "1000000:00:00.000 --> 1000000:00:00.000\nx\n\n0:00:00.000 --> 1000000:00:00.001\nlost\n",
     "1 1000000:00:00,000 --> 1000000:00:00,000 x\n"},
    // The cue's text.
    {"LinesJoinedBySpaces", HEAD TIMES "Hello\n  world  \nagain\n",
     BLOCK " Hello   world   again\n"},
    {"NoText", HEAD TIMES "\n00:03.000 --> 00:04.000\nx\n",
     BLOCK "\n2 00:00:03,000 --> 00:00:04,000 x\n"},
    {"TimingLinesEndCues", HEAD TIMES "00:03.000 --> 00:04.000\nb\n00:05.000 --> 00:06.000\nc\n",
     BLOCK "\n2 00:00:03,000 --> 00:00:04,000 b\n3 00:00:05,000 --> 00:00:06,000 c\n"},
    {"ArrowInTextEndsTheCue", HEAD TIMES "a\nb --> c\nlost\n\n" TIMES "d\n",
     BLOCK " a\n2 00:00:01,000 --> 00:00:02,000 d\n"},
    {"LoneCarriageReturns", "WEBVTT\r\r00:01.000 --> 00:02.000\ra\rb\r\r" TIMES "c\r",
     BLOCK " a b\n2 00:00:01,000 --> 00:00:02,000 c\n"},
    {"Tags",
     HEAD TIMES "<v Roger Bingham>We</v> <v.loud Esme>are</v> <c.yellow.bg_blue>in</c> <i>New</i> "
                "<b>York</b> <u>City</u> <lang en-GB>colour</lang> <ruby>漢<rt>kan</rt></ruby>\n",
     BLOCK " We are in New York City colour 漢kan\n"},
    {"InlineTimestamps", HEAD TIMES "one<00:00:01.000> two<00:01.500><c> three</c>\n",
     BLOCK " one two three\n"},
    {"EveryCompleteTagGoes", HEAD TIMES "<html>a</html> <b\nc>d</\ne> x > y\n",
     BLOCK " a d x > y\n"},
    {"LessThanWithoutATag", HEAD TIMES "a < b\nI <3 you\n", BLOCK " a < b I <3 you\n"},
    {"LinesEmptyWithoutTags", HEAD TIMES "<c></c>\n \t\n<00:01.000>\ntext\n<i> </i>\n",
     BLOCK " text\n"},
    {"References", HEAD TIMES "&amp; &lt;i&gt; &nbsp;&lrm;&rlm; &#38;&#x26;&#X3c; &#128512;\n",
     BLOCK " & <i> \u00A0\u200E\u200F &&< \U0001F600\n"},
    {"ReferencesThatStay", HEAD TIMES "AT&T &copy; &amp &#38 &#; &#x; &AMP; &\n",
     BLOCK " AT&T &copy; &amp &#38 &#; &#x; &AMP; &\n"},
    {"ReferencesToNoCharacter", HEAD TIMES "&#0;&#xD800;&#x110000;&#99999999999;\n",
     BLOCK " \uFFFD\uFFFD\uFFFD\uFFFD\n"},
    {"ReferencedLineFeedBreaksTheLine", HEAD TIMES "a&#10;&#13;b&#x0A;\n", BLOCK " a b\n"},
};

#undef HEAD
#undef TIMES
#undef BLOCK

INSTANTIATE_TEST_SUITE_P(Cases, WebVttTest, ::testing::ValuesIn(kCases), CaseName);

// Files as the tools that make most of them write them.
const VttCase kFiles[] = {
    // Automatic captions: each cue shows the line before again with the words of the new one,
    // timed word by word, and a 10 ms cue between holds the finished line.
    {"RollingCaptions",
     "WEBVTT\nKind: captions\nLanguage: en\n\n"
     "00:00:00.160 --> 00:00:02.869 align:start position:0%\n \n"
     "hi<00:00:00.480><c> everyone</c><00:00:00.840><c> welcome</c>\n\n"
     "00:00:02.869 --> 00:00:02.879 align:start position:0%\nhi everyone welcome\n \n\n"
     "00:00:02.879 --> 00:00:05.230 align:start position:0%\nhi everyone welcome\n"
     "to<00:00:03.120><c> the</c><00:00:03.280><c> channel</c>\n",
     "1 00:00:00,160 --> 00:00:02,869 hi everyone welcome\n"
     "2 00:00:02,869 --> 00:00:02,879 hi everyone welcome\n"
     "3 00:00:02,879 --> 00:00:05,230 hi everyone welcome to the channel\n"},
    // Speakers, numbered cues and a note, as transcription services write them.
    {"SpeakerVoices",
     "WEBVTT\n\nNOTE transcribed automatically\n\n"
     "1\n00:00:00.000 --> 00:00:03.250\n<v Speaker 1>So where do we start?</v>\n\n"
     "2\n00:00:03.250 --> 00:00:07.000\n<v Speaker 2>With the &quot;basics&quot;,\n"
     "I'd say &amp; then the rest.</v>\n",
     "1 00:00:00,000 --> 00:00:03,250 So where do we start?\n"
     "2 00:00:03,250 --> 00:00:07,000 With the &quot;basics&quot;, I'd say & then the rest.\n"},
    // A streaming segment: a byte-order mark, CR LF, the map of its time to the stream's, styles.
    {"StreamSegment",
     "\xEF\xBB\xBFWEBVTT\r\nX-TIMESTAMP-MAP=LOCAL:00:00:00.000,MPEGTS:126000\r\n\r\n"
     "STYLE\r\n::cue(.red) { color: red }\r\n\r\n"
     "cue-1\r\n01:00:10.000 --> 01:00:12.500 line:85% align:center\r\n"
     "<c.red>Stop!</c>\r\n\r\n"
     "cue-2\r\n01:00:13.000 --> 01:00:15.000\r\n- Why?\r\n- Because.\r\n\r\n",
     "1 01:00:10,000 --> 01:00:12,500 Stop!\n2 01:00:13,000 --> 01:00:15,000 - Why? - Because.\n"},
};

INSTANTIATE_TEST_SUITE_P(Files, WebVttTest, ::testing::ValuesIn(kFiles), CaseName);

// A cue is handed out once the line that ends its block is read, not kept to the end; a file is
// rejected once its first line is read.
TEST(WebVttReaderTest, HandsOutEachCueWhenItsBlockEnds) {
  struct Step {
    const char* line;
    int blocks;  // handed out so far, once the line is read
  };
  const Step steps[] = {
      {"WEBVTT", 0},  {"", 0}, {"00:01.000 --> 00:02.000", 0}, {"a", 0},
      {"", 1},        {"", 1}, {"00:03.000 --> 00:04.000", 1}, {"b", 1},
      {"c --> d", 2}, {"", 2}, {"00:05.000 --> 00:06.000", 2}, {"e", 2},
      {"f\r\r", 3},
  };
  WebVttReader reader;
  int blocks = 0;
  const WebVttReader::BlockSink sink = [&](std::string_view) { ++blocks; };
  for (const Step& step : steps) {
    reader.ReadLine(step.line, sink);
    EXPECT_EQ(blocks, step.blocks) << "after '" << step.line << "'";
    EXPECT_FALSE(reader.rejected());
  }
  reader.Finish(sink);
  EXPECT_EQ(blocks, 3);

  WebVttReader other;
  other.ReadLine("WEBVTT-1", sink);
  EXPECT_TRUE(other.rejected());
}

}  // namespace
}  // namespace kestrane
