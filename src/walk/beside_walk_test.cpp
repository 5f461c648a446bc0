// Sources beside in a folder walk: taken only when asked, a named one always, name.srt before
// name.vtt whatever the listing's order and however the batches fall, and the undo.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "testing/faulty_file_system.h"
#include "testing/trio.h"
#include "walk/convert_folder.h"

namespace kestrane {
namespace {

using testing::MemoryFileSystem;
using trio::Put;
using trio::Said;
using trio::Show;

// c.VTT is listed before c.srt; both give c.txt, each its own list.
constexpr const char* kFolder = "a.txt=S b.srt=S c.VTT=V c.srt=O d.vtt=V e.srt=O e.txt=C";

// What each file handed over said, by its name, in the order reported.
std::string Walk(MemoryFileSystem& fs, const char* name, SourceKinds sources, bool restore,
                 unsigned jobs, std::size_t batch, const ConvertOptions& options = {}) {
  std::string said;
  WalkObserver observer;
  observer.on_file = [&](const std::filesystem::path& path, const FileResult& result) {
    said += path.filename().string() + ": " + Said(result) + "; ";
  };
  const WalkOptions walk{.jobs = jobs, .batch_files = batch, .sources = sources};
  if (restore) {
    RestoreBackups(fs, "/d", name, options, observer, walk);
  } else {
    ConvertFolder(fs, "/d", name, options, observer, walk);
  }
  return said;
}

TEST(BesideWalkTest, SourcesAreTakenOnlyWhenAskedOrNamed) {
  const SourceKinds none, both{.srt = true, .vtt = true}, vtt{.vtt = true};
  struct Case {
    const char* what;
    const char* name;
    SourceKinds sources;
    const char* convert_said;
    const char* converted;
    const char* restore_said;
    const char* restored;
  } cases[] = {
      {"no sources", "", none, "a.txt: done; e.txt: no subtitle; ",
       "a.txt=C a.txt_original=S b.srt=S c.VTT=V c.srt=O d.vtt=V e.srt=O e.txt=C",
       "a.txt_original: done; ", kFolder},
      {"both kinds", "", both,
       "a.txt: done; b.srt: done; c.srt: done; c.VTT: name.txt exists; d.vtt: done; "
       "e.srt: name.txt exists; e.txt: no subtitle; ",
       "a.txt=C a.txt_original=S b.srt=S b.txt=C c.VTT=V c.srt=O c.txt=? d.txt=C d.vtt=V e.srt=O "
       "e.txt=C",
       // Neither c.txt nor e.txt is the list of the other source beside it.
       "a.txt_original: done; b.srt: done; c.VTT: changed since it was converted; c.srt: done; "
       "d.vtt: done; "
       "e.srt: changed since it was converted; ",
       kFolder},
      {"WebVTT only", "", vtt, "a.txt: done; c.VTT: done; d.vtt: done; e.txt: no subtitle; ",
       "a.txt=C a.txt_original=S b.srt=S c.VTT=V c.srt=O c.txt=C d.txt=C d.vtt=V e.srt=O e.txt=C",
       "a.txt_original: done; c.VTT: done; d.vtt: done; ", kFolder},
      {"a named source without the setting", "b.srt", none, "b.srt: done; ",
       "a.txt=S b.srt=S b.txt=C c.VTT=V c.srt=O d.vtt=V e.srt=O e.txt=C", "b.srt: done; ", kFolder},
  };
  for (const Case& c : cases) {
    for (unsigned jobs : {1u, 2u}) {
      for (std::size_t batch : {1u, 2u, 256u}) {
        const std::string what = std::string(c.what) + ", " + std::to_string(jobs) + " jobs, " +
                                 std::to_string(batch) + " a batch";
        MemoryFileSystem fs;
        Put(fs, kFolder);
        EXPECT_EQ(Walk(fs, c.name, c.sources, false, jobs, batch), c.convert_said) << what;
        EXPECT_EQ(Show(fs), c.converted) << what;
        EXPECT_EQ(Walk(fs, c.name, c.sources, true, jobs, batch), c.restore_said) << what;
        EXPECT_EQ(Show(fs), c.restored) << what;
      }
    }
  }
}

// The undo reports a batch's sources and backups in the order the walk met them, as converting
// does, not the sources after the backups.
TEST(BesideWalkTest, TheUndoReportsInTheOrderMet) {
  const SourceKinds both{.srt = true, .vtt = true};
  MemoryFileSystem fs;
  Put(fs, "a.srt=S b.txt=S");
  EXPECT_EQ(Walk(fs, "", both, false, 2, 256), "a.srt: done; b.txt: done; ");
  EXPECT_EQ(Walk(fs, "", both, true, 2, 256), "a.srt: done; b.txt_original: done; ");
}

// A dry run says what the run would, touching nothing: the .vtt after its .srt included, whose
// list the dry run never wrote.
TEST(BesideWalkTest, ADryRunSaysWhatTheRunWould) {
  const SourceKinds both{.srt = true, .vtt = true};
  for (std::size_t batch : {1u, 256u}) {
    MemoryFileSystem dry, real;
    Put(dry, kFolder);
    Put(real, kFolder);
    EXPECT_EQ(Walk(dry, "", both, false, 2, batch, {.dry_run = true}),
              Walk(real, "", both, false, 2, batch));
    EXPECT_EQ(Show(dry), kFolder);
  }
}

// Sources beside go by batches as inputs do: every work file durable before its move, through
// one barrier a batch or, where the system has none, each file's own sync.
TEST(BesideWalkTest, EveryListReachesTheDiskBeforeItsMove) {
  for (bool barrier : {true, false}) {
    MemoryFileSystem memory;
    for (int i = 0; i < 7; ++i) {
      memory.AddFile("/t/" + std::to_string(i % 2) + "/" + std::to_string(i) + ".srt",
                     trio::kBytes.at('S'));
    }
    testing::FaultyFileSystem files(memory);
    if (!barrier) {
      files.FailCalls(testing::FaultyFileSystem::Op::kSyncFs, 1, 100,
                      Status::Error(Status::Code::kUnsupported, "no such sync"));
    }
    int done = 0;
    WalkObserver observer;
    observer.on_file = [&](const std::filesystem::path&, const FileResult& result) {
      done += result.done();
    };
    ConvertFolder(files, "/t", "", {}, observer,
                  {.jobs = 2, .batch_files = 3, .sources = {.srt = true}});
    EXPECT_EQ(done, 7) << barrier;
    EXPECT_TRUE(memory.unsynced_moves().empty()) << barrier << ": " << memory.unsynced_moves()[0];
    EXPECT_EQ(memory.file_system_syncs(), barrier ? 3 : 0);
    EXPECT_EQ(memory.syncs(), barrier ? 0 : 7);
  }
}

// A batch's folders are synced once each, after their moves, and a folder whose sync fails warns
// the lists moved into it, none of another folder's.
TEST(BesideWalkTest, AFolderSyncThatFailsWarnsItsOwnListsOnly) {
  MemoryFileSystem memory;
  for (const char* source : {"/t/a/1.srt", "/t/a/2.srt", "/t/b/3.srt", "/t/b/4.srt"})
    memory.AddFile(source, trio::kBytes.at('S'));
  testing::FaultyFileSystem files(memory);
  files.FailOn(testing::FaultyFileSystem::Op::kSyncDir, 2);
  std::map<std::string, std::string> said;
  WalkObserver observer;
  observer.on_file = [&](const std::filesystem::path& path, const FileResult& result) {
    said[path.generic_string()] = Said(result);
  };
  ConvertFolder(files, "/t", "", {}, observer, {.jobs = 2, .sources = {.srt = true}});
  const std::map<std::string, std::string> expected = {
      {"/t/a/1.srt", "done"},
      {"/t/a/2.srt", "done"},
      {"/t/b/3.srt", "syncing the folder"},
      {"/t/b/4.srt", "syncing the folder"},
  };
  EXPECT_EQ(said, expected);
  EXPECT_EQ(files.Calls(testing::FaultyFileSystem::Op::kSyncDir), 2);
}

}  // namespace
}  // namespace kestrane
