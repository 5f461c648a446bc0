#include "convert/convert_file.h"

#include <algorithm>
#include <cstring>

#include "convert/cue.h"
#include "platform/line_reader.h"

namespace kestrane {

namespace {

using Kind = FileResult::Kind;
using Reason = FileResult::Reason;

// Converted text is handed to the work file in pieces of about this size, so memory stays
// bounded whatever the size of the input.
constexpr std::size_t kFlushSize = 256 * 1024;

FileResult Result(Kind kind, Reason reason, std::string message = {}) {
  FileResult result;
  result.kind = kind;
  result.reason = reason;
  result.message = std::move(message);
  return result;
}

// Whether the first word of the first line, read as 16-bit little-endian units, begins with
// U+FEFF: the mark of UTF-16 text. Leading U+0020 units are skipped; a line without a word is
// not UTF-16.
Status HasUtf16Mark(ReadableFile& file, bool* utf16) {
  *utf16 = false;
  char buf[4096];
  int carry = -1;  // a first byte whose partner is in the next read
  for (;;) {
    std::size_t got = 0;
    Status s = file.Read(buf, sizeof buf, &got);
    if (!s.ok()) return s;
    if (got == 0) return Status::Ok();
    std::size_t i = 0;
    while (i < got) {
      unsigned low, high;
      if (carry >= 0) {
        low = static_cast<unsigned>(carry);
        high = static_cast<unsigned char>(buf[i++]);
        carry = -1;
      } else if (i + 1 < got) {
        low = static_cast<unsigned char>(buf[i]);
        high = static_cast<unsigned char>(buf[i + 1]);
        i += 2;
      } else {
        carry = static_cast<unsigned char>(buf[i++]);
        break;
      }
      unsigned unit = low | (high << 8);
      if (unit == 0x0020) continue;
      *utf16 = unit == 0xFEFF;
      return Status::Ok();
    }
  }
}

// The work file, created only once there is converted text for it, so that an input without a
// single cue leaves no trace.
class Output {
 public:
  Output(FileSystem& fs, const std::filesystem::path& path, std::uint32_t permissions, bool dry_run)
      : fs_(fs), path_(path), permissions_(permissions), dry_run_(dry_run) {
    text_ = "\xEF\xBB\xBF";
  }

  // Appends a cue line, each line feed as CR LF.
  // Appends the cue line of a block, its line feed as CR LF; *added says whether there was one.
  Status AddCue(std::string_view block, bool* added) {
    *added = AppendCueLine(block, &text_);
    if (!*added) return Status::Ok();
    // A block's only line feed is its last character (lines never hold one), and so is the cue
    // line's.
    text_.back() = '\r';
    text_.push_back('\n');
    return text_.size() >= kFlushSize ? Flush() : Status::Ok();
  }

  Status Flush() {
    if (dry_run_) {
      text_.clear();
      return Status::Ok();
    }
    if (!file_) {
      Status s = Create();
      if (!s.ok()) return s;
    }
    Status s = file_->Append(text_);
    if (!s.ok()) {
      failed_step_ = Reason::kWrite;
      return s;
    }
    text_.clear();
    return Status::Ok();
  }

  Status Close() {
    Status s = Flush();
    if (!s.ok() || !file_) return s;
    s = file_->Close();
    file_.reset();
    if (!s.ok()) failed_step_ = Reason::kClose;
    return s;
  }

  // Removes whatever was written, after a failure or when the input is left as it was.
  Status Discard() {
    file_.reset();
    return created_ ? fs_.Remove(path_) : Status::Ok();
  }

  // Ends a conversion that did not succeed: the work file goes, and the result says why.
  FileResult Fail(Kind kind, Reason reason, const Status& status) {
    Status removed = Discard();
    std::string message = status.message();
    if (!removed.ok()) message += "; " + removed.message();
    return Result(kind, reason, std::move(message));
  }

  Reason failed_step() const { return failed_step_; }

 private:
  Status Create() {
    Status s = fs_.CreateNew(path_, permissions_, &file_);
    if (s.code() == Status::Code::kExists) {
      // Left over from a run that was interrupted: never a copy of anything the user owns.
      FileInfo info;
      if (fs_.Stat(path_, &info).ok() && info.kind != EntryKind::kDirectory &&
          fs_.Remove(path_).ok()) {
        s = fs_.CreateNew(path_, permissions_, &file_);
      }
    }
    if (!s.ok()) {
      failed_step_ = Reason::kCreateWork;
      return s;
    }
    created_ = true;
    return s;
  }

  FileSystem& fs_;
  std::filesystem::path path_;
  std::uint32_t permissions_;
  bool dry_run_;
  std::string text_;
  std::unique_ptr<WritableFile> file_;
  bool created_ = false;
  Reason failed_step_ = Reason::kNone;
};

bool SameFile(const FileInfo& a, const FileInfo& b) {
  // An identity of zero means the system could not tell; size and time still count.
  bool same_identity = a.inode == 0 || b.inode == 0 || (a.device == b.device && a.inode == b.inode);
  return a.kind == b.kind && a.size == b.size && a.mtime_ns == b.mtime_ns && same_identity;
}

// Reads the whole source and hands its cue lines to `output`. On failure, *step says where;
// *code_page names the legacy code page that lines were read with, if any.
Status Gather(ReadableFile& file, const LegacyEncoding& legacy, Output& output, std::size_t* cues,
              Reason* step, std::string_view* code_page) {
  *cues = 0;
  *step = Reason::kRead;
  bool utf16 = false;
  Status s = HasUtf16Mark(file, &utf16);
  if (s.ok()) s = file.Rewind();
  if (!s.ok()) return s;

  LineReader reader(file, utf16 ? LineReader::Mode::kUtf16Le : LineReader::Mode::kEightBit, legacy);
  std::string block;
  auto complete_cue = [&]() -> Status {
    block.back() = '\n';  // the space after the cue's last line
    bool added = false;
    Status s = output.AddCue(block, &added);
    block.clear();
    if (added) ++*cues;
    if (!s.ok()) *step = output.failed_step();
    return s;
  };
  std::string_view line;
  while (reader.ReadLine(&line)) {
    // Every CR goes; a line that had nothing else is blank.
    const std::size_t before = block.size();
    for (std::size_t cr; (cr = line.find('\r')) != std::string_view::npos;) {
      block.append(line.substr(0, cr));
      line.remove_prefix(cr + 1);
    }
    block.append(line);
    if (block.size() != before) {
      block.push_back(' ');
    } else if (!block.empty()) {
      s = complete_cue();
      if (!s.ok()) return s;
    }
  }
  if (!reader.status().ok()) return reader.status();
  if (reader.legacy_code_page()) *code_page = CodePageName(*reader.legacy_code_page());
  // Most files in the wild end their last cue without a blank line.
  return block.empty() ? Status::Ok() : complete_cue();
}

}  // namespace

std::filesystem::path WorkPathFor(const std::filesystem::path& input) {
  std::filesystem::path work = input;
  work += "_temp";
  return work;
}

std::filesystem::path BackupPathFor(const std::filesystem::path& input) {
  std::filesystem::path backup = input;
  backup += "_original";
  return backup;
}

FileResult ConvertFile(FileSystem& fs, const std::filesystem::path& input,
                       const ConvertOptions& options) {
  const std::filesystem::path backup = BackupPathFor(input);
  const std::filesystem::path work = WorkPathFor(input);
  FileInfo backup_info;
  // A backup is, as a rule, the only unconverted copy: never overwritten, never converted over.
  if (fs.Stat(backup, &backup_info).ok()) return Result(Kind::kSkipped, Reason::kBackupExists);

  std::unique_ptr<ReadableFile> file;
  Status s = fs.OpenForRead(input, &file);
  if (s.code() == Status::Code::kNotFound) return Result(Kind::kSkipped, Reason::kNoInput);
  if (s.code() == Status::Code::kNotRegular) return Result(Kind::kSkipped, Reason::kNotRegular);
  if (!s.ok()) return Result(Kind::kFailed, Reason::kOpen, s.message());

  // From here on, every way out goes through output.Fail, which removes the work file.
  Output output(fs, work, file->info().permissions, options.dry_run);

  std::size_t cues = 0;
  Reason step = Reason::kNone;
  std::string_view code_page;
  s = Gather(*file, options.legacy, output, &cues, &step, &code_page);
  if (!s.ok()) return output.Fail(Kind::kFailed, step, s);
  if (cues == 0) return output.Fail(Kind::kSkipped, Reason::kNoSubtitle, Status::Ok());
  s = output.Close();
  if (!s.ok()) return output.Fail(Kind::kFailed, output.failed_step(), s);

  FileResult done = Result(Kind::kConverted, Reason::kNone);
  done.cues = cues;
  done.code_page = code_page;
  if (options.dry_run) return done;

  // Where the system cannot keep writers out while the input is read, notice them instead.
  FileInfo now;
  if (!fs.Stat(input, &now).ok() || !SameFile(now, file->info())) {
    return output.Fail(Kind::kSkipped, Reason::kChanged, Status::Ok());
  }
  file.reset();

  s = fs.MoveNoReplace(input, backup);
  if (s.code() == Status::Code::kExists)
    return output.Fail(Kind::kSkipped, Reason::kBackupExists, s);
  if (!s.ok()) return output.Fail(Kind::kFailed, Reason::kBackupMove, s);
  s = fs.MoveNoReplace(work, input);
  if (!s.ok()) {
    // Put the original back where the user left it; should that fail too, it stays safe
    // under the backup name.
    (void)fs.MoveNoReplace(backup, input);
    return output.Fail(Kind::kFailed, Reason::kInstallMove, s);
  }
  return done;
}

std::optional<FileResult> RecoverFile(FileSystem& fs, const std::filesystem::path& input,
                                      const ConvertOptions& options) {
  const std::filesystem::path backup = BackupPathFor(input);
  const std::filesystem::path work = WorkPathFor(input);
  FileInfo info;
  // Only this combination is left by a run cut short between its two moves.
  if (fs.Stat(input, &info).code() != Status::Code::kNotFound) return std::nullopt;
  if (!fs.Stat(work, &info).ok()) return std::nullopt;
  if (!fs.Stat(backup, &info).ok() || info.kind != EntryKind::kFile) return std::nullopt;

  // The leftover work file may be cut short: convert the backup again instead of trusting it.
  std::unique_ptr<ReadableFile> file;
  Status s = fs.OpenForRead(backup, &file);
  if (!s.ok()) return Result(Kind::kFailed, Reason::kOpen, s.message());
  Output output(fs, work, file->info().permissions, options.dry_run);

  std::size_t cues = 0;
  Reason step = Reason::kNone;
  std::string_view code_page;
  s = Gather(*file, options.legacy, output, &cues, &step, &code_page);
  if (!s.ok()) return output.Fail(Kind::kFailed, step, s);
  FileResult done = Result(Kind::kConverted, Reason::kNone);
  done.cues = cues;
  done.code_page = code_page;
  done.recovered = true;
  if (cues == 0) {
    // The backup no longer holds a subtitle: give it back its own name, as before any run.
    if (options.dry_run) return Result(Kind::kSkipped, Reason::kNoSubtitle);
    file.reset();
    (void)fs.Remove(work);  // stale; nothing was written to it this time
    s = fs.MoveNoReplace(backup, input);
    if (!s.ok()) return Result(Kind::kFailed, Reason::kInstallMove, s.message());
    return Result(Kind::kSkipped, Reason::kNoSubtitle);
  }
  s = output.Close();
  if (!s.ok()) return output.Fail(Kind::kFailed, output.failed_step(), s);
  if (options.dry_run) return done;
  file.reset();
  s = fs.MoveNoReplace(work, input);
  if (!s.ok()) return output.Fail(Kind::kFailed, Reason::kInstallMove, s);
  return done;
}

}  // namespace kestrane
