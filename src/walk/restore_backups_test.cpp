#include "walk/restore_backups.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/memory_file_system.h"
#include "walk/convert_folder.h"

namespace kestrane {
namespace {

using testing::FaultyFileSystem;
using testing::MemoryFileSystem;

constexpr char kSubRip[] = "1\r\n00:00:01,000 --> 00:00:04,000\r\nHello\r\n\r\n";
constexpr char kOther[] = "2\r\n00:00:05,000 --> 00:00:06,000\r\nBye\r\n\r\n";
// What the converter leaves under the input's name.
constexpr char kConverted[] =
    "\xEF\xBB\xBF"
    "1 00;00;01;00 00;00;04;00 Hello \r\n";

std::vector<std::string> Outcomes(FileSystem& fs, const std::filesystem::path& folder,
                                  const std::filesystem::path& name, bool dry_run = false) {
  std::vector<std::string> outcomes;
  RestoreObserver observer;
  observer.on_backup = [&](const std::filesystem::path& backup, const RestoreResult& result) {
    outcomes.push_back(backup.generic_string() + " " + Describe(result.reason));
  };
  RestoreBackups(fs, folder, name, dry_run, observer);
  return outcomes;
}

TEST(RestoreBackupsTest, UndoesAConversionOfAWholeTree) {
  MemoryFileSystem fs;
  fs.AddFile("/r/a.txt", kSubRip);
  fs.AddFile("/r/sub/Movie.TXT", kOther);
  fs.AddFile("/r/notes.md", "keep");
  const auto before = fs.Paths();
  ConvertFolder(fs, "/r", {});
  ASSERT_NE(fs.Contents("/r/a.txt"), kSubRip);

  EXPECT_EQ(Outcomes(fs, "/r", {}),
            (std::vector<std::string>{"/r/a.txt_original restored",
                                      "/r/sub/Movie.TXT_original restored"}));
  EXPECT_EQ(fs.Paths(), before);
  EXPECT_EQ(fs.Contents("/r/a.txt"), kSubRip);
  EXPECT_EQ(fs.Contents("/r/sub/Movie.TXT"), kOther);
}

TEST(RestoreBackupsTest, HandlesWhateverCarriesTheInputsName) {
  MemoryFileSystem fs;
  fs.AddFile("/r/gone.txt_original", kSubRip);  // the converted file was deleted
  fs.AddFile("/r/dir.txt_original", kSubRip);
  fs.AddDir("/r/dir.txt");
  fs.AddFile("/r/link.txt_original", kSubRip);
  fs.AddEntry("/r/link.txt", EntryKind::kLink);
  fs.AddEntry("/r/dangling.txt_original", EntryKind::kLink);
  EXPECT_EQ(Outcomes(fs, "/r", {}),
            (std::vector<std::string>{"/r/dangling.txt_original backup not a regular file",
                                      "/r/dir.txt_original name taken by a folder or link",
                                      "/r/gone.txt_original restored",
                                      "/r/link.txt_original name taken by a folder or link"}));
  EXPECT_EQ(fs.Contents("/r/gone.txt"), kSubRip);
  EXPECT_EQ(fs.Contents("/r/dir.txt_original"), kSubRip);
  EXPECT_EQ(fs.Contents("/r/link.txt_original"), kSubRip);
}

TEST(RestoreBackupsTest, ANamedFileRestoresItsOwnBackup) {
  MemoryFileSystem fs;
  fs.AddFile("/r/a.txt", kConverted);
  fs.AddFile("/r/a.txt_original", kSubRip);
  fs.AddFile("/r/b.txt", kConverted);
  fs.AddFile("/r/b.txt_original", kOther);
  fs.AddFile("/r/c.txt", "never converted");
  EXPECT_EQ(Outcomes(fs, "/r", "a.txt"), (std::vector<std::string>{"/r/a.txt_original restored"}));
  EXPECT_EQ(Outcomes(fs, "/r", "b.txt_original"),
            (std::vector<std::string>{"/r/b.txt_original restored"}));
  EXPECT_EQ(Outcomes(fs, "/r", "c.txt"), (std::vector<std::string>{"/r/c.txt_original no backup"}));
  EXPECT_EQ(Outcomes(fs, "/r", "c.srt"), (std::vector<std::string>{}));
  EXPECT_EQ(fs.Contents("/r/a.txt"), kSubRip);
  EXPECT_EQ(fs.Contents("/r/b.txt"), kOther);
  EXPECT_EQ(fs.Contents("/r/c.txt"), "never converted");
}

TEST(RestoreBackupsTest, ADryRunTouchesNothing) {
  MemoryFileSystem fs;
  fs.AddFile("/r/a.txt", kConverted);
  fs.AddFile("/r/a.txt_original", kSubRip);
  const auto before = fs.Paths();
  EXPECT_EQ(Outcomes(fs, "/r", {}, /*dry_run=*/true),
            (std::vector<std::string>{"/r/a.txt_original restored"}));
  EXPECT_EQ(fs.Paths(), before);
  EXPECT_EQ(fs.Contents("/r/a.txt"), kConverted);
}

TEST(RestoreBackupsTest, NoFailureLosesTheBackupsBytes) {
  struct Case {
    FaultyFileSystem::Op op;
    int nth;
    RestoreResult::Reason reason;
    bool converted_stays;  // whether the converted file still carries the input's name
  };
  const Case cases[] = {
      {FaultyFileSystem::Op::kStat, 1, RestoreResult::Reason::kStat, true},
      {FaultyFileSystem::Op::kStat, 2, RestoreResult::Reason::kStat, true},
      {FaultyFileSystem::Op::kOpen, 1, RestoreResult::Reason::kRead, true},
      {FaultyFileSystem::Op::kRead, 1, RestoreResult::Reason::kRead, true},
      {FaultyFileSystem::Op::kRemove, 1, RestoreResult::Reason::kRemove, true},
      {FaultyFileSystem::Op::kMove, 1, RestoreResult::Reason::kMove, false},
  };
  for (const Case& c : cases) {
    const std::string name = std::string(testing::OpName(c.op)) + " #" + std::to_string(c.nth);
    MemoryFileSystem memory;
    memory.AddFile("/r/a.txt", kConverted);
    memory.AddFile("/r/a.txt_original", kSubRip);
    FaultyFileSystem fs(memory);
    fs.FailOn(c.op, c.nth);
    RestoreResult result = RestoreBackup(fs, "/r/a.txt_original", false);
    EXPECT_EQ(result.kind, RestoreResult::Kind::kFailed) << name;
    EXPECT_EQ(result.reason, c.reason) << name;
    EXPECT_EQ(result.message, "injected fault") << name;
    EXPECT_EQ(memory.Contents("/r/a.txt_original"), kSubRip) << name;
    EXPECT_EQ(memory.Contents("/r/a.txt"),
              c.converted_stays ? std::optional<std::string>(kConverted) : std::nullopt)
        << name;
  }
}

TEST(RestoreBackupsTest, LeavesAnInputThatWasNeverConvertedAlone) {
  struct Case {
    const char* name;
    std::string bytes;
    bool replaced;
  };
  const Case cases[] = {
      {"converted", kConverted, true},
      {"edited after converting",
       "\xEF\xBB\xBF"
       "my own notes\r\n",
       true},
      {"SubRip", kSubRip, false},
      {"SubRip in UTF-8 with a mark", std::string("\xEF\xBB\xBF") + kSubRip, false},
      {"SubRip in UTF-16",
       std::string("\xFF\xFE"
                   "1\0\r\0\n\0"
                   "0\0-\0-\0>\0",
                   16),
       false},
      {"empty", "", false},
      {"a mark cut short", "\xEF\xBB", false},
      // Past the first read, and across two reads.
      {"arrow far in", "\xEF\xBB\xBF" + std::string(70 * 1024, 'x') + "-->", false},
      {"arrow across reads", "\xEF\xBB\xBF" + std::string(64 * 1024 - 4, 'x') + "-->", false},
  };
  for (const Case& c : cases) {
    MemoryFileSystem fs;
    fs.AddFile("/r/a.txt", c.bytes);
    fs.AddFile("/r/a.txt_original", kOther);
    RestoreResult result = RestoreBackup(fs, "/r/a.txt_original", false);
    EXPECT_EQ(result.restored(), c.replaced) << c.name;
    EXPECT_EQ(fs.Contents("/r/a.txt"), c.replaced ? kOther : c.bytes) << c.name;
    if (!c.replaced) {
      EXPECT_EQ(result.reason, RestoreResult::Reason::kNotConverted) << c.name;
      EXPECT_EQ(fs.Contents("/r/a.txt_original"), kOther) << c.name;
    }
  }
}

TEST(RestoreBackupsTest, NamesTheInputOfABackup) {
  EXPECT_EQ(RestoredPathFor("/r/a.txt_original"), std::filesystem::path("/r/a.txt"));
  EXPECT_EQ(RestoredPathFor("Movie.TXT_original"), std::filesystem::path("Movie.TXT"));
  EXPECT_EQ(RestoredPathFor(BackupPathFor("x.y.txt")), std::filesystem::path("x.y.txt"));
}

}  // namespace
}  // namespace kestrane
