// A source converted beside it: name.srt or name.vtt (source_names.h) gives the list name.txt,
// and the source is never opened for writing, moved or removed.
//
// What a run finds (S = the source, L = name.txt, W = name.txt_temp) and does:
//   S          fresh             convert: claim S, write W, make it durable, W -> L (never
//                                replacing), sync the folder
//   S W        leftover work     W is a work file a run left when it died only when it is empty
//                                or S's conversion cut anywhere: it is removed, then as fresh;
//                                any other W is someone's: skipped, nothing touched
//   S L (W)    list exists       skipped: "already converted" when L is exactly S's conversion,
//                                else "name.txt exists"; W stays, as it may be L's own work
//                                file; restore removes L only when it is exactly S's conversion
//   S ... L'   taken meanwhile   L appeared between the look (or the listing that spared it) and
//                                the move: the move fails, W is removed, skipped as "already
//                                converted" when L is exactly S's conversion, else "name.txt
//                                exists"
//   any        busy              another run holds the claim on S: skipped
// With both name.srt and name.vtt, the walk takes the .srt first: the .vtt then finds L.
// A cut at any call leaves S as it was and at most W, which the next run proves and removes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

#include "convert/convert_options.h"
#include "convert/file_result.h"
#include "convert/work_file.h"
#include "platform/file_system.h"

namespace kestrane {

// One conversion beside, in two steps so that a walk can make a batch's work files durable
// through one barrier before any of its moves: Prepare claims the source, looks at the list and
// the work file and writes the work file; Move makes it durable (unless the barrier did) and
// moves it in. The claim is held from the first step to the end of the second.
class BesideConversion {
 public:
  // `listed_alone`: the folder's listing, just read, showed the source as a regular file and
  // neither its list nor any side file of the list (ListedSideFiles::AnyNamed), so the looks at
  // them are spared: the list's creation since then makes the move fail, a work file's makes
  // its creation fail, and a private name waits for the next run. Nothing is ever replaced.
  BesideConversion(FileSystem& fs, const std::filesystem::path& source,
                   const ConvertOptions& options, bool listed_alone = false);
  ~BesideConversion();
  BesideConversion(const BesideConversion&) = delete;
  BesideConversion& operator=(const BesideConversion&) = delete;

  // Empty when the work file waits for Move; otherwise the result (a dry run's too).
  std::optional<FileResult> Prepare(const Converter& convert);
  // `synced`: a barrier made the work file durable already. The caller syncs the list's folder.
  FileResult Move(bool synced);
  const std::filesystem::path& list() const { return list_; }
  // The volume the source, and so its work file beside it, is on; valid between the two steps.
  std::uint64_t device() const { return source_->info().device; }

 private:
  std::optional<FileResult> ClaimSource();
  std::optional<FileResult> LookAtList();
  void ClearPrivateNames();
  std::optional<FileResult> ClearLeftoverWork();
  FileResult::Reason ListTakenBy();
  std::optional<FileResult> Write(const Converter& convert);
  // Short of success: the work file, if any, goes.
  FileResult End(FileResult::Kind kind, FileResult::Reason reason, const Status& status);

  FileSystem& fs_;
  const std::filesystem::path source_path_, list_, work_path_;
  const ConvertOptions options_;
  const bool listed_alone_;
  std::unique_ptr<ReadableFile> source_;  // open and claimed from Prepare to the end of Move
  std::optional<WorkFile> work_;
  FileResult done_;
};

// Converts the source at `source` (a .srt or .vtt name) into the list beside it, as the table
// above says, through a BesideConversion with its own sync; `convert` writes the work file
// (SubtitleConverter).
FileResult ConvertBeside(FileSystem& fs, const std::filesystem::path& source,
                         const ConvertOptions& options, const Converter& convert);

// Removes the list beside `source` when it is exactly the conversion of that source, under the
// claim on the source; a list the user changed stays (kChangedSinceConverted), and without a
// list there is nothing to do (kNoList). The source is never touched.
FileResult RestoreBeside(FileSystem& fs, const std::filesystem::path& source,
                         const ConvertOptions& options);

}  // namespace kestrane
