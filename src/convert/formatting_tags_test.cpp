#include "convert/formatting_tags.h"

#include <gtest/gtest.h>

namespace kestrane {
namespace {

TEST(FormattingTagsTest, RemovesWholeTagsOnly) {
  struct Case {
    const char* name;
    const char* text;
    const char* stripped;
  } cases[] = {
      {"Plain", "Hello world", "Hello world"},
      {"Italic", "<i>Hello</i> world", "Hello world"},
      {"EachSimpleTag", "<b>a</b><u>b</u><s>c</s>", "abc"},
      {"AnyCase", "<I>a</I><B>b</b><S>c</s>", "abc"},
      {"Nested", "<i><b><u>Grüße</u></b></i>", "Grüße"},
      {"NotClosed", "<i>a</b> b</u>", "a b"},
      {"SpaceBeforeTheEnd", "<i >a</i\t>", "a"},
      {"Font", "<font>a</font>", "a"},
      {"FontQuoted", "<font color=\"#ff0000\" face='Arial'>a</font>", "a"},
      {"FontUnquoted", "<FONT COLOR=red SIZE=2>a</Font >", "a"},
      {"FontQuotedGreaterThan", "<font face=\"a>b\">c</font>", "c"},
      {"FontApostropheInValue", "<font face=Tom's>c</font>", "c"},
      {"Overrides", "{\\an8}{\\i1}a{\\i0} {\\pos(10,20)}b", "a b"},
      {"EachTagOnItsOwn", "<<i>>", "<>"},
      {"Comparisons", "a < b > c", "a < b > c"},
      {"Heart", "I <3 you", "I <3 you"},
      {"OtherTags", "<html><br><bold><is></html>", "<html><br><bold><is></html>"},
      {"OpenAtTheEnd", "a <i", "a <i"},
      {"AttributeAfterASimpleTag", "<i class=x>a", "<i class=x>a"},
      {"FontNotClosed", "<font color=red a", "<font color=red a"},
      {"FontQuoteNotClosed", "<font face=\"a>b", "<font face=\"a>b"},
      {"LessThanInsideFont", "<font a=<i>>b", "<font a=>b"},
      {"Braces", "{note} {} {\\an8", "{note} {} {\\an8"},
      {"BackslashOutsideBraces", "a\\an8}b", "a\\an8}b"},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    const bool changed = StripFormattingTags(&text);
    EXPECT_EQ(text, c.stripped) << c.name;
    EXPECT_EQ(changed, text != c.text) << c.name;
  }
}

}  // namespace
}  // namespace kestrane
