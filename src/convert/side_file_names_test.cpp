#include "convert/side_file_names.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

namespace kestrane {
namespace {

TEST(SideFileNamesTest, NamesInBothDirections) {
  struct Case {
    std::filesystem::path name;
    bool input, work, backup;
    bool aside = false;
    bool own = false;  // a private name
  };
  const Case cases[] = {
      {"a.txt", true, false, false},
      {"Movie.TXT", true, false, false},
      {"x.tXt", true, false, false},
      {".txt", true, false, false},
      {"a.b.txt", true, false, false},
      {std::filesystem::path(u8"\u00dcbung.TXT"), true, false, false},
      {"a.txt_temp", false, true, false},
      {"Movie.TXT_TEMP", false, true, false},
      {"a.txt_original", false, false, true},
      {"Movie.TXT_Original", false, false, true},
      {"a.txt_undoing", false, false, false, true},
      {"Movie.TXT_UNDOING", false, false, false, true},
      {"a.txt_gone", false, false, false, false, true},
      {"A.TXT_COPYING", false, false, false, false, true},
      {"a.srt_removing", false, false, false, false, false},
      {"txt", false, false, false},
      {"a.srt", false, false, false},
      {"a", false, false, false},
      {".foo", false, false, false},
      {"a.txt.bak", false, false, false},
      {"a_txt", false, false, false},
      {"a_temp", false, false, false},
      {"a.srt_original", false, false, false},
      {"", false, false, false},
      {std::filesystem::path(u8"a.t\u00d7t"), false, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsInputName(c.name), c.input) << c.name;
    EXPECT_EQ(IsWorkName(c.name), c.work) << c.name;
    EXPECT_EQ(IsBackupName(c.name), c.backup) << c.name;
    EXPECT_EQ(IsAsideName(c.name), c.aside) << c.name;
    EXPECT_EQ(IsPrivateName(c.name), c.own) << c.name;
    if (c.work || c.backup || c.aside || c.own) {
      EXPECT_TRUE(IsInputName(InputPathFor(c.name))) << c.name;
    } else {
      EXPECT_EQ(InputPathFor(c.name), c.name);
    }
  }
  EXPECT_EQ(WorkPathFor("/r/Movie.TXT"), std::filesystem::path("/r/Movie.TXT_temp"));
  EXPECT_EQ(BackupPathFor("/r/Movie.TXT"), std::filesystem::path("/r/Movie.TXT_original"));
  for (const char* input : {"/r/a.txt", "Movie.TXT", "x.y.txt"}) {
    EXPECT_EQ(InputPathFor(BackupPathFor(input)), std::filesystem::path(input)) << input;
    EXPECT_EQ(InputPathFor(WorkPathFor(input)), std::filesystem::path(input)) << input;
    EXPECT_EQ(InputPathFor(AsidePathFor(input)), std::filesystem::path(input)) << input;
    EXPECT_EQ(InputPathFor(RemovingPathFor(input)), std::filesystem::path(input)) << input;
    EXPECT_EQ(InputPathFor(CopyingPathFor(input)), std::filesystem::path(input)) << input;
  }
}

// An input taken for alone skips the first look at its side files, so one missed here would be
// converted without its backup, work file or file set aside being looked at first.
TEST(SideFileNamesTest, AListingTellsWhichInputsHaveSideFiles) {
  std::vector<DirEntry> listing;
  for (const char* name : {"a.txt", "a.txt_original", "B.TXT_TEMP", "c.txt_Undoing", "d.txt",
                           "e.srt_original", "f.txt.bak", "sub", "g.txt_gone"}) {
    listing.push_back({name});
  }
  const ListedSideFiles listed(listing);
  const std::pair<const char*, bool> cases[] = {
      {"a.txt", true},  {"A.Txt", true},           {"b.txt", true},  {"c.TXT", true},
      {"d.txt", false}, {"e.srt", false},          {"e.txt", false}, {"f.txt", false},
      {"sub", false},   {"a.txt_original", false}, {"g.txt", true},
  };
  for (const auto& [name, any] : cases)
    EXPECT_EQ(listed.AnyFor(name), any) << name;
}

// A source taken for alone skips the looks at its list and the list's side files, so a list
// missed here would be reported converted by a dry run, which never reaches the move that finds
// it.
TEST(SideFileNamesTest, AListingTellsWhichListsAreTakenBesideTheirSources) {
  std::vector<DirEntry> listing;
  for (const char* name : {"a.txt", "B.TXT", "c.txt_temp", "d.TXT_GONE", "e.txt_copying",
                           "f.txt_original", "g.srt", "h.txt.srt"}) {
    listing.push_back({name});
  }
  listing.push_back({"sub.txt", EntryKind::kDirectory});
  const ListedSideFiles listed(listing, /*with_inputs=*/true);
  const std::pair<const char*, bool> cases[] = {
      {"a.txt", true},  {"A.TXT", true},  {"b.txt", true},      {"c.txt", true},
      {"d.txt", true},  {"e.txt", true},  {"f.txt", true},      {"sub.txt", true},
      {"g.txt", false}, {"h.txt", false}, {"h.txt.txt", false},
  };
  for (const auto& [name, any] : cases)
    EXPECT_EQ(listed.AnyNamed(name), any) << name;
}

}  // namespace
}  // namespace kestrane
