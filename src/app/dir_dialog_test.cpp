#include "app/dir_dialog.h"

#include <gtest/gtest.h>

namespace kestrane {
namespace {

TEST(DirDialogTest, StartSelectionLosesTrailingBlanksAndOneSeparator) {
  struct Case {
    const char* start;
    const char* trimmed;
    bool exists = false;
  };
  const Case cases[] = {
      {"", ""},
      {"C:\\Subs", "C:\\Subs"},
      {"C:\\Subs\\", "C:\\Subs"},
      {"/home/me/subs/", "/home/me/subs"},
      {"/home/me/subs/ \t\r\n\v\f", "/home/me/subs"},
      {"C:\\Subs\\\\", "C:\\Subs\\"},
      {"a/ \\ ", "a/ "},
      {"  lead", "  lead"},
      {" \t ", ""},
      // A root keeps its separator ("C:" is the drive's current folder), and blanks that are
      // part of an existing folder's name stay (more in KestraneAppCommandLineTest).
      {"/", "/", true},
      {"C:\\ ", "C:\\"},
      {"\\\\nas\\films\\Subs \\", "\\\\nas\\films\\Subs ", true},
      {"\\\\nas\\films\\Subs ", "\\\\nas\\films\\Subs"},
  };
  for (const Case& c : cases) {
    std::filesystem::path asked;
    const std::filesystem::path trimmed =
        TrimStartSelection(c.start, [&](const std::filesystem::path& path) {
          asked = path;
          return c.exists;
        });
    EXPECT_EQ(trimmed, std::filesystem::path(c.trimmed)) << "[" << c.start << "]";
    if (c.exists) {
      EXPECT_EQ(asked, std::filesystem::path(c.start)) << "asked for another path";
    }
  }
}

TEST(DirDialogTest, NewPickerAllowsEverySelectionAndPromptsOpen) {
  CDirDialog picker;
  EXPECT_EQ(picker.m_strCaption, "");
  EXPECT_EQ(picker.m_strFolder, "");
  EXPECT_EQ(picker.m_strRoot, "");
  EXPECT_EQ(picker.m_strStartSel, "");
  EXPECT_FALSE(picker.m_bStatusText);
  EXPECT_EQ(PromptOf(picker), "Open");
  picker.m_strPrompt = "Pick subtitles";
  EXPECT_EQ(PromptOf(picker), "Pick subtitles");

  std::string status;
  EXPECT_TRUE(picker.OnSelChange("/some/folder", status));
  EXPECT_TRUE(picker.OnSelChange("", status)) << "even a selection without a path";
  EXPECT_EQ(status, "");
}

TEST(DirDialogTest, OkOnlyForAFileSystemPathThatOnSelChangeAllows) {
  struct Case {
    const char* folder;
    bool allows;
    bool ok;
  };
  const Case cases[] = {
      {"C:\\Subs", true, true},   {"/home/me/subs", true, true},
      {"C:\\Subs", false, false}, {"", true, false},  // This PC, a library, a network neighbourhood
      {"", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(OkEnabledFor(c.folder, c.allows), c.ok) << "[" << c.folder << "] " << c.allows;
  }
}

// Fixed pixels shrink the client area at high scaling: the frame grows with the DPI.
TEST(DirDialogTest, EnlargementGrowsWithTheWindowsDpi) {
  struct Case {
    unsigned dpi;
    int width;
    int height;
  };
  const Case cases[] = {
      {96, 25, 60},   {0, 25, 60},     // 100 %, or unknown
      {120, 31, 75},  {168, 44, 105},  // 125 % (31.25 rounds down), 175 %
      {192, 50, 120}, {480, 125, 300},
  };
  for (const Case& c : cases) {
    const Enlargement e = PickerEnlargement(c.dpi);
    EXPECT_EQ(e.width, c.width) << c.dpi << " dpi";
    EXPECT_EQ(e.height, c.height) << c.dpi << " dpi";
  }
}

// The whole window grows, and is centred on its own monitor's work area wherever that lies.
TEST(DirDialogTest, PickerIsEnlargedAndCentredOnItsWorkArea) {
  struct Case {
    const char* what;
    ScreenRect window;
    ScreenRect work_area;
    unsigned dpi;
    ScreenRect placed;
  };
  const Case cases[] = {
      {"taskbar at the top", {0, 0, 400, 400}, {0, 40, 1920, 1080}, 96, {747, 330, 1172, 790}},
      {"second monitor", {0, 0, 400, 400}, {1920, 0, 3840, 1040}, 96, {2667, 290, 3092, 750}},
      {"monitor left of the primary",
       {-900, 0, -500, 400},
       {-1280, 0, 0, 1024},
       96,
       {-853, 282, -428, 742}},
      {"150 %", {0, 0, 600, 600}, {0, 0, 2560, 1400}, 144, {961, 355, 1599, 1045}},
      {"larger than the work area", {0, 0, 700, 500}, {100, 50, 800, 500}, 96, {100, 50, 825, 610}},
  };
  for (const Case& c : cases) {
    const ScreenRect placed = PickerPlacement(c.window, c.work_area, c.dpi);
    EXPECT_EQ(placed, c.placed) << c.what << ": " << placed.left << "," << placed.top << " to "
                                << placed.right << "," << placed.bottom;
  }
}

}  // namespace
}  // namespace kestrane
