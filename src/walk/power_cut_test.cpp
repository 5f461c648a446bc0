// A run over a small tree stopped by a power cut at every one of its file-system calls in turn,
// the disk keeping a different share of what was not yet durable each time: nothing may be
// lost, no input may hold anything but its original or its whole conversion, and one more run
// must leave the converted tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "testing/faulty_file_system.h"
#include "testing/memory_file_system.h"
#include "walk/convert_folder.h"

namespace kestrane {
namespace {

using testing::FaultyFileSystem;
using testing::MemoryFileSystem;
using Keep = MemoryFileSystem::Keep;

struct Subtitle {
  std::string original, converted;
};

std::string SubRip(int cues, int seed) {
  std::string text;
  for (int i = 1; i <= cues; ++i) {
    text += std::to_string(i) + "\r\n00:00:" + std::to_string(10 + (i * seed) % 50) +
            ",250 --> 00:01:00,000\r\nline " + std::to_string(i * seed) + "\r\n\r\n";
  }
  return text;
}

// Inputs in three folders. One was converted by an earlier run; one was cut short by an earlier
// run between its two moves, leaving its backup and part of its work file.
class PowerCutTree {
 public:
  PowerCutTree() {
    const char* names[] = {"/t/a/one.txt", "/t/a/two.txt", "/t/b/three.txt", "/t/b/done.txt",
                           "/t/c/cut.txt"};
    int seed = 3;
    for (const char* name : names) {
      Subtitle& subtitle = inputs_[name];
      // Large enough for the reads to come in several pieces.
      subtitle.original = SubRip(40 + 30 * seed, seed);
      MemoryFileSystem alone;
      alone.AddFile("/x.txt", subtitle.original);
      ConvertFolder(alone, "/", "x.txt");
      subtitle.converted = alone.Contents("/x.txt").value_or("");
      seed += 4;
    }
  }

  const std::map<std::string, Subtitle>& inputs() const { return inputs_; }

  void Build(MemoryFileSystem& memory) const {
    for (const auto& [name, subtitle] : inputs_) {
      if (name == "/t/b/done.txt") {
        memory.AddFile(name, subtitle.converted);
        memory.AddFile(name + "_original", subtitle.original);
      } else if (name == "/t/c/cut.txt") {
        memory.AddFile(name + "_original", subtitle.original);
        memory.AddFile(name + "_temp", subtitle.converted.substr(0, subtitle.converted.size() / 3));
      } else {
        memory.AddFile(name, subtitle.original);
      }
    }
  }

  // What a cut may leave: every original under its own name or its backup's, and under an
  // input's name only the original or the whole conversion.
  void ExpectSafe(const MemoryFileSystem& memory, const std::string& when) const {
    for (const auto& [name, subtitle] : inputs_) {
      auto input = memory.Contents(name);
      auto backup = memory.Contents(name + "_original");
      EXPECT_TRUE(input == subtitle.original || backup == subtitle.original)
          << name << " lost " << when;
      EXPECT_TRUE(!input || input == subtitle.original || input == subtitle.converted)
          << name << " holds " << input->size() << " bytes of neither " << when;
    }
  }

  void ExpectConverted(const MemoryFileSystem& memory, const std::string& when) const {
    std::vector<std::string> paths = {"/t/", "/t/a/", "/t/b/", "/t/c/"};
    for (const auto& [name, subtitle] : inputs_) {
      EXPECT_TRUE(memory.Contents(name) == subtitle.converted) << name << " unconverted " << when;
      EXPECT_TRUE(memory.Contents(name + "_original") == subtitle.original)
          << name << "_original is not the original " << when;
      paths.push_back(name);
      paths.push_back(name + "_original");
    }
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(memory.Paths(), paths) << "a work file or a stray name is left " << when;
  }

 private:
  std::map<std::string, Subtitle> inputs_;
};

// Runs over the tree, two files to a batch so that there are several, or restores it, and says
// whether any file failed.
bool RunFails(FileSystem& files, unsigned jobs = 1, bool restore = false) {
  bool failed = false;
  WalkObserver observer;
  observer.on_file = [&](const std::filesystem::path&, const FileResult& result) {
    failed |= result.kind == FileResult::Kind::kFailed;
  };
  observer.on_folder_error = [&](const std::filesystem::path&, const Status&) { failed = true; };
  if (restore) {
    RestoreBackups(files, "/t", "", {}, observer, {.jobs = jobs, .batch_files = 2});
  } else {
    ConvertFolder(files, "/t", "", {}, observer, {.jobs = jobs, .batch_files = 2});
  }
  return failed;
}

const Status kUnsupported = Status::Error(Status::Code::kUnsupported, "no such sync");

TEST(PowerCutTest, EveryWorkFileReachesTheDiskBeforeItsMove) {
  PowerCutTree tree;
  MemoryFileSystem memory;
  tree.Build(memory);
  EXPECT_FALSE(RunFails(memory));
  tree.ExpectConverted(memory, "after one run");
  EXPECT_TRUE(memory.unsynced_moves().empty()) << memory.unsynced_moves().front();
  // A cut after the run takes nothing back.
  memory.PowerCut(Keep::kNone, Keep::kNone);
  tree.ExpectConverted(memory, "after a cut that came after the run");
}

// Files converted by batches: one barrier for each batch, before any of its moves, whether the
// barrier is one sync of the whole file system or a sync of each file; each folder synced once
// a batch.
TEST(PowerCutTest, OneBarrierForEachBatchBeforeItsMoves) {
  const int kFiles = 23, kBatch = 5, kBatches = (kFiles + kBatch - 1) / kBatch;
  for (bool whole : {true, false}) {
    for (unsigned jobs : {1u, 3u}) {
      const std::string what = std::string(whole ? "one sync" : "a sync per file") + ", " +
                               std::to_string(jobs) + " jobs";
      MemoryFileSystem memory;
      for (int i = 0; i < kFiles; ++i) {
        memory.AddFile("/t/" + std::to_string(i % 2) + "/" + std::to_string(i) + ".txt",
                       SubRip(3, i + 1));
      }
      FaultyFileSystem files(memory);
      if (!whole) files.FailCalls(FaultyFileSystem::Op::kSyncFs, 1, kFiles, kUnsupported);
      int done = 0;
      WalkObserver observer;
      observer.on_file = [&](const std::filesystem::path&, const FileResult& result) {
        done += result.done();
      };
      ConvertFolder(files, "/t", "", {}, observer, {.jobs = jobs, .batch_files = kBatch});
      EXPECT_EQ(done, kFiles) << what;
      EXPECT_TRUE(memory.unsynced_moves().empty()) << what << ": " << memory.unsynced_moves()[0];
      EXPECT_EQ(files.Calls(FaultyFileSystem::Op::kSyncFs), kBatches) << what;
      EXPECT_EQ(memory.file_system_syncs(), whole ? kBatches : 0) << what;
      EXPECT_EQ(memory.syncs(), whole ? 0 : kFiles) << what;
      // The walk finishes folder 0 before folder 1: one batch has files of both.
      EXPECT_EQ(memory.dir_syncs(), kBatches + 1) << what;
    }
  }
}

TEST(PowerCutTest, CutAtEveryCallNothingIsLostAndARerunFinishes) {
  const struct {
    const char* name;
    Keep entries, data;
  } patterns[] = {
      {"everything kept", Keep::kAll, Keep::kAll},
      {"nothing kept", Keep::kNone, Keep::kNone},
      {"moves kept, data lost", Keep::kAll, Keep::kNone},
      {"prefixes", Keep::kPrefix, Keep::kPrefix},
      {"random subsets of data", Keep::kPrefix, Keep::kSubset},
  };
  PowerCutTree tree;
  int boundaries = 0, cuts = 0;
  for (bool run_ended = false; !run_ended; ++boundaries) {
    const int stop_at = boundaries + 1;
    for (std::size_t p = 0; p < std::size(patterns); ++p) {
      const std::string when =
          "after a cut at call " + std::to_string(stop_at) + " (" + patterns[p].name + ")";
      MemoryFileSystem memory;
      tree.Build(memory);
      FaultyFileSystem cut(memory);
      cut.StopAt(stop_at);
      // Every other pattern syncs each file on its own, as where the system cannot sync whole.
      if (p % 2 == 1) cut.FailCalls(FaultyFileSystem::Op::kSyncFs, 1, stop_at, kUnsupported);
      RunFails(cut);
      if (!cut.stopped()) {
        run_ended = true;
        break;
      }
      ++cuts;
      memory.PowerCut(patterns[p].entries, patterns[p].data,
                      static_cast<std::uint32_t>(stop_at * 31 + p));
      tree.ExpectSafe(memory, when);
      EXPECT_FALSE(RunFails(memory)) << "the rerun " << when;
      tree.ExpectConverted(memory, "after the rerun " + when);
      if (::testing::Test::HasFailure()) return;
    }
  }
  EXPECT_GT(boundaries, 40) << "a run of five files makes more calls than that";
  std::cout << cuts << " cuts at " << boundaries - 1 << " call boundaries, " << std::size(patterns)
            << " ways to lose what was not durable\n";
}

// A restore over a converted tree, cut at every call. One file was saved anew by its user since
// it was converted, one has lost its converted file, and two were left by restores that stopped
// part-way: after the moment the converted file was set aside, and before it was removed.
TEST(PowerCutTest, ARestoreCutAtEveryCallLosesNothingAndARerunFinishes) {
  const std::string newer =
      "\xEF\xBB\xBF"
      "1\r\n00:00:01,000 -> 00:00:02,500\r\nNew\r\n\r\n";
  const std::string saved = "/t/a/two.txt", lone = "/t/b/three.txt", aside = "/t/c/cut.txt",
                    removing = "/t/b/done.txt";
  PowerCutTree tree;
  auto build = [&](MemoryFileSystem& memory) {
    for (const auto& [name, subtitle] : tree.inputs()) {
      if (name != lone && name != aside) {
        memory.AddFile(name, name == saved      ? newer
                             : name == removing ? subtitle.original
                                                : subtitle.converted);
      }
      if (name != removing) memory.AddFile(name + "_original", subtitle.original);
      if (name == aside || name == removing) memory.AddFile(name + "_undoing", subtitle.converted);
    }
  };
  int boundaries = 0;
  for (bool run_ended = false; !run_ended; ++boundaries) {
    const int stop_at = boundaries + 1;
    for (Keep keep : {Keep::kAll, Keep::kNone, Keep::kPrefix}) {
      const std::string when = "after a cut at call " + std::to_string(stop_at) + " keeping " +
                               std::to_string(static_cast<int>(keep));
      MemoryFileSystem memory;
      build(memory);
      FaultyFileSystem cut(memory);
      cut.StopAt(stop_at);
      RunFails(cut, 1, /*restore=*/true);
      if (!cut.stopped()) {
        run_ended = true;
        break;
      }
      memory.PowerCut(keep, keep, static_cast<std::uint32_t>(stop_at));
      for (const auto& [name, subtitle] : tree.inputs()) {
        auto input = memory.Contents(name);
        EXPECT_TRUE(input == subtitle.original ||
                    memory.Contents(name + "_original") == subtitle.original)
            << name << " lost " << when;
        if (name == saved) {
          EXPECT_TRUE(input == newer || memory.Contents(name + "_undoing") == newer)
              << "the newer " << name << " lost " << when;
        }
      }
      EXPECT_FALSE(RunFails(memory, 1, /*restore=*/true)) << "the rerun " << when;
      std::vector<std::string> paths = {"/t/", "/t/a/", "/t/b/", "/t/c/", saved + "_original"};
      for (const auto& [name, subtitle] : tree.inputs()) {
        EXPECT_TRUE(memory.Contents(name) == (name == saved ? newer : subtitle.original))
            << name << " after the rerun " << when;
        paths.push_back(name);
      }
      std::sort(paths.begin(), paths.end());
      EXPECT_EQ(memory.Paths(), paths) << "after the rerun " << when;
      EXPECT_TRUE(memory.Contents(saved + "_original") == tree.inputs().at(saved).original);
      if (::testing::Test::HasFailure()) return;
    }
  }
  EXPECT_GT(boundaries, 30) << "a restore of five files makes more calls than that";
}

}  // namespace
}  // namespace kestrane
