#include "cli/shown_name.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "cli/json_object.h"

namespace kestrane {
namespace {

// Every kind of character a name can carry, with how people see it and how JSON carries it.
struct Case {
  std::string name;
  std::string shown;  // with Backslash::kEscape
  std::string json;   // the "path" field's value as written
};
const Case kCases[] = {
    {"\x1b[31mred\x1b[0m", "\\e[31mred\\e[0m", "\\u001b[31mred\\u001b[0m"},
    {"a\nb\tc\rd", "a\\nb\\tc\\rd", "a\\u000ab\\u0009c\\u000dd"},
    {std::string("nul\0bel\x07", 8), "nul\\x00bel\\x07", "nul\\u0000bel\\u0007"},
    {"del\x7f", "del\\x7f", "del\\u007f"},
    {"c1\xc2\x80\xc2\x9b\xc2\x9f", "c1\\u0080\\u009b\\u009f", "c1\\u0080\\u009b\\u009f"},
    {"rlo\xe2\x80\xae"
     "cod.exe",
     "rlo\\u202ecod.exe", "rlo\\u202ecod.exe"},
    {"isolates\xe2\x81\xa6\xe2\x81\xa9 marks\xe2\x80\x8f\xd8\x9c",
     "isolates\\u2066\\u2069 marks\\u200f\\u061c", "isolates\\u2066\\u2069 marks\\u200f\\u061c"},
    {"line\xe2\x80\xa8sep", "line\\u2028sep", "line\\u2028sep"},
    {"back\\slash \"q\"", "back\\\\slash \"q\"", "back\\\\slash \\\"q\\\""},
    {"Ünïcødé 字幕 🎬 ‹›", "Ünïcødé 字幕 🎬 ‹›",
     // Past U+FFFF as a surrogate pair, so that every line is ASCII.
     "\\u00dcn\\u00efc\\u00f8d\\u00e9 \\u5b57\\u5e55 \\ud83c\\udfac \\u2039\\u203a"},
    // The last character of one escape, and the first and last that take a pair.
    {"\xef\xbf\xbf\xf0\x90\x80\x80\xf4\x8f\xbf\xbf", "\xef\xbf\xbf\xf0\x90\x80\x80\xf4\x8f\xbf\xbf",
     "\\uffff\\ud800\\udc00\\udbff\\udfff"},
    // Not UTF-8: a stray byte, a sequence cut short, an overlong '/', past U+10FFFF.
    {"bad\xff", "bad\\xff", "bad\\ufffd"},
    {"cut\xe5\xad", "cut\\xe5\\xad", "cut\\ufffd\\ufffd"},
    {"over\xc0\xaf", "over\\xc0\\xaf", "over\\ufffd\\ufffd"},
    {"far\xf4\x90\x80\x80", "far\\xf4\\x90\\x80\\x80", "far\\ufffd\\ufffd\\ufffd\\ufffd"},
    // A byte that leads no sequence at all, before what would decode as U+10FFFF.
    {"fc\xfc\x8f\xbf\xbf", "fc\\xfc\\x8f\\xbf\\xbf", "fc\\ufffd\\ufffd\\ufffd\\ufffd"},
    // An unpaired surrogate, as a Windows name carries it in WTF-8.
    {"lone\xed\xa0\x80", "lone\\ud800", "lone\\ufffd"},
};

TEST(ShownNameTest, EscapesWhatATerminalWouldObeyAndNothingElse) {
  std::set<std::string> seen;
  for (const Case& c : kCases) {
    const std::string shown = ShownText(c.name, Backslash::kEscape);
    EXPECT_EQ(shown, c.shown) << c.shown;
    EXPECT_TRUE(seen.insert(shown).second) << c.shown << " shown like another name";
    for (unsigned char byte : shown)
      EXPECT_TRUE(byte >= 0x20 && byte != 0x7F) << c.shown;
  }
  // Where a backslash can only be a separator it stays one; the escapes stay as they are.
  EXPECT_EQ(ShownText("C:\\Subs\\\x1b.txt", Backslash::kKeep), "C:\\Subs\\\\e.txt");
}

TEST(ShownNameTest, JsonCarriesEveryNameLosslessly) {
  for (const Case& c : kCases) {
    std::string expected = "{\"path\": \"" + c.json + "\"";
    // Where the text had to be mended, the bytes follow.
    if (c.json.find("\\ufffd") != std::string::npos) {
      static constexpr char kHex[] = "0123456789abcdef";
      expected += ", \"path_bytes\": \"";
      for (unsigned char byte : c.name)
        expected += {kHex[byte >> 4], kHex[byte & 0xF]};
      expected += "\"";
    }
    expected += ", \"n\": 1}";
    EXPECT_EQ(JsonObject().Name("path", c.name).Number("n", 1).ToString(), expected) << c.shown;
    // A message is mended alike, with no bytes beside it.
    EXPECT_EQ(JsonObject().Text("m", c.name).ToString(), "{\"m\": \"" + c.json + "\"}") << c.shown;
  }
}

}  // namespace
}  // namespace kestrane
