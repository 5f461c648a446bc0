// Names from the disk, never from the typing, where names are Windows': one file for every
// letter case of its name and an 8.3 short name beside its long one, as Wine keeps them too.
#define UNICODE
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "app/kestrane_app.h"
#include "testing/temp_dir.h"
#include "walk/convert_folder.h"

namespace kestrane {
namespace {

constexpr char kSubRip[] = "1\r\n00:00:01,000 --> 00:00:04,000\r\nHello\r\n\r\n";

// Answers the first open-file dialog with a name typed into it, and cancels the next.
class TypedIntoTheDialog : public Dialogs, public OpenFileDialog {
 public:
  TypedIntoTheDialog(std::filesystem::path folder, std::filesystem::path name)
      : folder_(std::move(folder)), name_(std::move(name)) {}
  std::unique_ptr<OpenFileDialog> NewOpenFileDialog(const FileFilter&) override {
    return std::make_unique<TypedIntoTheDialog>(folder_, answered_++ == 0 ? name_ : "");
  }
  bool Browse(CDirDialog&) override { return false; }
  void ShowMessage(const std::string& text) override { ADD_FAILURE() << text; }
  DialogResult DoModal() override {
    return name_.empty() ? DialogResult::kCancel : DialogResult::kOk;
  }
  std::filesystem::path GetFolderPath() const override { return folder_; }
  std::filesystem::path GetFileName() const override { return name_; }

 private:
  std::filesystem::path folder_, name_;
  int answered_ = 0;
};

std::filesystem::path ShortName(const std::filesystem::path& path) {
  wchar_t buffer[MAX_PATH];
  const DWORD length = ::GetShortPathNameW(path.c_str(), buffer, MAX_PATH);
  EXPECT_TRUE(length > 0 && length < MAX_PATH) << path << ": " << ::GetLastError();
  return std::filesystem::path(std::wstring(buffer, length)).filename();
}

TEST(TypedNamesWin32Test, EveryWayOfNamingAFileEndsWithTheDisksSpelling) {
  enum class Way { kRestore, kConvert, kFileDialog };
  const struct {
    const char* fault;  // what each row catches
    const char* disk;   // names, |-separated: a work file holds a byte-order mark, others kSubRip
    Way way;
    const char* typed;  // empty: the short name of the first file
    const char* after;  // the names at the end, sorted; the first holds the original bytes
  } kCases[] = {
      {"a restore by name brings the backup back in the typed case", "movie.txt_original",
       Way::kRestore, "MOVIE.TXT", "movie.txt"},
      {"a file named for an interrupted run is finished in the typed case",
       "movie.txt_original|movie.txt_temp", Way::kConvert, "Movie.Txt",
       "movie.txt_original|movie.txt"},
      {"a backup named by its short name comes back under the short name",
       "Movie file long name.txt_original", Way::kRestore, "", "Movie file long name.txt"},
      {"a name typed into the /file dialog names the converted file",
       "movie.txt_original|movie.txt_temp", Way::kFileDialog, "MOVIE.TXT",
       "movie.txt_original|movie.txt"},
  };
  for (const auto& c : kCases) {
    testing::TempDir dir;
    std::string name, first;
    for (std::istringstream names(c.disk); std::getline(names, name, '|');) {
      dir.Write(name, name.ends_with("_temp") ? "\xEF\xBB\xBF" : kSubRip);
      if (first.empty()) first = name;
    }
    const std::filesystem::path typed = *c.typed ? c.typed : ShortName(dir.path() / first);
    FileSystem& fs = DefaultFileSystem();
    if (c.way == Way::kRestore) RestoreBackups(fs, dir.path(), typed, {});
    if (c.way == Way::kConvert) ConvertFolder(fs, dir.path(), typed);
    if (c.way == Way::kFileDialog) {
      TypedIntoTheDialog dialogs(dir.path(), typed);
      CKestraneApp app(fs, dialogs);
      app.SetArguments({"kestrane", "/file"});
      app.InitInstance();
    }
    std::set<std::string> after;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
      after.insert(entry.path().filename().string());
    std::set<std::string> expected;
    for (std::istringstream names(c.after); std::getline(names, name, '|');)
      expected.insert(name);
    EXPECT_EQ(after, expected) << c.fault;
    const std::string original = std::string(c.after).substr(0, std::string(c.after).find('|'));
    EXPECT_EQ(testing::ReadBytes(dir.path() / original), kSubRip) << c.fault;
  }
}

}  // namespace
}  // namespace kestrane
