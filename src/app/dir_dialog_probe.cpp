// Shows one GTK CDirDialog configured from the command line and prints what Browse answered, for
// the GUI tests of the members the program itself leaves at their defaults:
//   dir_dialog_probe [--caption C] [--root R] [--start S] [--prompt P] [--status] [--veto NAME]
// prints "chosen PATH" or "none". With --veto, OK is refused for folders named NAME, and the
// status line (with --status) names the selected folder.
#include <gtk/gtk.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/dir_dialog.h"

namespace {

class VetoingDirDialog : public kestrane::CDirDialog {
 public:
  std::string veto;
  bool OnSelChange(const std::filesystem::path& folder, std::string& status) override {
    status = "Selected: " + folder.filename().string();
    return veto.empty() || folder.filename() != veto;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "dir_dialog_probe: cannot open the display\n");
    return 2;
  }
  VetoingDirDialog picker;
  for (int i = 1; i < argc; ++i) {
    const char* value = i + 1 < argc ? argv[i + 1] : "";
    if (std::strcmp(argv[i], "--status") == 0) {
      picker.m_bStatusText = true;
      continue;
    }
    if (std::strcmp(argv[i], "--caption") == 0)
      picker.m_strCaption = value;
    else if (std::strcmp(argv[i], "--root") == 0)
      picker.m_strRoot = value;
    else if (std::strcmp(argv[i], "--start") == 0)
      picker.m_strStartSel = value;
    else if (std::strcmp(argv[i], "--prompt") == 0)
      picker.m_strPrompt = value;
    else if (std::strcmp(argv[i], "--veto") == 0)
      picker.veto = value;
    else
      return 2;
    ++i;
  }
  if (picker.Browse()) {
    std::printf("chosen %s\n", picker.m_strFolder.string().c_str());
  } else {
    std::printf("none\n");
  }
  return 0;
}
