// A subtitle file and its side files: name.txt, the work file name.txt_temp its conversion is
// written to, the backup name.txt_original that keeps its original bytes, and name.txt_undoing,
// where a restore sets the converted file aside while it proves it is ours. The one place that
// knows their names, built and taken apart in both directions.
//
// What a run finds (I = name.txt, W = name.txt_temp, B = name.txt_original, A =
// name.txt_undoing) and does:
//   I          untouched         convert: write W, then I -> B, W -> I
//   I W        leftover work     the same; W is stale (no live run holds I) and is replaced,
//                                when it is proven ours: empty or I's conversion cut anywhere
//   I W'       someone's W       W is not a work file of ours: convert skips and touches nothing
//   I B (W)    converted         convert skips ("backup exists"); restore, when I is what
//                                converting B gives: I -> A, B -> I, remove A
//   B W        interrupted       a run stopped between its two moves: convert, when W is B's
//                                conversion cut anywhere, puts B -> I and goes on as for an
//                                untouched input (any other W is someone's); restore: B -> I
//   B          lone backup       convert reports it and leaves it; restore: B -> I
//   A B        set aside         a restore stopped before putting the backup back: restore
//                                checks A and goes on; convert puts A -> I when A is exactly
//                                B's conversion, and leaves any other A alone
//   I A        nearly restored   a restore stopped before removing A: either run removes A
//                                when it is what converting I gives
//   any        busy              another run holds the claim on the original: skipped
// The conversion's moves are in in_place_conversion.h, the restore's in restore_in_place.h, and
// the claim that keeps two runs apart in claim.h.
#pragma once

#include <filesystem>
#include <set>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/folder_path.h"

namespace kestrane {

// Names in both directions. The suffixes match in any ASCII letter case, since the systems that
// ignore case would take Movie.TXT_ORIGINAL for the backup of Movie.txt; a name built here keeps
// the input's own spelling.
bool IsInputName(const std::filesystem::path& name);   // x.txt
bool IsWorkName(const std::filesystem::path& name);    // x.txt_temp
bool IsBackupName(const std::filesystem::path& name);  // x.txt_original
bool IsAsideName(const std::filesystem::path& name);   // x.txt_undoing
std::filesystem::path WorkPathFor(const std::filesystem::path& input);
std::filesystem::path BackupPathFor(const std::filesystem::path& input);
std::filesystem::path AsidePathFor(const std::filesystem::path& input);
// The input a side file belongs to: x.txt_temp, x.txt_original and x.txt_undoing give x.txt.
// Any other name comes back as it is.
std::filesystem::path InputPathFor(const std::filesystem::path& side_file);

// The side files a folder's listing shows, by the input they belong to: an input the listing
// shows alone is converted without asking the file system about each of them first.
class ListedSideFiles {
 public:
  explicit ListedSideFiles(const std::vector<DirEntry>& entries);
  // Whether the listing showed a side file of the input named `name` (no folder), in any ASCII
  // letter case.
  bool AnyFor(const std::filesystem::path& name) const;

 private:
  std::set<std::filesystem::path::string_type> inputs_;  // ASCII letters in lower case
};

// What a folder's listing tells a restore, by entry name.
struct ListedForRestore {
  // Backups listed as regular files beside their input, a regular file by that very name, with
  // nothing set aside in any letter case: their restores spare the looks that would only say
  // the same.
  std::vector<std::filesystem::path> converted;
  // Files set aside listed beside their backup: the backup's restore finishes them, so they are
  // not handed over a second time.
  std::vector<std::filesystem::path> asides_with_backup;
};
ListedForRestore ListForRestore(const std::vector<DirEntry>& entries);

}  // namespace kestrane
