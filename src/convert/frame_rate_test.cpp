#include "convert/frame_rate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

namespace kestrane {
namespace {

// Every accepted name in any letter case, the NTSC fractions as their drop-frame names, and
// nothing that merely looks like a rate.
TEST(FrameRateTest, ParsesTheAcceptedNamesOnly) {
  struct Case {
    const char* text;
    const char* name;  // nullptr: refused
  } cases[] = {
      {"23.976", "23.976"},
      {"24", "24"},
      {"25", "25"},
      {"29.97", "29.97"},
      {"29.97NDF", "29.97ndf"},
      {"30", "30"},
      {"50", "50"},
      {"59.94", "59.94"},
      {"59.94Ndf", "59.94ndf"},
      {"60", "60"},
      {"24000/1001", "23.976"},
      {"30000/1001", "29.97"},
      {"60000/1001", "59.94"},
      {"", nullptr},
      {"26", nullptr},
      {"25fps", nullptr},
      {" 25", nullptr},
      {"25.0", nullptr},
      {"23.98", nullptr},
      {"29.97df", nullptr},
      {"30000/1000", nullptr},
      {"24000/1001ndf", nullptr},
  };
  for (const Case& c : cases) {
    const std::optional<FrameRate> rate = FrameRate::Parse(c.text);
    ASSERT_EQ(rate.has_value(), c.name != nullptr) << "'" << c.text << "'";
    if (!rate) continue;
    EXPECT_EQ(rate->name(), c.name) << c.text;
    EXPECT_FALSE(rate->classic()) << c.text;
  }
}

TEST(MsToFrameTest, MatchesTheTableForEveryMillisecondOfASecond) {
  for (int ms = 0; ms <= 1000; ++ms) {
    // The nearest 33 ms step, a midpoint going down; the last frame runs from 957 to 1000, so
    // only 979 and above round up to 30.
    int expected = ms >= 979 ? 30 : std::min(29, (ms + 16) / 33);
    EXPECT_EQ(MsToFrame(ms), expected) << "ms " << ms;
  }
}

TEST(MsToFrameTest, Boundaries) {
  struct Case {
    int ms, frame;
  } cases[] = {
      {0, 0},     {16, 0},   {17, 1},      {33, 1},    {49, 1},          {50, 2},
      {940, 28},  {941, 29}, {957, 29},    {978, 29},  {979, 30},        {999, 30},
      {1000, 30}, {-1, 0},   {-100000, 0}, {1001, 30}, {2147483647, 30}, {-2147483647 - 1, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MsToFrame(c.ms), c.frame) << "ms " << c.ms;
}

// The frame of each millisecond of a second at every rate: the classic frame's is MsToFrame's
// but for the 30 from 979 ms on, a chosen rate's the nearest at its exact length (23.976 is not
// 24), a half rounding down, at most the second's last.
TEST(FrameRateTest, FrameInSecondIsTheNearestAtEveryRate) {
  struct Case {
    const char* rate;  // "": the classic frame
    int num, den, last;
  } cases[] = {
      {"", 0, 0, 29},
      {"23.976", 24000, 1001, 23},
      {"24", 24, 1, 23},
      {"25", 25, 1, 24},
      {"29.97", 30000, 1001, 29},
      {"29.97ndf", 30000, 1001, 29},
      {"30", 30, 1, 29},
      {"50", 50, 1, 49},
      {"59.94", 60000, 1001, 59},
      {"59.94ndf", 60000, 1001, 59},
      {"60", 60, 1, 59},
  };
  for (const Case& c : cases) {
    const FrameRate rate = *c.rate == 0 ? FrameRate() : *FrameRate::Parse(c.rate);
    for (int ms = 0; ms <= 1000; ++ms) {
      int frame = std::min(MsToFrame(ms), c.last);
      if (*c.rate != 0) {
        // The first frame whose midpoint with the next is not before the time.
        for (frame = 0; frame < c.last && 2 * ms * c.num > (2 * frame + 1) * 1000 * c.den;)
          ++frame;
      }
      const std::string want = {static_cast<char>('0' + frame / 10),
                                static_cast<char>('0' + frame % 10)};
      char digits[2];
      ASSERT_EQ(rate.PutFrameInSecond(ms, digits), digits + 2) << c.rate << " ms " << ms;
      EXPECT_EQ(std::string(digits, 2), want) << "rate '" << c.rate << "' ms " << ms;
    }
  }
}

// Drop-frame skips exactly the first frame numbers of each minute but every tenth: counted back
// on the nominal base, each frame is the one before plus one, or plus the dropped numbers and
// one where a minute starts.
TEST(FrameCounterTest, DropFrameSkipsOnlyTheDroppedNumbers) {
  struct Case {
    const char* rate;
    int nominal, dropped;
  } cases[] = {{"29.97", 30, 2}, {"59.94", 60, 4}};
  for (const Case& c : cases) {
    const FrameRate rate = *FrameRate::Parse(c.rate);
    const FrameCounter& counter = *rate.counter();
    std::int64_t previous = -1;
    for (std::int64_t frame = 0; frame < std::int64_t{c.nominal} * 60 * 21; ++frame) {
      std::string timecode;
      counter.AppendTimecode(frame, &timecode);
      int h, m, s, f;
      ASSERT_EQ(std::sscanf(timecode.c_str(), "%d;%d;%d;%d", &h, &m, &s, &f), 4) << timecode;
      const std::int64_t count = ((h * 60LL + m) * 60 + s) * c.nominal + f;
      const bool minute_start = s == 0 && f == c.dropped && m % 10 != 0;
      ASSERT_EQ(count, previous + (minute_start ? c.dropped + 1 : 1))
          << c.rate << " frame " << frame << " is " << timecode;
      previous = count;
    }
  }
}

}  // namespace
}  // namespace kestrane
