#include "cli/cli.h"

#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

#include "cli/json_object.h"
#include "cli/options.h"
#include "cli/progress.h"
#include "cli/shown_name.h"
#include "convert/convert_file.h"
#include "convert/disk_spelling.h"
#include "convert/frame_rate.h"
#include "convert/side_file_names.h"
#include "convert/source_names.h"
#include "convert/timeline_offset.h"
#include "platform/codepage.h"
#include "platform/text.h"
#include "walk/convert_folder.h"
#include "walk/walk_tree.h"

namespace kestrane {
namespace {

// What the report calls a file that was converted or restored.
const char* DoneWord(const Settings& settings) {
  return settings.restore ? (settings.dry_run ? "would restore" : "restored")
                          : (settings.dry_run ? "would convert" : "converted");
}

// A path from the command line that was found to exist.
struct Target {
  std::filesystem::path path;
  bool folder = false;
};

std::string Plural(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The counts behind the summary line.
class Tally {
 public:
  void Add(const FileResult& result) {
    if (result.kind == FileResult::Kind::kDone) ++done_;
    if (result.kind == FileResult::Kind::kFailed) ++failed_;
    if (result.kind == FileResult::Kind::kSkipped) ++skipped_[result.reason];
    if (result.warned()) ++warned_;
  }
  void AddUnreadable() { ++unreadable_; }
  // A file done whose folder could not be synced is no failure, but nor is the run a success.
  bool AnyFailure() const { return failed_ != 0 || unreadable_ != 0 || warned_ != 0; }

  // converted 12, skipped 3 (backup exists 2, no subtitle 1), failed 0
  std::string Summary(const Settings& settings) const {
    const char* verb = DoneWord(settings);
    std::size_t skipped = 0;
    std::string reasons;
    for (const auto& [reason, count] : skipped_) {
      skipped += count;
      reasons += (reasons.empty() ? "" : ", ") + std::string(Describe(reason)) + " " +
                 std::to_string(count);
    }
    std::string line =
        std::string(verb) + " " + std::to_string(done_) + ", skipped " + std::to_string(skipped);
    if (skipped != 0) line += " (" + reasons + ")";
    line += ", failed " + std::to_string(failed_);
    if (warned_ != 0) line += ", " + Plural(warned_, "warning", "warnings");
    if (unreadable_ != 0) line += ", " + Plural(unreadable_, "folder", "folders") + " unreadable";
    return line + "\n";
  }

  // {"summary": {"converted": 12, "skipped": 3, "failed": 0, "folder unreadable": 0},
  //  "reasons": {"backup exists": 2, "no subtitle": 1}}: a count for each outcome of the lines.
  JsonObject Json(const Settings& settings, const ConvertOptions& options) const {
    JsonObject reasons;
    std::size_t skipped = 0;
    for (const auto& [reason, count] : skipped_) {
      skipped += count;
      reasons.Number(Describe(reason), count);
    }
    JsonObject counts;
    counts.Number(DoneWord(settings), done_)
        .Number("skipped", skipped)
        .Number("failed", failed_)
        .Number("folder unreadable", unreadable_);
    if (warned_ != 0) counts.Number("warning", warned_);
    if (!settings.restore && !options.rate.classic()) counts.Text("fps", options.rate.name());
    if (!settings.restore && options.offset) counts.Text("offset", options.offset->text());
    if (!settings.restore && options.strip_tags) counts.Bool("strip_tags", true);
    return JsonObject().Object("summary", counts).Object("reasons", reasons);
  }

 private:
  std::size_t done_ = 0;
  std::size_t failed_ = 0;
  std::size_t unreadable_ = 0;
  std::size_t warned_ = 0;  // done, a step after failed
  // In the order of the reasons, whatever order the files came in.
  std::map<FileResult::Reason, std::size_t> skipped_;
};

class Run {
 public:
  Run(FileSystem& fs, Console& console, const Settings& settings, ConvertOptions options)
      : fs_(fs),
        console_(console),
        settings_(settings),
        options_(std::move(options)),
        progress_(console, !settings.quiet && console.ErrIsTerminal()) {}

  // Empty when the path can be worked on, else the one line that says why not.
  std::string Check(const std::string& arg, Target* target) {
    target->path = PathFromArg(arg);
    if (arg.empty()) return "an empty PATH";
    const std::string shown = ShownPath(target->path);
    FileInfo info;
    Status status = fs_.Stat(target->path, &info);
    // An input whose backup is there is Kestrane's to speak of, even without the input: a
    // restore puts it back, a conversion says why it cannot.
    if (status.code() == Status::Code::kNotFound && IsInputName(target->path.filename()) &&
        fs_.Stat(BackupPathFor(target->path), &info).ok()) {
      target->path = SpelledAsOnDisk(fs_, target->path);
      return {};
    }
    if (status.code() == Status::Code::kNotFound) return shown + ": no such file or folder";
    if (!status.ok()) return ShownText(status.message());
    target->folder = info.kind == EntryKind::kDirectory;
    if (info.kind == EntryKind::kLink) {
      // A link named by the user is followed, to a folder as to a file; links met inside the
      // tree never are.
      std::vector<DirEntry> entries;
      target->folder = fs_.ListDir(target->path, &entries).ok();
    }
    if (target->folder && IsRoot(target->path)) {
      return shown + ": will not walk a whole drive or /; name the folders to convert";
    }
    // Whether a file is an input or a backup, and the names of its side files, go by its own
    // name, never by a short name standing for it (MOVIEF~1.TXT for a .txt_original too).
    if (!target->folder) target->path = SpelledAsOnDisk(fs_, target->path);
    return {};
  }

  void Convert(const Target& target) {
    const ConvertOptions options = Options();
    const WalkOptions walk{.jobs = settings_.jobs, .sources = settings_.sources};
    if (target.folder) {
      ConvertFolder(fs_, target.path, {}, options, Observer(), walk);
    } else if (IsInputName(target.path.filename()) || IsBesideSourceName(target.path.filename())) {
      ConvertFolder(fs_, target.path.parent_path(), target.path.filename(), options, Observer(),
                    walk);
    } else {
      Report(target.path, Skipped(FileResult::Reason::kNotAnInput));
    }
  }

  void Restore(const Target& target) {
    const std::filesystem::path name = target.path.filename();
    const WalkOptions walk{.jobs = settings_.jobs, .sources = settings_.sources};
    if (target.folder) {
      RestoreBackups(fs_, target.path, {}, Options(), Observer(), walk);
    } else if (IsInputName(name) || IsBackupName(name) || IsBesideSourceName(name)) {
      RestoreBackups(fs_, target.path.parent_path(), name, Options(), Observer(), walk);
    } else {
      Report(target.path, Skipped(FileResult::Reason::kNotAnInputOrBackup));
    }
  }

  int Finish() {
    progress_.Clear();
    if (settings_.json) console_.Out(tally_.Json(settings_, options_).ToString() + "\n");
    if (!settings_.quiet) console_.Err(tally_.Summary(settings_));
    return tally_.AnyFailure() ? kExitFailed : kExitOk;
  }

 private:
  bool IsRoot(const std::filesystem::path& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    if (ec) return IsDriveRoot(fs_, path);
    if (IsDriveRoot(fs_, absolute)) return true;
    // Through links too: /home/me/everything -> /.
    return std::filesystem::equivalent(absolute, absolute.root_path(), ec) && !ec;
  }

  const ConvertOptions& Options() const { return options_; }

  static FileResult Skipped(FileResult::Reason reason) {
    FileResult result;
    result.kind = FileResult::Kind::kSkipped;
    result.reason = reason;
    return result;
  }

  WalkObserver Observer() {
    WalkObserver observer;
    observer.on_file = [this](const std::filesystem::path& path, const FileResult& result) {
      Report(path, result);
    };
    observer.on_folder_error = [this](const std::filesystem::path& folder, const Status& status) {
      FolderError(folder, status);
    };
    return observer;
  }

  void Report(const std::filesystem::path& path, const FileResult& result) {
    tally_.Add(result);
    const char* reason = Describe(result.reason);
    // Cues and code pages belong to a converted file only.
    const bool converted = result.done() && !settings_.restore;
    if (settings_.json) {
      JsonObject record;
      record.Name("path", PathText(path))
          .Text("outcome", result.done()                               ? DoneWord(settings_)
                           : result.kind == FileResult::Kind::kSkipped ? "skipped"
                                                                       : "failed");
      if (!result.done()) record.Text("reason", reason);
      if (result.warned()) record.Text("warning", reason);
      if (converted) record.Number("cues", result.cues);
      if (converted && !result.code_page.empty()) record.Text("code_page", result.code_page);
      if (result.done() && result.recovered) record.Bool("recovered", true);
      if (IsBesideSourceName(path.filename())) record.Name("beside", PathText(ListPathFor(path)));
      if (!result.message.empty()) record.Text("message", result.message);
      console_.Out(record.ToString() + "\n");
    }
    if (result.kind == FileResult::Kind::kFailed || result.warned()) {
      const std::string shown = ShownPath(path);
      progress_.Clear();
      std::string line = std::string(kCliName) + ": " + shown + ": ";
      line += result.warned() ? std::string(DoneWord(settings_)) + ", but failed " : "failed, ";
      line += reason;
      if (!result.message.empty()) line += ": " + ShownText(result.message);
      console_.Err(line + "\n");
    } else if (settings_.verbose) {
      progress_.Clear();
      std::string line = ShownPath(path) + ": ";
      line += result.done() ? DoneWord(settings_) : "skipped, ";
      if (!result.done()) line += reason;
      // The one skip the user can act on from here; the summary keeps to its reasons.
      if (result.reason == FileResult::Reason::kLoneBackup) line += ": --restore puts it back";
      if (result.reason == FileResult::Reason::kOffTimeline)
        line += ": " + ShownText(result.message);
      if (converted) line += ", " + Plural(result.cues, "cue", "cues");
      if (converted && !options_.rate.classic()) line += ", " + options_.rate.Describe();
      if (converted && options_.offset) line += ", offset " + options_.offset->text();
      if (converted && options_.strip_tags) line += ", tags removed";
      if (converted && !result.code_page.empty()) line += ", " + std::string(result.code_page);
      if (result.done() && result.recovered) line += ", finishing an interrupted run";
      if (result.done() && IsBesideSourceName(path.filename())) {
        line += (settings_.restore ? ", its list removed: " : ", beside it as ") +
                ShownPath(ListPathFor(path));
      }
      console_.Out(line + "\n");
    }
    progress_.Update(++files_, [&] { return ShownPath(path); });
  }

  void FolderError(const std::filesystem::path& folder, const Status& status) {
    tally_.AddUnreadable();
    if (settings_.json) {
      console_.Out(JsonObject()
                       .Name("path", PathText(folder))
                       .Text("outcome", "folder unreadable")
                       .Text("message", status.message())
                       .ToString() +
                   "\n");
    }
    progress_.Clear();
    console_.Err(std::string(kCliName) + ": " + ShownPath(folder) +
                 ": folder passed over: " + ShownText(status.message()) + "\n");
  }

  FileSystem& fs_;
  Console& console_;
  const Settings& settings_;
  const ConvertOptions options_;
  Progress progress_;
  Tally tally_;
  std::size_t files_ = 0;
};

// What --encoding asks for; empty when it names nothing this system can read.
std::optional<LegacyEncoding> EncodingFor(std::string_view name) {
  if (EqualsIgnoringAsciiCase(name, "auto")) return LegacyEncoding{};
  std::optional<CodePage> code_page = CodePageByName(name);
  if (!code_page || !CanDecode(*code_page)) return std::nullopt;
  return LegacyEncoding{.code_page = *code_page, .detect = false};
}

std::string EncodingNames() {
  std::string names;
  for (CodePage code_page : AllCodePages()) {
    if (CanDecode(code_page))
      names += std::string(names.empty() ? "" : ", ") += CodePageName(code_page);
  }
  return names;
}

// Checks every path, then converts or restores them in turn; the exit status.
int RunOnPaths(FileSystem& fs, Console& console, const Settings& settings,
               const ConvertOptions& options) {
  Run run(fs, console, settings, options);
  std::vector<Target> targets(settings.paths.size());
  for (std::size_t i = 0; i < targets.size(); ++i) {
    std::string problem = run.Check(settings.paths[i], &targets[i]);
    if (!problem.empty()) {
      console.Err(std::string(kCliName) + ": " + problem + "\n");
      return kExitUsage;
    }
  }
  for (const Target& target : targets) {
    if (settings.restore) {
      run.Restore(target);
    } else {
      run.Convert(target);
    }
  }
  return run.Finish();
}

}  // namespace

int RunCli(const std::vector<std::string>& args, FileSystem& fs, Console& console) {
  Settings settings;
  if (const std::optional<int> status = ParseOptions(args, console, &settings)) return *status;
  const std::optional<LegacyEncoding> legacy = EncodingFor(settings.encoding);
  if (!legacy) {
    console.Err(std::string(kCliName) + ": --encoding: unknown code page '" +
                ShownText(settings.encoding) + "'; use auto or one of " + EncodingNames() + "\n");
    return kExitUsage;
  }
  const std::optional<FrameRate> rate =
      settings.fps ? FrameRate::Parse(*settings.fps) : FrameRate();
  if (!rate) {
    console.Err(std::string(kCliName) + ": --fps: unknown frame rate '" + ShownText(*settings.fps) +
                "'; use one of " + FrameRate::AcceptedNames() + "\n");
    return kExitUsage;
  }
  ConvertOptions options = {.dry_run = settings.dry_run, .legacy = *legacy, .rate = *rate};
  options.strip_tags = settings.strip_tags;
  if (settings.offset) {
    options.offset = TimelineOffset::Parse(*settings.offset, *rate);
    if (!options.offset) {
      console.Err(std::string(kCliName) + ": --offset: '" + ShownText(*settings.offset) +
                  "' is no timecode at " + rate->Describe() + "; use " +
                  std::string(TimelineOffset::kAcceptedForm) + "\n");
      return kExitUsage;
    }
  }
  return RunOnPaths(fs, console, settings, options);
}

}  // namespace kestrane
