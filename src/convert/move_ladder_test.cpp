#include "convert/move_ladder.h"

#include <gtest/gtest.h>

#include <string>

#include "convert/interrupted_moves.h"
#include "testing/faulty_file_system.h"
#include "testing/trio.h"

namespace kestrane {
namespace {

using testing::FaultyFileSystem;
using testing::MemoryFileSystem;
using trio::kBytes;
using trio::Put;
using trio::Show;

// What the file system offers: the ladder's three rungs.
enum class Rung { kNoReplace, kLinks, kCopies };
const char* const kRungNames[] = {"no-replace rename", "links only", "neither"};

void Offer(MemoryFileSystem& fs, Rung rung) {
  fs.RefuseNoReplace(rung != Rung::kNoReplace);
  fs.RefuseLinks(rung == Rung::kCopies);
}

// Another program saving a.txt as editors do: a temporary file renamed over it.
void SaveOver(MemoryFileSystem& fs, const char* name) {
  fs.AddFile("/d/editor.tmp", kBytes.at('O'));
  ASSERT_TRUE(fs.Rename("/d/editor.tmp", std::string("/d/") + name).ok());
}

TEST(MoveLadderTest, MovesOnEveryRungWithoutReplacingOrLeavingPrivateNames) {
  struct Case {
    const char* files;
    Status::Code code;
    const char* after;
  } cases[] = {
      {"a.txt=S", Status::Code::kOk, "a.txt_original=S"},
      {"a.txt=S a.txt_original=O", Status::Code::kExists, "a.txt=S a.txt_original=O"},
  };
  for (Rung rung : {Rung::kNoReplace, Rung::kLinks, Rung::kCopies}) {
    for (const Case& c : cases) {
      const std::string name = std::string(kRungNames[static_cast<int>(rung)]) + ": " + c.files;
      MemoryFileSystem fs;
      Put(fs, c.files);
      Offer(fs, rung);
      EXPECT_EQ(MoveToFreeName(fs, "/d/a.txt", "/d/a.txt_original").code(), c.code) << name;
      EXPECT_EQ(Show(fs), c.after) << name;
    }
  }
}

// A save between any two of the ladder's calls is never lost: it stays under its name, or under
// the private name when saved twice, and the move takes only the file it was asked to move.
TEST(MoveLadderTest, ASaveBetweenAnyTwoCallsIsKept) {
  for (Rung rung : {Rung::kNoReplace, Rung::kLinks, Rung::kCopies}) {
    for (int call = 1;; ++call) {
      const std::string name = std::string(kRungNames[static_cast<int>(rung)]) +
                               ", save before call " + std::to_string(call);
      MemoryFileSystem memory;
      Put(memory, "a.txt=S");
      Offer(memory, rung);
      FaultyFileSystem fs(memory);
      bool saved = false, original_replaced = false;
      fs.BeforeEachCall([&](int n) {
        if (n != call) return;
        saved = true;
        original_replaced = memory.Contents("/d/a.txt") == kBytes.at('S');
        SaveOver(memory, "a.txt");
      });
      (void)MoveToFreeName(fs, "/d/a.txt", "/d/a.txt_original");
      if (!saved) break;
      const std::string shown = Show(memory);
      EXPECT_NE(shown.find("=O"), std::string::npos) << name << ": " << shown;
      EXPECT_TRUE(original_replaced || shown.find("=S") != std::string::npos) << name << shown;
      EXPECT_EQ(shown.find("?"), std::string::npos) << name << ": " << shown;
    }
  }
}

// The same for a removal: only the file we made goes, whatever was saved at its name meanwhile.
TEST(MoveLadderTest, ARemovalTakesOnlyOurFile) {
  for (Rung rung : {Rung::kNoReplace, Rung::kLinks, Rung::kCopies}) {
    for (int call = 0;; ++call) {
      const std::string name = std::string(kRungNames[static_cast<int>(rung)]) +
                               ", save before call " + std::to_string(call);
      MemoryFileSystem memory;
      Put(memory, "a.txt=S a.txt_temp=T");
      Offer(memory, rung);
      FileInfo ours;
      ASSERT_TRUE(memory.Stat("/d/a.txt_temp", &ours).ok());
      FaultyFileSystem fs(memory);
      bool saved = call == 0;
      if (saved) SaveOver(memory, "a.txt_temp");
      fs.BeforeEachCall([&](int n) {
        if (n != call) return;
        saved = true;
        SaveOver(memory, "a.txt_temp");
      });
      bool removed = false;
      const Status status = RemoveIfOurs(fs, "/d/a.txt_temp", ours, false, &removed);
      if (!saved) {
        EXPECT_TRUE(status.ok() && removed) << name << ": " << status.message();
        EXPECT_EQ(Show(memory), "a.txt=S") << name;
        break;
      }
      const std::string shown = Show(memory);
      EXPECT_TRUE(shown == "a.txt=S a.txt_temp=O" || shown == "a.txt=S a.txt_temp=O a.txt_gone=T" ||
                  shown == "a.txt=S a.txt_gone=O" || shown == "a.txt=S a.txt_temp=T")
          << name << ": " << shown;
      EXPECT_NE(shown.find("=O"), std::string::npos) << name << ": " << shown;
    }
  }
}

// Cut at any call, a conversion's first move leaves only what the next run's repair finishes or
// undoes: the original under exactly one of its two names, and no private name.
TEST(MoveLadderTest, ACutMoveIsFinishedOrUndoneByTheRepair) {
  for (Rung rung : {Rung::kNoReplace, Rung::kLinks, Rung::kCopies}) {
    for (int cut = 1;; ++cut) {
      const std::string name =
          std::string(kRungNames[static_cast<int>(rung)]) + ", cut at call " + std::to_string(cut);
      MemoryFileSystem memory;
      Put(memory, "a.txt=S a.txt_temp=C");
      Offer(memory, rung);
      FaultyFileSystem fs(memory);
      fs.StopAt(cut);
      const bool moved = MoveToFreeName(fs, "/d/a.txt", "/d/a.txt_original").ok();
      RepairInterruptedMoves(memory, "/d/a.txt", {});
      const std::string shown = Show(memory);
      EXPECT_TRUE(shown == "a.txt=S a.txt_temp=C" || shown == "a.txt_original=S a.txt_temp=C")
          << name << ": " << shown;
      if (moved) break;
    }
  }
}

}  // namespace
}  // namespace kestrane
