#include "walk/convert_folder.h"

#include <optional>
#include <string_view>
#include <utility>

#include "walk/walk_tree.h"

namespace kestrane {
namespace {

// Only names ending in .txt are inputs. So a backup (x.txt_original), a work file (x.txt_temp)
// or x.srt never reach the converter, and no input is converted twice in one walk.
bool IsInputName(const std::filesystem::path& name) {
  return EndsWithIgnoringCase(name, ".txt");
}

constexpr std::string_view kWorkSuffix = ".txt_temp";

// The input a work file belongs to: x.txt_temp gives x.txt.
std::filesystem::path InputOfWork(const std::filesystem::path& work) {
  auto text = work.native();
  text.resize(text.size() - (kWorkSuffix.size() - 4));
  return std::filesystem::path(std::move(text));
}

}  // namespace

void ConvertFolder(FileSystem& fs, const std::filesystem::path& folder,
                   const std::filesystem::path& name, const ConvertOptions& options,
                   const WalkObserver& observer) {
  auto report = [&](const std::filesystem::path& input, const FileResult& result) {
    if (observer.on_file) observer.on_file(input, result);
  };
  auto convert = [&](const std::filesystem::path& input) {
    report(input, ConvertFile(fs, input, options));
  };
  // A run killed between its two moves leaves the backup and the work file but no input: only
  // the work file's entry shows that the input is unfinished. RecoverFile does nothing when the
  // input exists, so an input is still handled once, by its own entry.
  auto recover = [&](const std::filesystem::path& input) {
    std::optional<FileResult> result = RecoverFile(fs, input, options);
    if (result) report(input, *result);
    return result.has_value();
  };

  std::filesystem::path start = folder;
  if (!name.empty()) {
    // Taken literally: a name holding * or ? names that one file, not a pattern.
    std::filesystem::path input = folder / name;
    FileInfo info;
    if (!fs.Stat(input, &info).ok() || info.kind != EntryKind::kDirectory) {
      // Missing files, links and FIFOs go to the converter too, which skips them and says why.
      if (IsInputName(input.filename()) && !recover(input)) convert(input);
      return;
    }
    start = std::move(input);
  }

  TreeVisitor visitor;
  // Links and FIFOs named *.txt included: the converter opens nothing but regular files and
  // reports the others as skipped, which tells the user why they were left alone.
  visitor.wants = [](const DirEntry& entry) {
    return IsInputName(entry.name) || EndsWithIgnoringCase(entry.name, kWorkSuffix);
  };
  visitor.visit = [&](const std::filesystem::path& path, const DirEntry& entry) {
    if (IsInputName(entry.name)) {
      convert(path);
    } else {
      recover(InputOfWork(path));
    }
  };
  visitor.on_folder_error = observer.on_folder_error;
  WalkTree(fs, start, visitor);
}

}  // namespace kestrane
