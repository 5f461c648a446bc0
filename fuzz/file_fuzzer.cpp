// Arbitrary bytes as an input file, converted in memory: either a well-formed timecode list
// with the input kept byte for byte as the backup, or the input left alone and nothing else;
// the same list whether the file is read whole or line by line; and the proof that a file is the
// input's conversion agrees with the converter: its list is proven whole, and that list cut and
// holding zeros a prefix, whichever way either file is read.
#include <cstdint>
#include <string>
#include <string_view>

#include "convert/conversion_proof.h"
#include "convert/convert_file.h"
#include "fuzz_checks.h"
#include "platform/text.h"
#include "testing/memory_file_system.h"

namespace {

struct Conversion {
  bool ok = false;
  std::string text;
  std::size_t cues = 0;
  std::string code_page;
  bool operator==(const Conversion&) const = default;
};

// What the converter makes of `input`, read whole at once or a byte at a time: the reader then
// never holds it whole and goes line by line.
Conversion Convert(const std::string& input, bool bytewise, const kestrane::FrameRate& rate) {
  kestrane::testing::MemoryFileSystem fs;
  kestrane::testing::StringFile file(input, {}, bytewise ? 1 : SIZE_MAX);
  Conversion c;
  kestrane::WorkFile work(fs, [&c](std::string_view piece) {
    c.text += piece;
    return kestrane::Status::Ok();
  });
  const kestrane::ConversionOutcome outcome =
      kestrane::SubtitleConverter({.rate = rate})(file, work);
  c.ok = outcome.status.ok();
  c.cues = outcome.cues;
  c.code_page = outcome.code_page;
  return c;
}

// Whether `candidate` is proven the conversion of `input` in `mode`, both read in pieces of
// `piece` bytes.
bool Proven(const std::string& candidate, const std::string& input, kestrane::ProofMode mode,
            std::size_t piece) {
  kestrane::testing::StringFile list(candidate, {}, piece), original(input, {}, piece);
  bool proven = false;
  kestrane::fuzz::Check(kestrane::ProveConversion(list, original, {}, mode, &proven).ok());
  return proven;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using kestrane::fuzz::Check;
  std::string input(reinterpret_cast<const char*>(data), size);
  // Both ways of reading give the same list, at the classic frame and at a computed rate.
  static const kestrane::FrameRate kRates[] = {{}, *kestrane::FrameRate::Parse("25")};
  for (const kestrane::FrameRate& rate : kRates) {
    const Conversion whole = Convert(input, false, rate);
    Check(whole == Convert(input, true, rate));
    if (whole.cues == 0) continue;
    // A cut where the input's size says, and a power cut's zeros in its last third.
    const std::size_t cut = size % (whole.text.size() + 1);
    std::string prefix = whole.text.substr(0, cut);
    prefix.replace(cut * 2 / 3, cut / 6, cut / 6, '\0');
    for (std::size_t piece : {SIZE_MAX, std::size_t{1}}) {
      Check(Proven(whole.text, input, kestrane::ProofMode::kWhole, piece));
      Check(Proven(prefix, input, kestrane::ProofMode::kPrefix, piece));
    }
  }

  kestrane::testing::MemoryFileSystem fs;
  fs.AddFile("/d/a.txt", input);
  kestrane::FileResult result = kestrane::ConvertFile(fs, "/d/a.txt");

  if (!result.done()) {
    Check(result.reason == kestrane::FileResult::Reason::kNoSubtitle);
    Check(fs.Contents("/d/a.txt") == input);
    Check(fs.Paths().size() == 2);
    return 0;
  }
  Check(fs.Contents("/d/a.txt_original") == input);
  Check(fs.Paths().size() == 3);  // the folder, the list and the backup: no work file
  std::string output = *fs.Contents("/d/a.txt");
  Check(output.starts_with(kestrane::kUtf8Mark));
  std::string_view rest = std::string_view(output).substr(kestrane::kUtf8Mark.size());
  std::size_t lines = 0;
  while (!rest.empty()) {
    std::size_t end = rest.find("\r\n");
    Check(end != std::string_view::npos);
    kestrane::fuzz::CheckCueLine(rest.substr(0, end + 2), "\r\n");
    rest.remove_prefix(end + 2);
    ++lines;
  }
  Check(lines == result.cues && lines > 0);
  return 0;
}
