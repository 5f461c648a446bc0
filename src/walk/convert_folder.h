// Finds the subtitle files of a folder tree, or one named file, and converts each in place.
#pragma once

#include <filesystem>
#include <functional>

#include "convert/convert_file.h"
#include "convert/file_result.h"
#include "platform/file_system.h"

namespace kestrane {

// Told of every input the walk handed to the converter, and of every folder it could not read.
struct WalkObserver {
  std::function<void(const std::filesystem::path& input, const FileResult& result)> on_file;
  std::function<void(const std::filesystem::path& folder, const Status& status)> on_folder_error;
};

// With an empty `name`, converts every .txt file (any letter case) of `folder` and of all its
// subfolders, depth-first in the order the system lists them; a drive's root or / is refused.
// With a `name`, converts folder/name alone (a folder of that name is walked as a whole).
// Links are neither followed nor converted through. An input that an interrupted run left as
// backup and work file only is finished (RecoverFile), in both modes.
void ConvertFolder(FileSystem& fs, const std::filesystem::path& folder,
                   const std::filesystem::path& name, const ConvertOptions& options = {},
                   const WalkObserver& observer = {});

}  // namespace kestrane
