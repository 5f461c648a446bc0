#include "convert/frame_rate.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kestrane
