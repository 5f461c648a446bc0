// What can happen to a batch while its work files wait for the barrier.
#include "convert/conversion_batch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "convert/convert_file.h"
#include "convert/side_file_names.h"
#include "testing/faulty_file_system.h"
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

// Where no barrier served, the work files sync themselves where the batch runs its slots:
// each exactly once, each result in its own slot, the one whose sync fails failing alone, and
// every file reported converted durable.
TEST(ConversionBatchTest, WorkFilesWithoutABarrierSyncOnTheThreadsGiven) {
  const struct {
    const char* barrier;
    Status::Code code;
  } kCases[] = {
      {"none on this system", Status::Code::kUnsupported},
      {"every folder gone", Status::Code::kNotFound},
  };
  constexpr int kFiles = 12;
  constexpr int kFailing = 5;  // the fifth sync
  for (const auto& c : kCases) {
    MemoryFileSystem memory;
    std::vector<std::filesystem::path> inputs;
    for (int i = 0; i < kFiles; ++i) {
      inputs.push_back("/w/" + std::to_string(i) + ".txt");
      memory.AddFile(inputs.back(), kSubRip);
    }
    testing::FaultyFileSystem faulty(memory);
    faulty.FailCalls(testing::FaultyFileSystem::Op::kSyncFs, 1, kFiles,
                     Status::Error(c.code, "no barrier"));
    faulty.FailOn(testing::FaultyFileSystem::Op::kSync, kFailing);
    ConversionBatch batch(faulty, {}, SubtitleConverter({}), inputs.size());
    for (std::size_t slot = 0; slot < inputs.size(); ++slot)
      batch.Prepare(slot, {inputs[slot]});
    int runs = 0;
    const auto results =
        batch.Finish([&](std::size_t count, const std::function<void(std::size_t)>& each) {
          ++runs;
          std::atomic<std::size_t> next = 0;
          auto work = [&] {
            for (std::size_t slot; (slot = next++) < count;)
              each(slot);
          };
          std::vector<std::thread> threads;
          for (int i = 0; i < 3; ++i)
            threads.emplace_back(work);
          work();
          for (std::thread& thread : threads)
            thread.join();
        });
    EXPECT_EQ(runs, 1) << c.barrier;
    EXPECT_EQ(memory.syncs(), kFiles - 1) << c.barrier;
    int failed = 0;
    for (std::size_t slot = 0; slot < results.size(); ++slot) {
      ASSERT_TRUE(results[slot]) << c.barrier << ": slot " << slot;
      if (!results[slot]->done()) {
        ++failed;
        EXPECT_EQ(results[slot]->reason, FileResult::Reason::kSync) << c.barrier;
        EXPECT_EQ(memory.Contents(inputs[slot]), kSubRip) << c.barrier;
      }
    }
    EXPECT_EQ(failed, 1) << c.barrier;
    memory.PowerCut(MemoryFileSystem::Keep::kNone, MemoryFileSystem::Keep::kNone);
    for (std::size_t slot = 0; slot < results.size(); ++slot) {
      if (!results[slot]->done()) continue;
      EXPECT_EQ(memory.Contents(BackupPathFor(inputs[slot])), kSubRip) << c.barrier;
      EXPECT_NE(memory.Contents(inputs[slot]).value_or(""), kSubRip) << c.barrier;
    }
  }
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

// A work file given up never takes another file with it: one moved to its name while the batch
// waited stays, whatever ends the conversion there.
TEST(ConversionBatchTest, AFileMovedToTheWorkFilesNameIsNeverRemoved) {
  MemoryFileSystem fs;
  fs.AddFile("/d/a.txt", kSubRip);
  fs.AddFile("/d/notes.txt", "the user's notes");
  const auto results = RunBatch(fs, {"/d/a.txt"}, [&] {
    // The input changes, and another program moves its own file to the work file's name.
    fs.AddFile("/d/a.txt", std::string(kSubRip) + "\r\n", 5);
    ASSERT_TRUE(fs.Remove("/d/a.txt_temp").ok());
    ASSERT_TRUE(fs.Rename("/d/notes.txt", "/d/a.txt_temp").ok());
  });
  ASSERT_TRUE(results[0]);
  EXPECT_EQ(results[0]->reason, FileResult::Reason::kChanged);
  EXPECT_EQ(fs.Contents("/d/a.txt_temp"), "the user's notes");
  EXPECT_EQ(fs.Paths(), (std::vector<std::string>{"/d/", "/d/a.txt", "/d/a.txt_temp"}));
}

}  // namespace
}  // namespace kestrane
