// Real sentences in many languages, each in a legacy code page that files of that language are
// written in, with the UTF-8 text that Windows decodes them to. Shared by the tests of decoding,
// detection and conversion.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"

namespace kestrane::testing {

struct LegacySentence {
  std::string_view legacy;
  std::string_view utf8;
};

struct LegacySample {
  std::string_view language;
  CodePage code_page;  // the one the sentences are written in
  std::vector<LegacySentence> sentences;
};

const std::vector<LegacySample>& LegacySamples();

// Whether the sample's script is Latin, where detection only counts against another script.
bool IsLatin(const LegacySample& sample);

// A SubRip file of the given cue texts, one cue each, with CR LF line ends.
std::string SubRip(const std::vector<std::string_view>& texts);

// The cue lines that converting SubRip(texts) gives, read as `utf8`.
std::string CueLines(const std::vector<std::string_view>& utf8);

}  // namespace kestrane::testing
