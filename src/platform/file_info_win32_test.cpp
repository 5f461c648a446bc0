#include "platform/file_info_win32.h"

#include <gtest/gtest.h>

namespace kestrane {
namespace {

// Wine reports the archive attribute on every file, whatever was set, so the rule is proved
// here, as a function.
TEST(FileInfoWin32Test, ANewFileIsMarkedForBackupWhateverItKeeps) {
  constexpr DWORD kArchive = FILE_ATTRIBUTE_ARCHIVE;
  const struct {
    const char* fault;  // what each row catches
    std::uint32_t kept;
    DWORD given;
  } kCases[] = {
      {"a plain file is left to the system's mark", 0, kArchive},
      {"a read-only file loses its mark, and robocopy /M skips it", kAttributeReadOnly,
       kAttributeReadOnly | kArchive},
      {"a hidden system file loses its mark", kAttributeHidden | kAttributeSystem,
       kAttributeHidden | kAttributeSystem | kArchive},
      {"a bit no new file may take is passed on",
       kAttributeReadOnly | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_COMPRESSED |
           FILE_ATTRIBUTE_REPARSE_POINT,
       kAttributeReadOnly | kArchive},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(win32::NewFileAttributes(c.kept), c.given) << c.fault;
  }
}

}  // namespace
}  // namespace kestrane
