#include "platform/folder_sync_win32.h"

#include <gtest/gtest.h>

#include "testing/temp_dir.h"

namespace kestrane {
namespace {

// Wine calls every Unix file system NTFS, so which volumes are flushed is proved here, as a
// function.
TEST(FolderSyncWin32Test, FoldersAreFlushedWhereNoJournalKeepsTheMoves) {
  const struct {
    const char* fault;  // what each row catches
    const wchar_t* file_system;
    bool flushed;
  } kCases[] = {
      {"a FAT32 stick pulled after \"converted\" loses the moves", L"FAT32", true},
      {"an exFAT card pulled after \"converted\" loses the moves", L"exFAT", true},
      {"a volume the system would not name is trusted", L"", true},
      {"a name that only starts as NTFS's is trusted", L"NTFSX", true},
      {"NTFS pays a flush for every folder of every batch", L"NTFS", false},
      {"ReFS pays a flush for every folder of every batch", L"ReFS", false},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(win32::MovesNeedFlush(c.file_system), c.flushed) << c.fault;
  }
}

// A folder renamed or removed since its moves cannot be made durable: that is said, not taken
// for done.
TEST(FolderSyncWin32Test, AFolderGoneSinceItsMovesIsReported) {
  testing::TempDir dir;
  const std::filesystem::path gone = dir.path() / "gone";
  EXPECT_TRUE(win32::SyncFolder(dir.path().native(), dir.path()).ok());
  const Status status = win32::SyncFolder(gone.native(), gone);
  EXPECT_EQ(status.code(), Status::Code::kNotFound) << status.message();
}

}  // namespace
}  // namespace kestrane
