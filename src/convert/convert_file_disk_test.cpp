// The converter on the real disk, against what real folders throw at it.
#include <gtest/gtest.h>

#include <fstream>

#include "convert/convert_file.h"
#include "convert/side_file_names.h"
#include "platform/file_system_wrapper.h"
#include "platform/line_reader.h"
#include "testing/temp_dir.h"

namespace kestrane {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempDir;

constexpr char kSubRip[] = "1\r\n00:00:01,000 --> 00:00:04,000\r\nHello\r\n";
constexpr char kConverted[] =
    "\xEF\xBB\xBF"
    "1 00;00;01;00 00;00;04;00 Hello \r\n";

std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(ConvertFileDiskTest, ABackupNameTakenByAFolderIsLeftAlone) {
  TempDir dir;
  fs::path input = dir.Write("a.txt", kSubRip);
  fs::create_directory(dir.path() / "a.txt_original");
  FileResult result = ConvertFile(DefaultFileSystem(), input);
  EXPECT_EQ(result.reason, FileResult::Reason::kBackupExists);
  EXPECT_EQ(ReadBytes(input), kSubRip);
  EXPECT_TRUE(fs::is_directory(dir.path() / "a.txt_original"));
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"a.txt", "a.txt_original"}));
}

TEST(ConvertFileDiskTest, AWorkFileNameTakenByAFolderIsLeftAlone) {
  TempDir dir;
  fs::path input = dir.Write("a.txt", kSubRip);
  fs::create_directory(dir.path() / "a.txt_temp");
  FileResult result = ConvertFile(DefaultFileSystem(), input);
  EXPECT_EQ(result.reason, FileResult::Reason::kForeignWork);
  EXPECT_EQ(ReadBytes(input), kSubRip);
  EXPECT_TRUE(fs::is_directory(dir.path() / "a.txt_temp"));
}

TEST(ConvertFileDiskTest, OddContentConverts) {
  // The cue's first two lines and their spaces count too.
  constexpr std::size_t kLongest = LineReader::kMaxLine - 64;
  struct Case {
    const char* name;
    std::string input, output;
  } cases[] = {
      {"NUL bytes", std::string("1\n00:00:01,000 --> 00:00:02,000\na\0b\n", 35),
       std::string("\xEF\xBB\xBF"
                   "1 00;00;01;00 00;00;02;00 a\0b \r\n",
                   35)},
      // Past the limit the file is skipped (convert_file_test); up to it, a line of any length.
      {"a line as long as a cue may be",
       "1\n00:00:01,000 --> 00:00:02,000\n" + std::string(kLongest, 'x') + "\n",
       "\xEF\xBB\xBF"
       "1 00;00;01;00 00;00;02;00 " +
           std::string(kLongest, 'x') + " \r\n"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    fs::path input = dir.Write("a.txt", c.input);
    FileResult result = ConvertFile(DefaultFileSystem(), input);
    EXPECT_TRUE(result.done()) << c.name << ": " << result.message;
    EXPECT_TRUE(ReadBytes(input) == c.output) << c.name;
    EXPECT_TRUE(ReadBytes(dir.path() / "a.txt_original") == c.input) << c.name;
  }
}

TEST(ConvertFileDiskTest, NamesAsLongAsTheSystemAllows) {
  // The backup's name is 9 characters longer than the input's: past the limit of a name, the
  // input must simply stay as it is.
  for (std::size_t length : {200u, 246u, 247u, 255u}) {
    TempDir dir;
    std::string name = std::string(length - 4, 'n') + ".txt";
    fs::path input = dir.path() / name;
    {
      std::ofstream out(input, std::ios::binary);
      if (!out) GTEST_SKIP() << "this file system refuses names of " << length << " characters";
      out << kSubRip;
    }
    FileResult result = ConvertFile(DefaultFileSystem(), input);
    if (result.done()) {
      EXPECT_EQ(ReadBytes(input), kConverted) << length;
      EXPECT_EQ(ReadBytes(BackupPathFor(input)), kSubRip) << length;
    } else {
      EXPECT_EQ(result.kind, FileResult::Kind::kFailed) << length;
      EXPECT_EQ(ReadBytes(input), kSubRip) << length;
      EXPECT_EQ(Names(dir.path()), std::vector<std::string>{name}) << length;
    }
  }
}

// Appends to the input right after the converter opened it, as another program might.
class GrowingFileSystem : public FileSystemWrapper {
 public:
  GrowingFileSystem() : FileSystemWrapper(DefaultFileSystem()) {}
  Status OpenForRead(const fs::path& path, std::unique_ptr<ReadableFile>* file) override {
    Status s = FileSystemWrapper::OpenForRead(path, file);
    if (!s.ok()) return s;
    std::ofstream out(path, std::ios::binary | std::ios::app);
    writer_got_in_ = out && (out << "\r\n2\r\n00:00:05,000 --> 00:00:06,000\r\nMore\r\n").flush();
    return s;
  }

  bool writer_got_in_ = false;
};

TEST(ConvertFileDiskTest, AnInputWrittenWhileItIsReadIsNeverLost) {
  TempDir dir;
  fs::path input = dir.Write("a.txt", kSubRip);
  GrowingFileSystem growing;
  FileResult result = ConvertFile(growing, input);
  if (growing.writer_got_in_) {
    // No share modes: the change is noticed and the file is left to its writer.
    EXPECT_EQ(result.reason, FileResult::Reason::kChanged);
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"a.txt"});
    EXPECT_NE(ReadBytes(input), kSubRip);
  } else {
    // The input was open without write sharing: the writer was kept out.
    EXPECT_TRUE(result.done()) << result.message;
    EXPECT_EQ(ReadBytes(dir.path() / "a.txt_original"), kSubRip);
  }
}

}  // namespace
}  // namespace kestrane
