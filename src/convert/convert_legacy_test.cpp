// Converting text that is not UTF-8: the prior, detection, and the code page in the result.
#include <gtest/gtest.h>

#include <random>

#include "convert/convert_file.h"
#include "platform/text.h"
#include "testing/legacy_samples.h"
#include "testing/memory_file_system.h"

namespace kestrane {
namespace {

using testing::LegacySamples;

std::string Convert(const std::string& input, LegacyEncoding legacy, FileResult* result) {
  testing::MemoryFileSystem fs;
  fs.AddFile("/a.txt", input);
  *result = ConvertFile(fs, "/a.txt", {.legacy = legacy});
  EXPECT_TRUE(result->done()) << Describe(result->reason);
  return fs.Contents("/a.txt").value_or("");
}

// Short files are where detection errs: those in a Latin script must convert exactly as with the
// prior alone, as they did before there was any detection.
TEST(ConvertLegacyTest, ShortWesternFilesConvertAsWindows1252) {
  std::vector<std::string_view> pool;
  for (const auto& sample : LegacySamples()) {
    if (sample.code_page == CodePage::kWindows1252) {
      for (const auto& sentence : sample.sentences) {
        if (!IsValidUtf8(sentence.legacy)) pool.push_back(sentence.legacy);
      }
    }
  }
  std::mt19937 random(20261208);  // the same files on every system and every run
  const LegacyEncoding western{.code_page = CodePage::kWindows1252, .detect = true};
  const LegacyEncoding forced{.code_page = CodePage::kWindows1252, .detect = false};
  for (int file = 0; file < 200; ++file) {
    std::vector<std::string> cues(1 + random() % 3);
    for (std::string& cue : cues) {
      cue = pool[random() % pool.size()];
      if (random() % 2 == 0) (cue += "\r\n") += pool[random() % pool.size()];
    }
    const std::string input = testing::SubRip({cues.begin(), cues.end()});
    FileResult detected, prior;
    EXPECT_EQ(Convert(input, western, &detected), Convert(input, forced, &prior)) << input;
    EXPECT_EQ(detected.code_page, "windows-1252") << input;
  }
}

TEST(ConvertLegacyTest, ShortFilesComeOutInTheirOwnScript) {
  for (const auto& sample : LegacySamples()) {
    std::vector<testing::LegacySentence> sentences;
    for (const auto& sentence : sample.sentences) {
      if (!IsValidUtf8(sentence.legacy)) sentences.push_back(sentence);
    }
    ASSERT_GE(sentences.size(), 3u) << sample.language;
    for (std::size_t cues = 1; cues <= 3; ++cues) {
      std::vector<std::string_view> legacy, utf8;
      std::vector<std::string> western;
      for (std::size_t i = 0; i < cues; ++i) {
        legacy.push_back(sentences[i].legacy);
        utf8.push_back(sentences[i].utf8);
        western.push_back(LegacyToUtf8(CodePage::kWindows1252, sentences[i].legacy));
      }
      const std::string input = testing::SubRip(legacy);
      const std::string what = std::string(sample.language) + ", " + std::to_string(cues);
      // A Latin script keeps the Western prior; any other comes out in its own letters.
      FileResult result;
      const std::string output = Convert(input, {CodePage::kWindows1252, true}, &result);
      if (testing::IsLatin(sample)) {
        EXPECT_EQ(output, testing::CueLines({western.begin(), western.end()})) << what;
        EXPECT_EQ(result.code_page, "windows-1252") << what;
      } else {
        EXPECT_EQ(output, testing::CueLines(utf8)) << what;
        EXPECT_EQ(result.code_page, CodePageName(sample.code_page)) << what;
      }
      // With the right prior, as where the system's language is the file's, it comes out right.
      EXPECT_EQ(Convert(input, {sample.code_page, true}, &result), testing::CueLines(utf8))
          << what << ", with its own prior";
    }
  }
}

TEST(ConvertLegacyTest, AllUtf8NamesNoCodePage) {
  FileResult result;
  Convert(testing::SubRip({"Caf\xC3\xA9", "plain"}), {}, &result);
  EXPECT_EQ(result.code_page, "");
}

}  // namespace
}  // namespace kestrane
