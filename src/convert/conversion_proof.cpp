#include "convert/conversion_proof.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "convert/cue_blocks.h"
#include "convert/file_identity.h"
#include "convert/move_ladder.h"
#include "platform/text.h"

namespace kestrane {
namespace {

// Every rate a list can have been made at: the classic frame and each named one.
const std::vector<FrameRate>& KnownRates() {
  static const std::vector<FrameRate> rates = [] {
    std::vector<FrameRate> all = {FrameRate()};
    all.insert(all.end(), FrameRate::Named().begin(), FrameRate::Named().end());
    return all;
  }();
  return rates;
}

// The ways a list can have been made without an offset, each of them tried by every proof;
// those with an offset come from the list's first cue (ProofPass::AddOffsetMakings).
const std::vector<ListMaking>& KnownMakings() {
  static const std::vector<ListMaking> makings = [] {
    std::vector<ListMaking> all;
    for (const FrameRate& rate : KnownRates()) {
      for (bool strip_tags : {false, true})
        all.push_back(ListMaking(rate, std::nullopt, strip_tags));
    }
    return all;
  }();
  return makings;
}

// The cue line that `making` writes for `block`, with its line end, appended to *out; *out as
// it was unless it is written.
CueLineResult AppendExpectedLine(const ListMaking& making, const CueBlock& block,
                                 std::string* out) {
  const CueLineResult result = block.AppendCueLine(making, out);
  if (result == CueLineResult::kWritten) out->append("\r\n");
  return result;
}

// Whether `twin` is `making` but for removing the tags, which the proof lists right after it.
bool IsTagsRemovedTwin(const ListMaking& making, const ListMaking& twin) {
  return !making.strip_tags && twin.strip_tags && making.rate.name() == twin.rate.name() &&
         making.offset == twin.offset;
}

// The start time of `line`, a cue line: the word after its index.
std::string_view StartToken(std::string_view line) {
  const std::size_t start = line.find(' ');
  if (start == line.npos) return {};
  const std::size_t end = line.find(' ', start + 1);
  return end == line.npos ? std::string_view() : line.substr(start + 1, end - start - 1);
}

// The candidate's bytes, read ahead as far as a comparison needs them.
class Candidate {
 public:
  explicit Candidate(ReadableFile& file) : file_(file), left_(file.info().size) {}

  // `n` bytes from the read position, fewer only where the file ends.
  Status Peek(std::size_t n, std::string_view* bytes) {
    while (end_ - start_ < n && !at_end_) {
      if (start_ != 0) {
        std::memmove(buffer_.data(), buffer_.data() + start_, end_ - start_);
        end_ -= start_;
        start_ = 0;
      }
      // As much as the file holds, for a small one, rather than a whole piece of zeros first.
      const std::size_t want =
          std::max(n - end_, static_cast<std::size_t>(std::clamp(left_, kLeast, kMost)));
      if (buffer_.size() < end_ + want) buffer_.resize(end_ + want);
      std::size_t got = 0;
      Status s = file_.Read(buffer_.data() + end_, want, &got);
      if (!s.ok()) return s;
      end_ += got;
      at_end_ = got == 0;
      left_ -= std::min<std::uint64_t>(left_, got);
    }
    *bytes = std::string_view(buffer_.data() + start_, std::min(n, end_ - start_));
    return Status::Ok();
  }

  void Skip(std::size_t n) { start_ += n; }

 private:
  static constexpr std::uint64_t kLeast = 4 * 1024, kMost = 64 * 1024;

  ReadableFile& file_;
  std::uint64_t left_;     // of the size the file had when opened
  std::string buffer_;     // bytes read into [0, end_), those before start_ compared already
  std::size_t start_ = 0;  // the read position
  std::size_t end_ = 0;
  bool at_end_ = false;
};

// Whether `held`, the candidate's bytes where a line is expected, agree with the line as
// `mode` reads them: all of it in the whole mode; in the prefix mode as much of it as the
// candidate still holds, a zero there standing for any byte.
bool Agree(std::string_view expected, std::string_view held, ProofMode mode) {
  if (mode == ProofMode::kWhole) return held.substr(0, expected.size()) == expected;
  const std::size_t n = std::min(expected.size(), held.size());
  if (std::memcmp(expected.data(), held.data(), n) == 0) return true;
  for (std::size_t i = 0; i < n; ++i) {
    if (held[i] != expected[i] && held[i] != '\0') return false;
  }
  return true;
}

enum class Verdict {
  kProven,
  kNotProven,
  // Several makings agree with the candidate so far, but on different lengths for a line,
  // which only zeros allow: each must be tried on its own.
  kSplit,
};

// One reading of both files, for the makings still alive, all of them at the same place of the
// candidate.
class ProofPass {
 public:
  // `infer_offsets`: the makings with an offset that the first cue gives join `makings`.
  ProofPass(ReadableFile& candidate, ProofMode mode, std::vector<ListMaking> makings,
            bool infer_offsets)
      : candidate_(candidate),
        mode_(mode),
        alive_(std::move(makings)),
        infer_offsets_(infer_offsets) {}

  Status Run(ReadableFile& original, const LegacyEncoding& legacy) {
    CueBlockReader blocks(original, legacy);
    while (const CueBlock* block = blocks.Next()) {
      Status s = Step(*block);
      if (!s.ok() || verdict_) return s;
    }
    // Never converted, so no list is its conversion.
    if (blocks.status().code() == Status::Code::kTooLarge) {
      verdict_ = Verdict::kNotProven;
      return Status::Ok();
    }
    if (!blocks.status().ok()) return blocks.status();
    // The conversion is over: the candidate must be too. Without a cue there was none.
    std::string_view rest;
    Status s = candidate_.Peek(1, &rest);
    verdict_ = !first_ && rest.empty() ? Verdict::kProven : Verdict::kNotProven;
    return s;
  }

  Verdict verdict() const { return verdict_.value_or(Verdict::kNotProven); }
  // The makings that agree with every line so far.
  const std::vector<ListMaking>& alive() const { return alive_; }

 private:
  // A list with an offset is made so from its first cue: at each rate, the offset that takes
  // the conversion's first start to the candidate's, with and without the tags. Nothing for a
  // rate whose conversion of the cue has no time to shift, or where the candidate's first start
  // is no timecode of the rate.
  Status AddOffsetMakings(const CueBlock& block) {
    std::string line(kUtf8Mark);
    for (const FrameRate& rate : KnownRates()) {
      line.resize(kUtf8Mark.size());
      if (block.AppendCueLine(ListMaking(rate, 0), &line) != CueLineResult::kWritten) continue;
      const std::string_view ours = StartToken(line);
      const std::size_t start_at = ours.data() - line.data();
      std::string_view held;
      Status s = candidate_.Peek(start_at + FrameCounter::kMaxTimecode + 1, &held);
      if (!s.ok()) return s;
      if (held.substr(0, start_at) != std::string_view(line).substr(0, start_at)) continue;
      const FrameCounter& timeline = rate.timeline();
      const std::optional<std::int64_t> from = timeline.ReadTimecode(ours);
      const std::optional<std::int64_t> to =
          timeline.ReadTimecode(StartToken(held.substr(kUtf8Mark.size())));
      if (!from || !to) continue;
      for (bool strip_tags : {false, true}) {
        const ListMaking making(rate, *to - *from, strip_tags);
        bool whole = true;
        s = HoldsFirstLine(making, block, &whole);
        if (!s.ok()) return s;
        if (whole) alive_.push_back(making);
      }
    }
    return Status::Ok();
  }

  // Whether the candidate holds as many bytes as the first line `making` writes for `block`.
  // Any first start is some offset away from the conversion's: a work file cut short of its
  // first line would prove nearly anything, so an offset counts only once a whole line agrees.
  Status HoldsFirstLine(const ListMaking& making, const CueBlock& block, bool* whole) {
    *whole = true;
    if (mode_ == ProofMode::kWhole) return Status::Ok();
    std::string line(kUtf8Mark);
    if (AppendExpectedLine(making, block, &line) != CueLineResult::kWritten) return Status::Ok();
    std::string_view held;
    Status s = candidate_.Peek(line.size(), &held);
    *whole = held.size() == line.size();
    return s;
  }

  // Compares the cue line each making writes for `block` with the candidate and keeps the
  // makings that agree; sets the verdict when that settles it.
  Status Step(const CueBlock& block) {
    if (first_ && infer_offsets_) {
      Status s = AddOffsetMakings(block);
      if (!s.ok()) return s;
    }
    lines_.resize(alive_.size());
    std::size_t longest = 0;
    std::size_t writing = 0;
    const bool tags_matter = block.may_hold_tags();
    for (std::size_t i = 0; i < alive_.size(); ++i) {
      std::string& line = lines_[writing];
      // A cue without tags is written alike with tags removed or kept: the twin's line serves.
      if (!tags_matter && writing != 0 && IsTagsRemovedTwin(alive_[writing - 1], alive_[i])) {
        line = lines_[writing - 1];
        alive_[writing++] = alive_[i];
        continue;
      }
      line.assign(first_ ? kUtf8Mark : std::string_view());
      // Whether a block holds a cue is the same under every making; a making that cannot place
      // it on its timeline made no list of it.
      const CueLineResult result = AppendExpectedLine(alive_[i], block, &line);
      if (result == CueLineResult::kNoCue) return Status::Ok();
      if (result != CueLineResult::kWritten) continue;
      alive_[writing++] = alive_[i];
      longest = std::max(longest, line.size());
    }
    alive_.resize(writing);
    lines_.resize(writing);
    first_ = false;
    if (alive_.empty()) {
      verdict_ = Verdict::kNotProven;
      return Status::Ok();
    }
    std::string_view held;
    Status s = candidate_.Peek(longest, &held);
    if (!s.ok()) return s;
    // Cut before this line: a prefix of the conversion, and nothing else of a list.
    if (held.empty()) {
      verdict_ = mode_ == ProofMode::kPrefix ? Verdict::kProven : Verdict::kNotProven;
      return s;
    }
    std::size_t kept = 0, length = 0;
    bool lengths_differ = false;
    for (std::size_t i = 0; i < alive_.size(); ++i) {
      if (!Agree(lines_[i], held, mode_)) continue;
      // Cut inside the line, and what is left of it agrees.
      if (lines_[i].size() > held.size()) {
        verdict_ = Verdict::kProven;
        return s;
      }
      lengths_differ |= kept != 0 && lines_[i].size() != length;
      length = lines_[i].size();
      alive_[kept++] = alive_[i];
    }
    alive_.resize(kept);
    if (kept == 0) verdict_ = Verdict::kNotProven;
    if (lengths_differ) verdict_ = Verdict::kSplit;
    candidate_.Skip(length);
    return s;
  }

  Candidate candidate_;
  const ProofMode mode_;
  std::vector<ListMaking> alive_;
  const bool infer_offsets_;
  std::vector<std::string> lines_;  // the line each making alive expects of the current cue
  bool first_ = true;               // no cue yet: the next one carries the UTF-8 mark
  std::optional<Verdict> verdict_;
};

}  // namespace

Status ProveConversion(ReadableFile& candidate, ReadableFile& original,
                       const LegacyEncoding& legacy, ProofMode mode, bool* proven) {
  *proven = false;
  Status s = original.Rewind();
  if (!s.ok()) return s;
  ProofPass pass(candidate, mode, KnownMakings(), true);
  s = pass.Run(original, legacy);
  Verdict verdict = pass.verdict();
  // Zeros left several makings with lines of different lengths: each is read on its own, from
  // the start again, so that memory stays bounded by a line.
  for (std::size_t i = 0; s.ok() && verdict == Verdict::kSplit && i < pass.alive().size(); ++i) {
    s = candidate.Rewind();
    if (s.ok()) s = original.Rewind();
    if (!s.ok()) break;
    ProofPass alone(candidate, mode, {pass.alive()[i]}, false);
    s = alone.Run(original, legacy);
    if (alone.verdict() == Verdict::kProven) verdict = Verdict::kProven;
  }
  *proven = s.ok() && verdict == Verdict::kProven;
  Status rewound = original.Rewind();
  return s.ok() ? rewound : s;
}

Status ProveOpened(FileSystem& fs, const std::filesystem::path& path,
                   std::unique_ptr<ReadableFile> file, ReadableFile& original,
                   const LegacyEncoding& legacy, ProofMode mode,
                   std::unique_ptr<ReadableFile>* proven) {
  proven->reset();
  bool same = false;
  Status s = ProveConversion(*file, original, legacy, mode, &same);
  if (!s.ok()) return s;
  FileInfo now;
  if (same && fs.Stat(path, &now).ok() && SameFile(now, file->info())) *proven = std::move(file);
  return Status::Ok();
}

Status OpenIfConversionOf(FileSystem& fs, const std::filesystem::path& path, ReadableFile& original,
                          const LegacyEncoding& legacy, ProofMode mode,
                          std::unique_ptr<ReadableFile>* proven, bool listed) {
  proven->reset();
  std::unique_ptr<ReadableFile> file;
  Status s = listed ? fs.OpenListedForRead(path, &file) : fs.OpenForRead(path, &file);
  if (s.code() == Status::Code::kNotFound || s.code() == Status::Code::kNotRegular) {
    return Status::Ok();
  }
  if (!s.ok()) return s;
  return ProveOpened(fs, path, std::move(file), original, legacy, mode, proven);
}

Status RemoveIfStillProven(FileSystem& fs, const std::filesystem::path& path,
                           const ReadableFile& proven) {
  return RemoveIfOurs(fs, path, proven.info(), /*unchanged=*/true);
}

}  // namespace kestrane
