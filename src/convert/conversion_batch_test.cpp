// What can happen to a batch while its work files wait for the barrier: a folder renamed, a work
// file's name given to another file.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "convert/convert_file.h"
#include "convert/side_files.h"
#include "testing/memory_file_system.h"

namespace kestrane {
namespace {

using testing::FaultyFileSystem;
using testing::MemoryFileSystem;
using Kind = FileResult::Kind;
using Reason = FileResult::Reason;

constexpr char kSubRip[] = "1\r\n00:00:01,000 --> 00:00:04,000\r\nHello\r\n\r\n";
constexpr char kConverted[] =
    "\xEF\xBB\xBF"
    "1 00;00;01;00 00;00;04;00 Hello \r\n";

// Prepares every input in one batch, lets `meanwhile` act on the files, then finishes it.
std::vector<std::optional<FileResult>> RunBatch(FileSystem& fs,
                                                const std::vector<std::filesystem::path>& inputs,
                                                const std::function<void()>& meanwhile) {
  ConversionBatch batch(fs, {}, SubtitleConverter({}), inputs.size());
  for (std::size_t slot = 0; slot < inputs.size(); ++slot)
    batch.Prepare(slot, {inputs[slot]});
  meanwhile();
  return batch.Finish();
}

// The barrier goes through a folder of the batch; a folder renamed since (kNotFound) must not
// fail the files of every other folder, nor leave a file reported converted without its bytes
// durable.
TEST(ConversionBatchTest, AFolderGoneAtTheBarrierFailsNoFileOfTheBatch) {
  const Status gone = Status::Error(Status::Code::kNotFound, "sync /w/f1: gone");
  const struct {
    const char* fault;  // what each case catches
    std::vector<std::filesystem::path> inputs;
    int gone_syncs;         // barrier calls that find their folder gone
    int file_system_syncs;  // barriers made
    int file_syncs;         // files synced on their own
  } kCases[] = {
      {"another folder on the same disk is not tried", {"/w/f1/a.txt", "/w/f2/b.txt"}, 1, 1, 0},
      {"with no folder left, the batch fails instead of each file syncing itself",
       {"/w/f1/a.txt", "/w/f1/b.txt"},
       1,
       0,
       2},
  };
  for (const auto& c : kCases) {
    MemoryFileSystem memory;
    for (const auto& input : c.inputs)
      memory.AddFile(input, kSubRip);
    FaultyFileSystem faulty(memory);
    faulty.FailCalls(FaultyFileSystem::Op::kSyncFs, 1, c.gone_syncs, gone);
    const auto results = RunBatch(faulty, c.inputs, [] {});
    for (std::size_t i = 0; i < c.inputs.size(); ++i) {
      ASSERT_TRUE(results[i]) << c.fault;
      EXPECT_TRUE(results[i]->done())
          << c.fault << ": " << Describe(results[i]->reason) << " " << results[i]->message;
    }
    EXPECT_EQ(memory.file_system_syncs(), c.file_system_syncs) << c.fault;
    EXPECT_EQ(memory.syncs(), c.file_syncs) << c.fault;
    // What was reported converted survives a power cut that keeps nothing unsynced.
    memory.PowerCut(MemoryFileSystem::Keep::kNone, MemoryFileSystem::Keep::kNone);
    for (const auto& input : c.inputs) {
      EXPECT_EQ(memory.Contents(input), kConverted) << c.fault << ": " << input;
      EXPECT_EQ(memory.Contents(BackupPathFor(input)), kSubRip) << c.fault << ": " << input;
    }
  }
}

// Only the file written takes the input's name: whatever took the work file's name while it
// waited (a link planted by another user, another program's file) stays where it is, and the
// input is not touched.
TEST(ConversionBatchTest, AWorkFileReplacedBeforeTheMovesIsNeverMovedIn) {
  const std::filesystem::path input = "/d/a.txt";
  const std::filesystem::path work = WorkPathFor(input);
  const struct {
    const char* fault;
    std::function<void(MemoryFileSystem&)> replace;
    std::optional<std::string> left_at_work;  // what the work file's name holds afterwards
    EntryKind kind_at_work = EntryKind::kFile;
  } kCases[] = {
      {"a link in its place becomes the input",
       [&](MemoryFileSystem& fs) {
         ASSERT_TRUE(fs.Remove(work).ok());
         fs.AddEntry(work, EntryKind::kLink);
       },
       std::nullopt, EntryKind::kLink},
      {"another program's file becomes the input, or is removed",
       [&](MemoryFileSystem& fs) {
         ASSERT_TRUE(fs.Remove(work).ok());
         fs.AddFile(work, "someone else's");
       },
       "someone else's"},
      {"the backup is made with no file to move in",
       [&](MemoryFileSystem& fs) { ASSERT_TRUE(fs.Remove(work).ok()); }, std::nullopt},
  };
  for (const auto& c : kCases) {
    MemoryFileSystem fs;
    fs.AddFile(input, kSubRip);
    const auto results = RunBatch(fs, {input}, [&] { c.replace(fs); });
    ASSERT_TRUE(results[0]) << c.fault;
    EXPECT_EQ(results[0]->kind, Kind::kFailed) << c.fault;
    EXPECT_EQ(results[0]->reason, Reason::kWorkReplaced) << c.fault;
    EXPECT_EQ(fs.Contents(input), kSubRip) << c.fault;
    FileInfo info;
    EXPECT_FALSE(fs.Stat(BackupPathFor(input), &info).ok()) << c.fault;
    EXPECT_EQ(fs.Contents(work), c.left_at_work) << c.fault;
    if (c.kind_at_work == EntryKind::kLink) {
      ASSERT_TRUE(fs.Stat(work, &info).ok()) << c.fault;
      EXPECT_EQ(info.kind, EntryKind::kLink) << c.fault;
    }
  }
}

}  // namespace
}  // namespace kestrane
