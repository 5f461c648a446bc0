#include "convert/side_file_names.h"

#include <utility>

#include "platform/text.h"

namespace kestrane {
namespace {

constexpr std::string_view kInputExtension = ".txt";
// Each side file's name is its input's with a suffix.
constexpr std::string_view kWorkEnding = ".txt_temp";
constexpr std::string_view kBackupEnding = ".txt_original";
// No longer than the backup's: a name that had room for its backup has room for this one.
constexpr std::string_view kAsideEnding = ".txt_undoing";
constexpr std::string_view kRemovingEnding = ".txt_gone";
constexpr std::string_view kCopyingEnding = ".txt_copying";

constexpr std::string_view SuffixOf(std::string_view ending) {
  return ending.substr(kInputExtension.size());
}

bool EndsWith(const std::filesystem::path& name, std::string_view ending) {
  // The native string, not string(): on Windows that would go through the ANSI code page.
  return EndsWithIgnoringAsciiCase(FolderText(name.native()), ending);
}

std::filesystem::path WithSuffix(const std::filesystem::path& input, std::string_view suffix) {
  // Made from its text at once: a copy of the path and an append would parse its name twice.
  std::filesystem::path::string_type text;
  text.reserve(input.native().size() + suffix.size());
  text = input.native();
  text.append(suffix.begin(), suffix.end());
  return std::filesystem::path(std::move(text));
}

std::filesystem::path::string_type Folded(const std::filesystem::path& name) {
  auto text = name.native();
  for (auto& c : text)
    c = AsciiLower(c);
  return text;
}

}  // namespace

bool IsInputName(const std::filesystem::path& name) {
  return EndsWith(name, kInputExtension);
}

bool IsWorkName(const std::filesystem::path& name) {
  return EndsWith(name, kWorkEnding);
}

bool IsBackupName(const std::filesystem::path& name) {
  return EndsWith(name, kBackupEnding);
}

bool IsAsideName(const std::filesystem::path& name) {
  return EndsWith(name, kAsideEnding);
}

bool IsPrivateName(const std::filesystem::path& name) {
  return EndsWith(name, kRemovingEnding) || EndsWith(name, kCopyingEnding);
}

std::filesystem::path RemovingPathFor(const std::filesystem::path& input) {
  return WithSuffix(input, SuffixOf(kRemovingEnding));
}

std::filesystem::path CopyingPathFor(const std::filesystem::path& input) {
  return WithSuffix(input, SuffixOf(kCopyingEnding));
}

std::filesystem::path WorkPathFor(const std::filesystem::path& input) {
  return WithSuffix(input, SuffixOf(kWorkEnding));
}

std::filesystem::path BackupPathFor(const std::filesystem::path& input) {
  return WithSuffix(input, SuffixOf(kBackupEnding));
}

std::filesystem::path AsidePathFor(const std::filesystem::path& input) {
  return WithSuffix(input, SuffixOf(kAsideEnding));
}

std::filesystem::path InputPathFor(const std::filesystem::path& side_file) {
  std::size_t suffix = 0;
  if (IsWorkName(side_file)) suffix = SuffixOf(kWorkEnding).size();
  if (IsBackupName(side_file)) suffix = SuffixOf(kBackupEnding).size();
  if (IsAsideName(side_file)) suffix = SuffixOf(kAsideEnding).size();
  if (EndsWith(side_file, kRemovingEnding)) suffix = SuffixOf(kRemovingEnding).size();
  if (EndsWith(side_file, kCopyingEnding)) suffix = SuffixOf(kCopyingEnding).size();
  auto text = side_file.native();
  text.resize(text.size() - suffix);
  return std::filesystem::path(std::move(text));
}

ListedSideFiles::ListedSideFiles(const std::vector<DirEntry>& entries, bool with_inputs) {
  for (const DirEntry& entry : entries) {
    if (IsWorkName(entry.name) || IsBackupName(entry.name) || IsAsideName(entry.name) ||
        IsPrivateName(entry.name)) {
      inputs_.insert(Folded(InputPathFor(entry.name)));
    } else if (with_inputs && IsInputName(entry.name)) {
      listed_inputs_.insert(Folded(entry.name));
    }
  }
}

bool ListedSideFiles::AnyFor(const std::filesystem::path& name) const {
  return !inputs_.empty() && inputs_.count(Folded(name)) != 0;
}

bool ListedSideFiles::AnyNamed(const std::filesystem::path& name) const {
  if (inputs_.empty() && listed_inputs_.empty()) return false;
  const auto folded = Folded(name);
  return inputs_.count(folded) != 0 || listed_inputs_.count(folded) != 0;
}

ListedForRestore ListForRestore(const std::vector<DirEntry>& entries) {
  std::set<std::filesystem::path::string_type> files, backups, asides;
  for (const DirEntry& entry : entries) {
    if (entry.kind == EntryKind::kFile && IsInputName(entry.name))
      files.insert(entry.name.native());
    if (IsBackupName(entry.name)) backups.insert(entry.name.native());
    // A private name, as a file set aside, says that the trio is in the middle of something.
    if (IsAsideName(entry.name) || IsPrivateName(entry.name)) {
      asides.insert(Folded(InputPathFor(entry.name)));
    }
  }
  ListedForRestore listed;
  for (const DirEntry& entry : entries) {
    const std::filesystem::path input = InputPathFor(entry.name);
    if (entry.kind == EntryKind::kFile && IsBackupName(entry.name) &&
        files.count(input.native()) != 0 && asides.count(Folded(input)) == 0) {
      listed.converted.push_back(entry.name);
    }
    if ((IsAsideName(entry.name) || IsPrivateName(entry.name)) &&
        backups.count(BackupPathFor(input).native()) != 0) {
      listed.asides_with_backup.push_back(entry.name);
    }
  }
  return listed;
}

}  // namespace kestrane
