// The converter against what only Windows does: files held open by other programs.
#define UNICODE
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <gtest/gtest.h>

#include "convert/convert_file.h"
#include "testing/temp_dir.h"

namespace kestrane {
namespace {

constexpr char kSubRip[] = "1\r\n00:00:01,000 --> 00:00:04,000\r\nHello\r\n";

TEST(ConvertFileWin32Test, AnInputAnotherProgramHoldsOpenIsPassedOver) {
  testing::TempDir dir;
  std::filesystem::path input = dir.Write("a.txt", kSubRip);
  for (DWORD share : {DWORD{0}, DWORD{FILE_SHARE_READ}}) {
    // An editor that has the file open for writing, sharing at most reading.
    HANDLE held = ::CreateFileW(input.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    FileResult result = ConvertFile(DefaultFileSystem(), input);
    ::CloseHandle(held);
    EXPECT_EQ(result.kind, FileResult::Kind::kFailed) << "share " << share;
    EXPECT_EQ(result.reason, FileResult::Reason::kOpen) << "share " << share;
    EXPECT_EQ(testing::ReadBytes(input), kSubRip) << "share " << share;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "a.txt_temp")) << "share " << share;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "a.txt_original")) << "share " << share;
  }
  // Once it lets go, the file converts.
  EXPECT_TRUE(ConvertFile(DefaultFileSystem(), input).done());
}

// A file the user made read-only stays so once converted, and its backup is the original.
TEST(ConvertFileWin32Test, TheConvertedFileKeepsTheInputsAttributes) {
  testing::TempDir dir;
  std::filesystem::path input = dir.Write("a.txt", kSubRip);
  const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  ASSERT_TRUE(::SetFileAttributesW(input.c_str(), kept)) << ::GetLastError();
  ASSERT_TRUE(ConvertFile(DefaultFileSystem(), input).done());
  EXPECT_EQ(::GetFileAttributesW(input.c_str()) & FILE_ATTRIBUTE_READONLY,
            DWORD{FILE_ATTRIBUTE_READONLY});
  EXPECT_NE(testing::ReadBytes(input), kSubRip);
  EXPECT_EQ(testing::ReadBytes(dir.path() / "a.txt_original"), kSubRip);
  for (const char* name : {"a.txt", "a.txt_original"}) {
    const std::wstring path = (dir.path() / name).native();
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // so that the folder can go
  }
}

}  // namespace
}  // namespace kestrane
