#include "convert/restore_batch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/faulty_file_system.h"
#include "testing/trio.h"

namespace kestrane {
namespace {

using testing::FaultyFileSystem;
using trio::kBytes;
using trio::Said;

// Each folder is synced once for the batch, after its restores, and a failed sync fails the
// restores of its folder alone: the others are durable, and a skipped file moved nothing.
TEST(RestoreBatchTest, EachFolderSyncedOnceAndItsFailureFailsOnlyItsRestores) {
  for (bool fail : {false, true}) {
    testing::MemoryFileSystem memory;
    for (const char* dir : {"/d", "/e"}) {
      memory.AddDir(dir);
      for (const char* name : {"/a.txt", "/b.txt"}) {
        memory.AddFile(std::string(dir) + name, kBytes.at('C'));
        memory.AddFile(std::string(dir) + name + "_original", kBytes.at('S'));
      }
    }
    memory.AddFile("/d/c.txt", kBytes.at('O'));  // saved anew: it stays
    memory.AddFile("/d/c.txt_original", kBytes.at('S'));
    FaultyFileSystem faulty(memory);
    if (fail) faulty.FailOn(FaultyFileSystem::Op::kSyncDir, 1);
    const std::vector<std::string> backups = {"/d/a.txt_original", "/d/b.txt_original",
                                              "/d/c.txt_original", "/e/a.txt_original",
                                              "/e/b.txt_original"};
    RestoreBatch batch(faulty, {}, backups.size());
    for (std::size_t slot = 0; slot < backups.size(); ++slot)
      batch.Prepare(slot, {backups[slot], false, true});
    const auto results = batch.Finish();
    EXPECT_EQ(faulty.Calls(FaultyFileSystem::Op::kSyncDir), 2);
    const char* const durable = fail ? "syncing the folder" : "done";
    const std::vector<std::string> said = {durable, durable, "changed since it was converted",
                                           "done", "done"};
    for (std::size_t slot = 0; slot < backups.size(); ++slot)
      EXPECT_EQ(Said(*results[slot]), said[slot]) << backups[slot] << (fail ? ", failing" : "");
    // Restored all the same: the failed sync is a warning, not a failure a rerun could mend.
    EXPECT_EQ(results[0]->kind, FileResult::Kind::kDone) << (fail ? "failing" : "");
  }
}

}  // namespace
}  // namespace kestrane
