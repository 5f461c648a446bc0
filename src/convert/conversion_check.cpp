#include "convert/conversion_check.h"

#include <algorithm>
#include <utility>

#include "convert/file_identity.h"

namespace kestrane {
namespace {

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool WellFormedTimecode(std::string_view timecode) {
  for (int field = 0; field < 3; ++field) {
    const std::size_t end = timecode.find(';');
    if (end == std::string_view::npos || !AllDigits(timecode.substr(0, end))) return false;
    timecode.remove_prefix(end + 1);
  }
  return AllDigits(timecode);
}

bool SameTimecode(std::string_view expected, std::string_view actual) {
  if (WellFormedTimecode(expected)) return WellFormedTimecode(actual);
  // The input's own characters, which no rate reads, stand before the frame.
  const std::size_t frame = expected.rfind(';') + 1;
  return actual.size() > frame && actual.substr(0, frame) == expected.substr(0, frame) &&
         AllDigits(actual.substr(frame));
}

// Cuts the text before the next space off `line`; nothing when there is no space.
bool TakeWord(std::string_view* line, std::string_view* word) {
  const std::size_t space = line->find(' ');
  if (space == std::string_view::npos) return false;
  *word = line->substr(0, space);
  line->remove_prefix(space + 1);
  return true;
}

// Whether `candidate` holds exactly what `convert` makes of `original`; reads both, and leaves
// `original` at its start again.
Status IsConversionOf(FileSystem& fs, ReadableFile& candidate, ReadableFile& original,
                      const Converter& convert, bool* same) {
  *same = false;
  Status s = original.Rewind();
  if (!s.ok()) return s;
  ConversionCheck check(candidate);
  WorkFile work(fs, [&check](std::string_view text) { return check.Expect(text); });
  const ConversionOutcome outcome = convert(original, work);
  s = outcome.status;
  // Without a cue nothing was ever converted from it.
  if (s.ok() && outcome.cues != 0) s = check.Finish(same);
  if (check.differs()) s = Status::Ok();
  Status rewound = original.Rewind();
  return s.ok() ? rewound : s;
}

}  // namespace

bool SameCueLine(std::string_view expected, std::string_view actual) {
  std::string_view index, start, end, actual_index, actual_start, actual_end;
  if (!TakeWord(&expected, &index) || !TakeWord(&expected, &start) || !TakeWord(&expected, &end)) {
    return false;  // not a cue line: nothing the converter writes
  }
  return TakeWord(&actual, &actual_index) && TakeWord(&actual, &actual_start) &&
         TakeWord(&actual, &actual_end) && actual_index == index && actual == expected &&
         SameTimecode(start, actual_start) && SameTimecode(end, actual_end);
}

Status ConversionCheck::Expect(std::string_view text) {
  std::string line;
  for (std::size_t feed; (feed = text.find('\n')) != std::string_view::npos;) {
    expected_.append(text.substr(0, feed + 1));
    text.remove_prefix(feed + 1);
    Status s = ReadLine(&line);
    if (!s.ok()) return s;
    if (!SameCueLine(expected_, line)) {
      differs_ = true;
      return Status::Error(Status::Code::kIo, "not the same text");
    }
    expected_.clear();
  }
  expected_.append(text);
  return Status::Ok();
}

Status ConversionCheck::Finish(bool* same) {
  *same = false;
  if (differs_ || !expected_.empty()) return Status::Ok();
  std::string rest;
  Status s = ReadLine(&rest);
  if (s.ok()) *same = rest.empty();
  return s;
}

Status ConversionCheck::ReadLine(std::string* line) {
  std::size_t feed;
  while ((feed = buffer_.find('\n', start_)) == std::string::npos && !at_end_) {
    buffer_.erase(0, start_);
    start_ = 0;
    const std::size_t had = buffer_.size();
    buffer_.resize(had + 64 * 1024);
    std::size_t got = 0;
    Status s = file_.Read(buffer_.data() + had, 64 * 1024, &got);
    buffer_.resize(had + got);
    if (!s.ok()) return s;
    at_end_ = got == 0;
  }
  const std::size_t end = feed == std::string::npos ? buffer_.size() : feed + 1;
  line->assign(buffer_, start_, end - start_);
  start_ = end;
  return Status::Ok();
}

Status OpenIfConversionOf(FileSystem& fs, const std::filesystem::path& path, ReadableFile& original,
                          const Converter& convert, std::unique_ptr<ReadableFile>* proven) {
  proven->reset();
  std::unique_ptr<ReadableFile> file;
  Status s = fs.OpenForRead(path, &file);
  if (s.code() == Status::Code::kNotFound || s.code() == Status::Code::kNotRegular) {
    return Status::Ok();
  }
  if (!s.ok()) return s;
  bool same = false;
  s = IsConversionOf(fs, *file, original, convert, &same);
  if (!s.ok()) return s;
  FileInfo now;
  if (same && fs.Stat(path, &now).ok() && SameFile(now, file->info())) *proven = std::move(file);
  return Status::Ok();
}

Status RemoveIfStillProven(FileSystem& fs, const std::filesystem::path& path,
                           const ReadableFile& proven) {
  FileInfo now;
  if (!fs.Stat(path, &now).ok() || !SameFile(now, proven.info())) return Status::Ok();
  return fs.Remove(path);
}

}  // namespace kestrane
