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
//   R, C       private names     R = name.txt_gone, which a removal or a move's dropped
//                                name passes through, and C = name.txt_copying, a copy being
//                                made where the system has no links. Either run removes R when
//                                it is a second name of a trio file or a cut conversion of the
//                                original, C when its bytes begin a trio file's; any other R or
//                                C is left, and stops what would pass through it
//   two names  cut link move     a move by link stopped before dropping the old name: I and B,
//   of a file                    W or A naming one file; either run drops B, W or A, which
//                                leaves the state before that move or after it
//   I = X      cut copy move     the same without links: B, W or A an exact copy of I (size,
//                                time, bytes) beside a cut or whole conversion of the original;
//                                dropped as above. Without such a conversion they are the user's
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
// The private names: no other program uses them, so a name there is ours to replace (moves by
// Rename) once proven (interrupted_moves.h).
bool IsPrivateName(const std::filesystem::path& name);  // x.txt_gone, x.txt_copying
std::filesystem::path RemovingPathFor(const std::filesystem::path& input);
std::filesystem::path CopyingPathFor(const std::filesystem::path& input);
// The input a side file belongs to: x.txt_temp, x.txt_original, x.txt_undoing and the private
// names give x.txt.
// Any other name comes back as it is.
std::filesystem::path InputPathFor(const std::filesystem::path& side_file);

// The side files a folder's listing shows, by the input they belong to: an input the listing
// shows alone is converted without asking the file system about each of them first.
class ListedSideFiles {
 public:
  // `with_inputs`: the inputs listed are kept too, for AnyNamed.
  explicit ListedSideFiles(const std::vector<DirEntry>& entries, bool with_inputs = false);
  // Whether the listing showed a side file of the input named `name` (no folder), in any ASCII
  // letter case.
  bool AnyFor(const std::filesystem::path& name) const;
  // The same, or the input `name` itself, of whatever kind: as the list of a source beside
  // (source_names.h), which a listing without any of them leaves free. Only for a listing read
  // `with_inputs`.
  bool AnyNamed(const std::filesystem::path& name) const;

 private:
  std::set<std::filesystem::path::string_type> inputs_;         // ASCII letters in lower case
  std::set<std::filesystem::path::string_type> listed_inputs_;  // the same, `with_inputs`
};

// What a folder's listing tells a restore, by entry name.
struct ListedForRestore {
  // Backups listed as regular files beside their input, a regular file by that very name, with
  // nothing set aside in any letter case: their restores spare the looks that would only say
  // the same.
  std::vector<std::filesystem::path> converted;
  // Files set aside, and private names, listed beside their backup: the backup's restore
  // finishes them, so they are not handed over a second time.
  std::vector<std::filesystem::path> asides_with_backup;
};
ListedForRestore ListForRestore(const std::vector<DirEntry>& entries);

}  // namespace kestrane
