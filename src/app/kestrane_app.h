// The application: picks one file at a time (with the argument /file) or one folder tree, and
// converts what was picked.
#pragma once

#include <filesystem>

#include "app/app_base.h"
#include "app/dialogs.h"
#include "convert/convert_options.h"
#include "platform/file_system.h"
#include "walk/convert_folder.h"

namespace kestrane {

class CKestraneApp : public CApplication {
 public:
  // The program's object gets DefaultFileSystem() and PlatformDialogs(); tests their own.
  CKestraneApp(FileSystem& fs, Dialogs& dialogs) : m_fs(fs), m_dialogs(dialogs) {}

  // Runs the chosen mode to its end and returns false, so that the program ends with it. The
  // first argument /file chooses the open-file mode; in any position, /fps:RATE the frame rate,
  // /offset:TC where the lists start on the timeline (read at that rate; the last of each
  // counts), /strip-tags the removal of formatting tags, and /sources:srt,vtt the sources a
  // folder walk converts beside them (a file picked in the open-file dialog is converted
  // whatever it says). A rate that is not one of FrameRate's, an offset that is no timecode at
  // the rate, or sources that are not ParseSources', ends the program at once, with a message
  // box, before anything is converted. Otherwise the first argument that is none of
  // these, when it names a folder, is where the folder picker starts.
  bool InitInstance() override;

  // Converts folder/name, or every subtitle file of the tree below folder when name is empty.
  // What happened to each file is not reported: the program is silent.
  void ConvertFolder(const std::filesystem::path& folder, const std::filesystem::path& name);

 private:
  // Reads the arguments that change the conversion into m_options; false, after the message
  // box, for one that cannot be read.
  bool TakeConversionArguments();
  // Reads /sources: into m_walk; false, after the message box, when it cannot be read.
  bool TakeSources(const std::string& arg);

  FileSystem& m_fs;
  Dialogs& m_dialogs;
  ConvertOptions m_options;
  WalkOptions m_walk;
};

}  // namespace kestrane
