// What the proof takes for a conversion, the prefix mode's cuts and zeros above all: which lists
// each rate makes is the undo's table (restore_in_place_test.cpp).
#include "convert/conversion_proof.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "convert/convert_file.h"
#include "testing/memory_file_system.h"

namespace kestrane {
namespace {

using testing::MemoryFileSystem;
using testing::StringFile;

std::string ConversionOf(const std::string& original, const ConvertOptions& options = {}) {
  MemoryFileSystem fs;
  fs.AddFile("/c.txt", original);
  ConvertFile(fs, "/c.txt", options);
  return fs.Contents("/c.txt").value_or("");
}

// `text` with `count` bytes from `at` made `byte`: by default lost, as a power cut loses an
// append.
std::string Zeroed(std::string text, std::size_t at, std::size_t count, char byte = '\0') {
  for (std::size_t i = at; i < at + count; ++i)
    text.at(i) = byte;
  return text;
}

TEST(ConversionProofTest, APrefixMayBeCutAnywhereAndHoldZerosButNothingElse) {
  // Hours of one digit: the classic frame copies them, a rate writes two, so under zeros the
  // classic frame's first line and a rate's end at different places.
  const std::string original =
      "1\r\n0:00:01,000 --> 0:00:02,000\r\nA\r\n\r\n2\r\n0:00:03,000 --> 0:00:04,500\r\nB\r\n";
  const std::string classic = ConversionOf(original);
  const std::string at25 = ConversionOf(original, {.rate = *FrameRate::Parse("25")});
  const std::size_t first_line = at25.find('\n') + 1;
  const std::string zeros = Zeroed(classic, 20, 25);
  const auto kWhole = ProofMode::kWhole, kPrefix = ProofMode::kPrefix;
  const struct {
    const char* name;
    std::string candidate;
    ProofMode mode;
    bool proven;
    std::string original = {};  // when not the one above
  } cases[] = {
      {"cut inside the mark", classic.substr(0, 2), kPrefix, true},
      {"cut after a line", classic.substr(0, classic.find('\n') + 1), kPrefix, true},
      {"zeros over a line end", zeros, kPrefix, true},
      {"zeros to its end", Zeroed(at25, 30, at25.size() - 30), kPrefix, true},
      {"at 25 fps, its first line lost", Zeroed(at25, 0, first_line), kPrefix, true},
      {"zeros, then a byte no list has", Zeroed(zeros, 50, 1, 'X'), kPrefix, false},
      {"a zero past its end", classic + '\0', kPrefix, false},
      {"empty, the original without a cue", "", kPrefix, false, "no cues\r\n"},
      {"cut, as a whole list", classic.substr(0, classic.size() - 1), kWhole, false},
      {"a zero in a whole list", Zeroed(classic, 20, 1), kWhole, false},
      {"empty, as a whole list", "", kWhole, false},
  };
  for (const auto& c : cases) {
    // Read whole, and a byte at a time: the original then goes through the reader's lines.
    for (std::size_t piece : {SIZE_MAX, std::size_t{1}}) {
      const std::string name = std::string(c.name) + (piece == 1 ? ", bytewise" : "");
      StringFile candidate(c.candidate, {}, piece);
      StringFile original_file(c.original.empty() ? original : c.original, {}, piece);
      bool proven = !c.proven;
      EXPECT_TRUE(ProveConversion(candidate, original_file, {}, c.mode, &proven).ok()) << name;
      EXPECT_EQ(proven, c.proven) << name;
    }
  }
}

}  // namespace
}  // namespace kestrane
