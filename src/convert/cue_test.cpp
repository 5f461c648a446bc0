#include "convert/cue.h"

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <string_view>

#include "convert/timeline_offset.h"

namespace kestrane {
namespace {

struct CueCase {
  const char* name;
  const char* block;
  const char* line;  // nullptr: no cue line
};

class ConvertCueTest : public ::testing::TestWithParam<CueCase> {};

TEST_P(ConvertCueTest, GivesTheCueLine) {
  const CueCase& c = GetParam();
  auto line = ConvertCue(c.block);
  if (c.line == nullptr) {
    EXPECT_FALSE(line.has_value()) << *line;
  } else {
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(*line, c.line);
  }
}

const CueCase kCues[] = {
    {"Example", "1 00:00:01,000 --> 00:00:04,000 Hello world\n",
     "1 00;00;01;00 00;00;04;00 Hello world \n"},
    {"FramesRoundAndCap", "7 00:01:02,517 --> 00:01:05,990 x\n", "7 00;01;02;16 00;01;05;29 x \n"},
    {"MillisecondsAtTheEdges", "2 00:00:00,016 --> 00:00:00,017 x\n",
     "2 00;00;00;00 00;00;00;01 x \n"},
    {"ThousandIsCapped", "2 00:00:00,941 --> 00:00:00,1000 x\n", "2 00;00;00;29 00;00;00;29 x \n"},
    {"KeepsTheInputForms", "1 1:2:3,000 --> 01:002:3,500 x\n", "1 1;2;3;00 01;002;3;15 x \n"},
    {"PerCentSignsStay", "3 00:00:01,000 --> 00:00:02,000 50% off %s %d\n",
     "3 00;00;01;00 00;00;02;00 50% off %s %d \n"},
    {"NoTextLines", "4 00:00:01,000 --> 00:00:04,000\n", "4 00;00;01;00 00;00;04;00 \n"},
    {"ExtraSpacesBetweenTokens", "  5   00:00:01,000   -->    00:00:04,000 a  b   c\n",
     "5 00;00;01;00 00;00;04;00 a  b   c \n"},
    {"SpacesAfterTheEndTimeStay", "5 00:00:01,000 --> 00:00:04,000   a\n",
     "5 00;00;01;00 00;00;04;00   a \n"},
    {"TextAfterTheEndTimeStartsTheText",
     "6 00:00:01,000 --> 00:00:04,000 X1:40 X2:600 Y1:20 Y2:50 Hi\n",
     "6 00;00;01;00 00;00;04;00 X1:40 X2:600 Y1:20 Y2:50 Hi \n"},
    {"DotBeforeMilliseconds", "8 00:00:01.500 --> 00:00:04.990 x\n",
     "8 00;00;01;15 00;00;04;29 x \n"},
    {"OnlyTheLastDotCounts", "8 00:00:01.5.500 --> 00:00:04,000 x\n",
     "8 00;00;01.5;15 00;00;04;00 x \n"},
    {"NoMilliseconds", "9 00:00:07 --> 00:00:08 x\n", "9 00;00;07;00 00;00;08;00 x \n"},
    {"NoMillisecondsNoText", "9 00:00:07 --> 00:00:08\n", "9 00;00;07;00 00;00;08;00 \n"},
    {"MillisecondsParseLikeAtoi", "1 00:00:01,+033xyz --> 00:00:02,-5 x\n",
     "1 00;00;01;01 00;00;02;00 x \n"},
    {"MillisecondsNotAllDigits", "1 00:00:01,9:9 --> 00:00:02,0/5 x\n",
     "1 00;00;01;00 00;00;02;00 x \n"},
    {"HugeMilliseconds", "1 00:00:01,99999999999999 --> 00:00:02,1 x\n",
     "1 00;00;01;29 00;00;02;00 x \n"},
    {"Utf8Text", "12 00:00:01,000 --> 00:00:02,000 Grüße, 世界 🙂\n",
     "12 00;00;01;00 00;00;02;00 Grüße, 世界 🙂 \n"},
    {"ByteOrderMarkStaysInTheIndex",
     "\xEF\xBB\xBF"
     "1 00:00:01,000 --> 00:00:02,000 x\n",
     "\xEF\xBB\xBF"
     "1 00;00;01;00 00;00;02;00 x \n"},
    {"ArrowIsNotChecked", "1 00:00:01,000 => 00:00:02,000 x\n", "1 00;00;01;00 00;00;02;00 x \n"},
    {"OnlyAnIndex", "1\n", nullptr},
    {"NoArrow", "1 00:00:01,000\n", nullptr},
    {"NoEndTime", "1 00:00:01,000 -->\n", nullptr},
    {"TimeWithoutSeconds", "1 00:01 --> 00:00:02,000 x\n", nullptr},
    {"EndTimeWithoutSeconds", "1 00:00:01,000 --> 00:02 x\n", nullptr},
    {"LineFeedIsNoSeconds", "1 00:00:01,000 --> 00:02:\n", nullptr},
    {"TextOnly", "Hello there world again\n", nullptr},
    {"Empty", "", nullptr},
    {"OnlySpaces", "    \n", nullptr},
};

INSTANTIATE_TEST_SUITE_P(Cues, ConvertCueTest, ::testing::ValuesIn(kCues),
                         [](const auto& info) { return std::string(info.param.name); });

// A chosen rate computes each time: the last frame of a second, half a frame (rounding down),
// the drop-frame minute edges, the clock running ahead of 23.976, and times that do not parse.
TEST(ConvertCueAtRateTest, ComputesTheTimecode) {
  struct Case {
    const char* rate;
    const char* block;
    const char* line;
  } cases[] = {
      {"25", "1 00:00:00,979 --> 00:00:00,980 x\n", "1 00;00;00;24 00;00;00;24 x \n"},
      {"25", "1 00:00:00,981 --> 00:00:00,021 x\n", "1 00;00;01;00 00;00;00;01 x \n"},
      {"25", "1 0:0:1,5 --> 00:00:02.25 x\n", "1 00;00;01;12 00;00;02;06 x \n"},
      {"25", "1 00:00:01,9999 --> 100:00:00,000 x\n", "1 00;00;02;00 100;00;00;00 x \n"},
      {"25", "1 00:90:07 --> 00:00:08\n", "1 01;30;07;00 00;00;08;00 \n"},
      {"25", "1 00:00:0x,500 --> -00:00:01,999 x\n", "1 00;00;0x;12 -00;00;01;24 x \n"},
      {"25", "1 00:00:01, --> 00:00:01,5a x\n", "1 00;00;01;00 00;00;01;00 x \n"},
      {"25", "1 9999999:00:00,000 --> 00:00:01.5.500 x\n", "1 9999999;00;00;00 00;00;01.5;12 x \n"},
      {"24", "1 00:00:00,979 --> 00:00:00,999 x\n", "1 00;00;00;23 00;00;01;00 x \n"},
      {"23.976", "1 00:00:01,000 --> 01:00:00,000 x\n", "1 00;00;01;00 00;59;56;10 x \n"},
      {"24000/1001", "1 00:00:00,000 --> 10:00:00,000 x\n", "1 00;00;00;00 09;59;24;01 x \n"},
      {"29.97", "1 00:01:00,026 --> 00:01:00,060 x\n", "1 00;00;59;29 00;01;00;02 x \n"},
      {"29.97", "1 00:10:00,000 --> 00:11:00,061 x\n", "1 00;10;00;00 00;11;00;02 x \n"},
      {"29.97", "1 01:00:00,000 --> 00:00:0x,999 x\n", "1 01;00;00;00 00;00;0x;29 x \n"},
      {"29.97ndf", "1 00:01:00,060 --> 01:00:00,000 x\n", "1 00;01;00;00 00;59;56;12 x \n"},
      {"30", "1 00:00:00,983 --> 00:00:00,984 x\n", "1 00;00;00;29 00;00;01;00 x \n"},
      {"30", "1 00:00:00,050 --> 00:00:00,051 x\n", "1 00;00;00;01 00;00;00;02 x \n"},
      {"50", "1 00:00:00,990 --> 00:00:00,991 x\n", "1 00;00;00;49 00;00;01;00 x \n"},
      {"59.94", "1 00:01:00,043 --> 00:01:00,060 x\n", "1 00;00;59;59 00;01;00;04 x \n"},
      {"59.94ndf", "1 01:00:00,000 --> 00:00:00,999 x\n", "1 00;59;56;24 00;00;01;00 x \n"},
      {"60", "1 00:00:00,991 --> 00:00:00,992 x\n", "1 00;00;00;59 00;00;01;00 x \n"},
  };
  for (const Case& c : cases) {
    const std::optional<FrameRate> rate = FrameRate::Parse(c.rate);
    ASSERT_TRUE(rate) << c.rate;
    EXPECT_EQ(ConvertCue(c.block, *rate), c.line) << c.rate << ": " << c.block;
  }
}

// The shortcut for a cue's usual first two lines starts the very line the block gives, with text
// after the times or none, at every rate; any other form is left to the block.
TEST(UsualCueStartTest, StartsTheLineTheBlockGives) {
  struct Case {
    const char* index;
    const char* times;
    bool usual;
  } cases[] = {
      {"1", "00:00:01,000 --> 00:00:04,000", true},
      {"\xEF\xBB\xBF"
       "12",
       "00:01:02,517 --> 00:01:05,990", true},
      {"7", "99:59:59,999 --> 00:00:00,000", true},
      {"x:y", "00:00:00,979 --> 00:00:00,980", true},
      {"1 2", "00:00:01,000 --> 00:00:04,000", false},
      {"", "00:00:01,000 --> 00:00:04,000", false},
      {"1", "00:00:01,000 --> 00:00:04,000 ", false},
      {"1", "00:00:01.000 --> 00:00:04,000", false},
      {"1", "00:00:01,000 -> 00:00:04,000", false},
      {"1", "00:00:01,000 --> 00:00:04,00x", false},
      {"1", "0:00:01,000 --> 00:00:04,000", false},
  };
  for (const char* name : {"", "25", "29.97", "59.94"}) {
    const FrameRate rate = *name == 0 ? FrameRate() : *FrameRate::Parse(name);
    for (const Case& c : cases) {
      const std::string what = std::string(name) + ": " + c.index + " / " + c.times;
      std::string start = "before ";
      ASSERT_EQ(AppendUsualCueStart(c.index, c.times, rate, &start), c.usual) << what;
      if (!c.usual) {
        EXPECT_EQ(start, "before ") << what;
        continue;
      }
      const std::string head = std::string(c.index) + " " + c.times;
      EXPECT_EQ(start + "x y \n", "before " + *ConvertCue(head + " x y\n", rate)) << what;
      EXPECT_EQ(start + "\n", "before " + *ConvertCue(head + "\n", rate)) << what;
    }
  }
}

TEST(ConvertCueLongTest, LongBlocksConvertInFull) {
  for (std::size_t length : {259u, 260u, 5000u, 1u << 20}) {
    std::string head = "1 00:00:01,000 --> 00:00:02,000 ";
    std::string text(length - head.size() - 1, 'a');
    auto line = ConvertCue(head + text + "\n");
    ASSERT_TRUE(line.has_value()) << "length " << length;
    EXPECT_EQ(*line, "1 00;00;01;00 00;00;02;00 " + text + " \n") << "length " << length;
  }
}

// An offset at each kind of rate: read as a label of that rate, added to every time with every
// field computed, carried over seconds, minutes, hours and the drop-frame minute; subtracted
// with '-'; a cue that it puts before zero, or whose time cannot be shifted, is no line.
TEST(ConvertCueWithOffsetTest, PlacesEveryTimeOnTheTimeline) {
  struct Case {
    const char* offset;
    const char* block;
    // The cue line, or "!invalid" (no offset at this rate), "!before zero", "!unreadable".
    const char* want;
  };
  const Case classic[] = {
      {"01:00:00:00", "1 00:00:01,517 --> 00:00:03,990 x\n", "1 01;00;01;16 01;00;03;29 x \n"},
      {"00;00;00;20", "1 00:00:01,517 --> 00:00:59,990 x\n", "1 00;00;02;06 00;01;00;19 x \n"},
      {"00:59:59:29", "1 00:00:00,033 --> 00:00:00,034 x\n", "1 01;00;00;00 01;00;00;00 x \n"},
      {"-10:00:00:00", "1 10:00:01,000 --> 10:00:02,500 x\n", "1 00;00;01;00 00;00;02;15 x \n"},
      {"00:00:00:00", "1 1:2:3,000 --> 100:00:00,000 x\n", "1 01;02;03;00 100;00;00;00 x \n"},
      {"-00:00:01:00", "12 00:00:00,500 --> 00:00:02,000 x\n", "!before zero"},
      {"-00:00:01:00", "12 00:00:02,000 --> 00:00:00,999 x\n", "!before zero"},
      {"01:00:00:00", "1 0x:00:01,000 --> 00:00:02,000 x\n", "!unreadable"},
      {"00:00:00:30", "", "!invalid"},
      {"01:00:60:00", "", "!invalid"},
      {"01:00:00", "", "!invalid"},
      {"+01:00:00:00", "", "!invalid"},
      {"1:00:00:0", "", "!invalid"},
      {"01:00:00:00 ", "", "!invalid"},
      {"ten hours", "", "!invalid"},
  };
  const Case non_drop[] = {
      {"01:00:00:00", "1 00:00:00,979 --> 00:00:59,990 x\n", "1 01;00;00;24 01;01;00;00 x \n"},
      {"-00:00:00:24", "1 00:00:00,979 --> 00:00:01,000 x\n", "1 00;00;00;00 00;00;00;01 x \n"},
      {"-00:00:01:00", "3 00:00:00,979 --> 00:00:01,000 x\n", "!before zero"},
      {"00:00:00:24", "1 00:00:00,000 --> 00:00:00,040 x\n", "1 00;00;00;24 00;00;01;00 x \n"},
      {"00:00:00:25", "", "!invalid"},
  };
  const Case ntsc_drop[] = {
      {"01:00:00;00", "1 00:00:00,000 --> 00:10:00,000 x\n", "1 01;00;00;00 01;10;00;00 x \n"},
      {"00:00:59;29", "1 00:00:00,034 --> 00:00:00,000 x\n", "1 00;01;00;02 00;00;59;29 x \n"},
      {"-01:00:00;00", "1 01:00:03,600 --> 01:00:03,600 x\n", "1 00;00;03;18 00;00;03;18 x \n"},
      {"-01:00:00;00", "1 00:59:59,000 --> 01:00:03,600 x\n", "!before zero"},
      {"00:10:00;00", "1 00:00:00,000 --> 00:00:00,000 x\n", "1 00;10;00;00 00;10;00;00 x \n"},
      {"00:01:00;00", "", "!invalid"},
      {"00:00:00;30", "", "!invalid"},
  };
  const Case fast_drop[] = {
      {"00:00:59;59", "1 00:00:00,017 --> 00:00:00,000 x\n", "1 00;01;00;04 00;00;59;59 x \n"},
      {"01:00:00;00", "1 00:00:00,000 --> 00:00:00,000 x\n", "1 01;00;00;00 01;00;00;00 x \n"},
      {"-00:00:00;01", "1 00:00:00,000 --> 00:00:01,000 x\n", "!before zero"},
      {"00:01:00;04", "1 00:00:00,000 --> 00:00:00,000 x\n", "1 00;01;00;04 00;01;00;04 x \n"},
      {"00:01:00;03", "", "!invalid"},
      {"00:00:00;60", "", "!invalid"},
  };
  struct Table {
    const char* rate;
    std::span<const Case> cases;
  } tables[] = {{"", classic}, {"25", non_drop}, {"29.97", ntsc_drop}, {"59.94", fast_drop}};
  for (const Table& table : tables) {
    const FrameRate rate = *table.rate == 0 ? FrameRate() : *FrameRate::Parse(table.rate);
    for (const Case& c : table.cases) {
      const std::string what = std::string(table.rate) + " " + c.offset + ": " + c.block;
      const std::optional<TimelineOffset> offset = TimelineOffset::Parse(c.offset, rate);
      ASSERT_EQ(offset.has_value(), std::string_view(c.want) != "!invalid") << what;
      if (!offset) continue;
      EXPECT_EQ(offset->text().find(';'), std::string::npos) << what;
      const ListMaking making(rate, offset->frames());
      std::string line = "kept";
      const CueLineResult result = AppendCueLine(c.block, making, &line);
      const std::string_view want = c.want;
      if (want == "!before zero" || want == "!unreadable") {
        EXPECT_EQ(result, want == "!before zero" ? CueLineResult::kBeforeZero
                                                 : CueLineResult::kUnreadableTime)
            << what;
        EXPECT_EQ(line, "kept") << what;
        continue;
      }
      EXPECT_EQ(line, "kept" + std::string(want)) << what;
      // The usual lines' shortcut places the cue alike, or leaves it to the block.
      std::string index(c.block, std::string_view(c.block).find(' '));
      std::string times(c.block + index.size() + 1, 29);
      std::string start;
      if (AppendUsualCueStart(index, times, making, &start)) {
        EXPECT_EQ(start + "x \n", want) << what;
      }
    }
  }
}

// Tags leave the text after the times, and only with strip_tags; the times never change.
TEST(ConvertCueWithoutTagsTest, StripsTheTextOnly) {
  const char* block = "<i>1</i> 00:00:01,000 --> 00:00:02,000 <i>Hi</i> {\\an8}there <b\n";
  EXPECT_EQ(ConvertCue(block, ListMaking({}, {}, true)),
            "<i>1</i> 00;00;01;00 00;00;02;00 Hi there <b \n");
  EXPECT_EQ(ConvertCue(block, ListMaking({}, {}, false)),
            "<i>1</i> 00;00;01;00 00;00;02;00 <i>Hi</i> {\\an8}there <b \n");
}

}  // namespace
}  // namespace kestrane
