// The application: picks one file at a time (with the argument /file) or one folder tree, and
// converts what was picked.
#pragma once

#include <filesystem>

#include "app/app_base.h"
#include "app/dialogs.h"
#include "convert/frame_rate.h"
#include "platform/file_system.h"

namespace kestrane {

class CKestraneApp : public CApplication {
 public:
  // The program's object gets DefaultFileSystem() and PlatformDialogs(); tests their own.
  CKestraneApp(FileSystem& fs, Dialogs& dialogs) : m_fs(fs), m_dialogs(dialogs) {}

  // Runs the chosen mode to its end and returns false, so that the program ends with it. The
  // first argument /file chooses the open-file mode; /fps:RATE in any position, the frame rate
  // (the last one counts). A rate that is not one of FrameRate's ends the program at once, with
  // a message box, before anything is converted. Otherwise the first argument that is not a
  // rate, when it names a folder, is where the folder picker starts.
  bool InitInstance() override;

  // Converts folder/name, or every subtitle file of the tree below folder when name is empty.
  // What happened to each file is not reported: the program is silent.
  void ConvertFolder(const std::filesystem::path& folder, const std::filesystem::path& name);

 private:
  FileSystem& m_fs;
  Dialogs& m_dialogs;
  FrameRate m_rate;
};

}  // namespace kestrane
