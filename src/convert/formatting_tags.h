// The formatting markup that subtitle files carry and that importers show as it is written.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrane {

// Whether `text` may hold a tag StripFormattingTags removes: without a '<' or a '{' it changes
// nothing.
bool MayHoldFormattingTags(std::string_view text);

// Removes from one cue's text, in place, its formatting tags: <i>, <b>, <u>, <s> and <font ...>
// (attributes quoted or not) and the closing tag of each (</i>, </font>...), in any letter case
// and with white space allowed before the '>'; and {\...} override blocks ({\an8}, {\i1},
// {\pos(10,20)}). Each whole tag goes on its own, whether or not its pair is there: any other
// '<', '>' or '{' stays as text ("a < b", "<3", "<html>", "{note}", an "<i" that the text ends
// in). Returns whether anything was removed. Text without '<' and '{' is scanned once and left as
// it is.
bool StripFormattingTags(std::string* text);

// The same for the part of *text from `from` on; what comes before stays.
bool StripFormattingTags(std::string* text, std::size_t from);

}  // namespace kestrane
