// Arbitrary blocks through the cue conversion: no crash, and every cue line well-formed.
#include <cstdint>
#include <string>

#include "convert/cue.h"
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string block(reinterpret_cast<const char*>(data), size);
  if (auto line = kestrane::ConvertCue(block)) kestrane::fuzz::CheckCueLine(*line, "\n");
  // Blocks as the file conversion builds them always end with a line feed.
  block.push_back('\n');
  if (auto line = kestrane::ConvertCue(block)) kestrane::fuzz::CheckCueLine(*line, "\n");
  // The computed timecodes, drop-frame at the highest rate: the same cues, as well formed.
  static const kestrane::FrameRate rate = *kestrane::FrameRate::Parse("59.94");
  auto line = kestrane::ConvertCue(block, rate);
  kestrane::fuzz::Check(line.has_value() == kestrane::ConvertCue(block).has_value());
  if (line) kestrane::fuzz::CheckCueLine(*line, "\n", '5');

  if (size >= 4) {
    std::int32_t ms;
    __builtin_memcpy(&ms, data, 4);
    int frame = kestrane::MsToFrame(ms);
    kestrane::fuzz::Check(frame >= 0 && frame <= 30);
    if (ms >= 0 && ms <= 978) kestrane::fuzz::Check(frame == std::min(29, (ms + 16) / 33));
  }
  return 0;
}
