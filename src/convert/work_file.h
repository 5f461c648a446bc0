// The work file name.txt_temp a conversion is written to, and the converter that writes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "convert/file_result.h"
#include "platform/codepage.h"
#include "platform/file_system.h"

namespace kestrane {

// What holds a work file's name, looked at under the claim on the original it is written from.
// Ours is a work file a run left when it died: empty or the conversion of `original` (read with
// `legacy`) cut anywhere, as the prefix proof says (conversion_proof.h); *leftover then holds it
// open, so that only that file is removed. Anything else there is another program's (a folder
// and a link too), as is a file that cannot be read. Nothing there, or a look that fails
// otherwise, is kNone: creating the work file then says what it is.
enum class WorkFileOwner { kNone, kOurs, kForeign };
WorkFileOwner WorkFileAt(FileSystem& fs, const std::filesystem::path& path, ReadableFile& original,
                         const LegacyEncoding& legacy, std::unique_ptr<ReadableFile>* leftover);

// The work file of one conversion. It is created by the first Append, so that an input without
// a cue leaves no trace; in a dry run it takes the text and writes nothing.
class WorkFile {
 public:
  // `path` is kept by reference: its owner outlives the work file.
  WorkFile(FileSystem& fs, const std::filesystem::path& path, FileMode mode, bool dry_run);
  // Creates nothing and hands each piece of text to `sink`, whose failure is the write's.
  WorkFile(FileSystem& fs, std::function<Status(std::string_view)> sink);
  WorkFile(const WorkFile&) = delete;
  WorkFile& operator=(const WorkFile&) = delete;

  Status Append(std::string_view text);
  // The step that failed last: creating or writing.
  FileResult::Reason failed_step() const { return failed_step_; }
  std::uint64_t written() const { return written_; }
  // The file created, as it told its identity when new; a default FileInfo before.
  const FileInfo& identity() const { return identity_; }

 private:
  friend class InPlaceConversion;
  friend class BesideConversion;
  Status Seal(bool sync);  // durable (already, or by its own sync), then closed
  std::string Discard();   // removes what was written; the words of a failure to, if any
  void Disown();           // closes, and leaves whatever has the name to whoever put it there
  Status Create();

  FileSystem& fs_;
  const std::filesystem::path& path_;
  FileMode mode_;
  bool dry_run_;
  std::function<Status(std::string_view)> sink_;
  std::unique_ptr<WritableFile> file_;
  FileInfo identity_;
  bool created_ = false;
  std::uint64_t written_ = 0;
  FileResult::Reason failed_step_ = FileResult::Reason::kNone;
};

// What a converter made of one source.
struct ConversionOutcome {
  Status status;
  std::size_t cues = 0;  // cue lines written
  // The step that failed, when `status` is a failure; kNone otherwise.
  FileResult::Reason failed_step = FileResult::Reason::kNone;
  // The legacy code page the text was read with ("windows-1256"), if any. Static text.
  std::string_view code_page;
};

// Reads `source` to its end and writes the converted text to `work`.
using Converter = std::function<ConversionOutcome(ReadableFile& source, WorkFile& work)>;

}  // namespace kestrane
