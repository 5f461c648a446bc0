#include "convert/frame_rate.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace kestrane {
namespace {

// Every accepted name in any letter case, the NTSC fractions as their drop-frame names, and
// nothing that merely looks like a rate.
TEST(FrameRateTest, ParsesTheAcceptedNamesOnly) {
  struct Case {
    const char* text;
    const char* name;  // nullptr: refused
    const char* described;
  } cases[] = {
      {"23.976", "23.976", "23.976 fps"},
      {"24", "24", "24 fps"},
      {"25", "25", "25 fps"},
      {"29.97", "29.97", "29.97 fps drop-frame"},
      {"29.97NDF", "29.97ndf", "29.97 fps non-drop"},
      {"30", "30", "30 fps"},
      {"50", "50", "50 fps"},
      {"59.94", "59.94", "59.94 fps drop-frame"},
      {"59.94Ndf", "59.94ndf", "59.94 fps non-drop"},
      {"60", "60", "60 fps"},
      {"24000/1001", "23.976", "23.976 fps"},
      {"30000/1001", "29.97", "29.97 fps drop-frame"},
      {"60000/1001", "59.94", "59.94 fps drop-frame"},
      {"", nullptr, ""},
      {"26", nullptr, ""},
      {"25fps", nullptr, ""},
      {" 25", nullptr, ""},
      {"25 ", nullptr, ""},
      {"25.0", nullptr, ""},
      {"23.98", nullptr, ""},
      {"29.97df", nullptr, ""},
      {"ndf", nullptr, ""},
      {"30000/1000", nullptr, ""},
      {"24000/1001ndf", nullptr, ""},
  };
  for (const Case& c : cases) {
    const std::optional<FrameRate> rate = FrameRate::Parse(c.text);
    if (c.name == nullptr) {
      EXPECT_FALSE(rate) << "'" << c.text << "' gave " << rate->name();
      continue;
    }
    ASSERT_TRUE(rate) << c.text;
    EXPECT_FALSE(rate->classic()) << c.text;
    EXPECT_EQ(rate->name(), c.name) << c.text;
    EXPECT_EQ(rate->Describe(), c.described) << c.text;
    // What the messages list names this rate both ways.
    std::string lower = c.text;
    for (char& ch : lower)
      ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    for (const std::string& named : {lower, std::string(c.name)})
      EXPECT_NE(FrameRate::AcceptedNames().find(named), std::string::npos) << named;
  }
  EXPECT_TRUE(FrameRate().classic());
  EXPECT_EQ(FrameRate().Describe(), "33 ms a frame");
}

}  // namespace
}  // namespace kestrane
