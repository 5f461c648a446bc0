// What can happen to a batch while its work files wait for the barrier.
#include <gtest/gtest.h>

#include <functional>

#include "convert/convert_file.h"
#include "testing/memory_file_system.h"

namespace kestrane {
namespace {

using testing::MemoryFileSystem;

constexpr char kSubRip[] = "1\r\n00:00:01,000 --> 00:00:04,000\r\nHello\r\n\r\n";

// Prepares every input in one batch, lets `meanwhile` act, then finishes the batch.
std::vector<std::optional<FileResult>> RunBatch(
    FileSystem& fs, const std::vector<std::filesystem::path>& inputs,
    const std::function<void()>& meanwhile = [] {}) {
  ConversionBatch batch(fs, {}, SubtitleConverter({}), inputs.size());
  for (std::size_t slot = 0; slot < inputs.size(); ++slot)
    batch.Prepare(slot, {inputs[slot]});
  meanwhile();
  return batch.Finish();
}

// A folder renamed before the barrier must not fail the files of the other folders, and every
// file reported converted must be durable.
TEST(ConversionBatchTest, AFolderGoneAtTheBarrierSyncsThroughAnother) {
  MemoryFileSystem memory;
  memory.AddFile("/w/f1/a.txt", kSubRip);
  memory.AddFile("/w/f2/b.txt", kSubRip);
  testing::FaultyFileSystem faulty(memory);
  faulty.FailOn(testing::FaultyFileSystem::Op::kSyncFs, 1,
                Status::Error(Status::Code::kNotFound, "sync /w/f1: gone"));
  for (const auto& result : RunBatch(faulty, {"/w/f1/a.txt", "/w/f2/b.txt"}))
    EXPECT_TRUE(result && result->done()) << (result ? result->message : "no result");
  EXPECT_EQ(memory.file_system_syncs(), 1);
  memory.PowerCut(MemoryFileSystem::Keep::kNone, MemoryFileSystem::Keep::kNone);
  EXPECT_EQ(memory.Contents("/w/f1/a.txt_original"), kSubRip);
  EXPECT_EQ(memory.Contents("/w/f2/b.txt_original"), kSubRip);
}

// Only the file written takes the input's name: whatever took the work file's name while it
// waited stays where it is, and the input is not touched.
TEST(ConversionBatchTest, AWorkFileReplacedBeforeTheMovesIsNeverMovedIn) {
  const struct {
    const char* fault;
    EntryKind planted;
  } kCases[] = {
      {"a link planted in its place becomes the input", EntryKind::kLink},
      {"another program's file becomes the input, or is removed", EntryKind::kFile},
  };
  for (const auto& c : kCases) {
    MemoryFileSystem fs;
    fs.AddFile("/d/a.txt", kSubRip);
    const auto results = RunBatch(fs, {"/d/a.txt"}, [&] {
      ASSERT_TRUE(fs.Remove("/d/a.txt_temp").ok());
      fs.AddEntry("/d/a.txt_temp", c.planted);
    });
    ASSERT_TRUE(results[0]) << c.fault;
    EXPECT_EQ(results[0]->reason, FileResult::Reason::kWorkReplaced) << c.fault;
    EXPECT_EQ(fs.Contents("/d/a.txt"), kSubRip) << c.fault;
    FileInfo info;
    EXPECT_FALSE(fs.Stat("/d/a.txt_original", &info).ok()) << c.fault;
    ASSERT_TRUE(fs.Stat("/d/a.txt_temp", &info).ok()) << c.fault;
    EXPECT_EQ(info.kind, c.planted) << c.fault;
  }
}

}  // namespace
}  // namespace kestrane
