// Conversions and restores on file systems without an atomic no-replace rename (NFS, FUSE), and
// without links either (exFAT, NTFS through FUSE): killed at every call, with another program
// saving between every two calls, and two runs at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "testing/faulty_file_system.h"
#include "testing/trio.h"

namespace kestrane {
namespace {

using testing::FaultyFileSystem;
using testing::MemoryFileSystem;
using trio::kBytes;
using trio::Put;
using trio::Show;

struct System {
  const char* name;
  bool links;
};
const System kSystems[] = {{"links only", true}, {"neither", false}};

struct Operation {
  const char* name;
  const char* files;  // where it starts
  std::function<FileResult(FileSystem&)> run;
  const char* done;  // where it ends, run to the end
};
const Operation kRuns[] = {
    {"convert", "a.txt=S", [](FileSystem& fs) { return ConvertFile(fs, "/d/a.txt"); },
     "a.txt=C a.txt_original=S"},
    {"restore", "a.txt=C a.txt_original=S",
     [](FileSystem& fs) { return trio::Restore(fs, "/d/a.txt_original"); }, "a.txt=S"},
};

void Offer(MemoryFileSystem& fs, const System& system) {
  fs.RefuseNoReplace(true);
  fs.RefuseLinks(!system.links);
}

TEST(FallbackMovesTest, KilledAtEveryCallNothingIsLostAndTheNextRunFinishes) {
  for (const System& system : kSystems) {
    for (const Operation& run : kRuns) {
      for (int kill = 1;; ++kill) {
        const std::string name =
            std::string(system.name) + ", " + run.name + " killed at call " + std::to_string(kill);
        MemoryFileSystem memory;
        Put(memory, run.files);
        Offer(memory, system);
        FaultyFileSystem fs(memory);
        fs.StopAt(kill);
        (void)run.run(fs);
        const bool finished = !fs.stopped();
        // The process dies: its claims go, its files stay as they are.
        memory.PowerCut(MemoryFileSystem::Keep::kAll, MemoryFileSystem::Keep::kAll);
        EXPECT_NE(Show(memory).find("=S"), std::string::npos) << name << ": " << Show(memory);
        (void)run.run(memory);
        EXPECT_EQ(Show(memory), run.done) << name;
        if (finished) break;
      }
    }
  }
}

// Another program between any two calls: saving a.txt as editors do (a temporary file renamed
// over it), or creating a file under a side name. Without links, nothing puts a complete copy
// into a free name in one step: a file that lands between the look that the target name is free
// and the rename of the copy is replaced. That one call is the only window, and it is allowed
// nowhere else.
TEST(FallbackMovesTest, ASaveBetweenAnyTwoCallsIsNeverRemoved) {
  const char* const kSavedAs[] = {"a.txt", "a.txt_temp", "a.txt_undoing"};
  for (const System& system : kSystems) {
    for (const Operation& run : kRuns) {
      for (const std::string saved_as : kSavedAs) {
        const std::string path = "/d/" + saved_as;
        int lost_in_window = 0;
        for (int call = 1;; ++call) {
          const std::string name = std::string(system.name) + ", " + run.name + ", " + saved_as +
                                   " saved before call " + std::to_string(call);
          MemoryFileSystem memory;
          Put(memory, run.files);
          Offer(memory, system);
          FaultyFileSystem fs(memory);
          bool reached = false, saved = false, original_replaced = false, in_window = false;
          fs.BeforeEachCall([&](int n) {
            if (n != call) return;
            reached = true;
            in_window =
                !system.links && !memory.Contents(path) && memory.Contents("/d/a.txt_copying");
            // Replacing the original is the editor's doing, not ours; a side name is only ever
            // created new.
            original_replaced = memory.Contents(path) == kBytes.at('S');
            if (saved_as != "a.txt" && memory.Contents(path)) return;
            saved = true;
            memory.AddFile("/d/editor.tmp", kBytes.at('O'));
            (void)memory.Rename("/d/editor.tmp", path);
          });
          (void)run.run(fs);
          if (!reached) break;
          if (!saved) continue;
          (void)run.run(memory);
          const std::string shown = Show(memory);
          const bool kept = shown.find("=O") != std::string::npos;
          lost_in_window += in_window && !kept;
          EXPECT_TRUE(kept || in_window) << name << ": " << shown;
          EXPECT_TRUE(original_replaced || shown.find("=S") != std::string::npos) << name << shown;
          EXPECT_EQ(shown.find("_copying"), std::string::npos) << name << ": " << shown;
        }
        EXPECT_LE(lost_in_window, 1) << system.name << ", " << run.name;
      }
    }
  }
}

// Two runs over one trio at once, each the other's interference: the claim covers the copies
// too, so the trio ends converted once, or restored, and never loses its original.
TEST(FallbackMovesTest, TwoRunsAtOnceLoseNothing) {
  const Operation& convert = kRuns[0];
  const Operation& restore = kRuns[1];
  struct Pair {
    const Operation& first;
    const Operation& second;
    const char* files;
    std::vector<std::string> ends;
  } pairs[] = {
      {convert, convert, "a.txt=S", {"a.txt=C a.txt_original=S"}},
      {restore, restore, "a.txt=C a.txt_original=S", {"a.txt=S"}},
      {convert, restore, "a.txt=S", {"a.txt=C a.txt_original=S", "a.txt=S"}},
  };
  for (const System& system : kSystems) {
    for (const Pair& pair : pairs) {
      for (int round = 0; round < 40; ++round) {
        const std::string name = std::string(system.name) + ", " + pair.first.name + " and " +
                                 pair.second.name + ", round " + std::to_string(round);
        MemoryFileSystem memory;
        Put(memory, pair.files);
        Offer(memory, system);
        std::thread other([&] { (void)pair.second.run(memory); });
        (void)pair.first.run(memory);
        other.join();
        // A run that found the other's claim skipped; the next run finishes whatever is left.
        (void)pair.first.run(memory);
        const std::string shown = Show(memory);
        EXPECT_NE(std::find(pair.ends.begin(), pair.ends.end(), shown), pair.ends.end())
            << name << ": " << shown;
      }
    }
  }
}

}  // namespace
}  // namespace kestrane
