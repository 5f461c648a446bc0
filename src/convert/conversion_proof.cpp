#include "convert/conversion_proof.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "convert/alike_makings.h"
#include "convert/candidate_bytes.h"
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

// The cue line that `making` writes for `block`, with its line end, appended to *out; *out as
// it was unless it is written.
CueLineResult AppendExpectedLine(const ListMaking& making, const CueBlock& block,
                                 std::string* out) {
  const CueLineResult result = block.AppendCueLine(making, out);
  if (result == CueLineResult::kWritten) {
    out->push_back('\r');
    out->push_back('\n');
  }
  return result;
}

// The start time of `line`, a cue line: the word after its index.
std::string_view StartToken(std::string_view line) {
  const std::size_t start = line.find(' ');
  if (start == line.npos) return {};
  const std::size_t end = line.find(' ', start + 1);
  return end == line.npos ? std::string_view() : line.substr(start + 1, end - start - 1);
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
  // Every making known: at each rate, tags kept or removed, without an offset or with the one
  // that the first cue gives (StartMakings).
  ProofPass(ReadableFile& candidate, ProofMode mode)
      : candidate_(candidate), mode_(mode), every_making_(true) {}
  // `making` alone.
  ProofPass(ReadableFile& candidate, ProofMode mode, const ListMaking& making)
      : candidate_(candidate), mode_(mode), alive_{{making}}, every_making_(false) {}

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
  std::vector<ListMaking> alive() const {
    std::vector<ListMaking> each;
    for (const AlikeMakings& makings : alive_)
      makings.AppendEach(&each);
    return each;
  }

 private:
  // The makings alive at the first cue. A making whose start of the line
  // (CueBlock::AppendCueStart) the candidate does not begin with is left out before its whole
  // line is written: that line begins with the start, so it would not agree either.
  Status StartMakings(const CueBlock& block) {
    alive_.clear();
    held_start_.reset();
    for (const FrameRate& rate : KnownRates()) {
      Status s = StartMakingsAt(rate, block);
      if (!s.ok()) return s;
    }
    return Status::Ok();
  }

  // At `rate`, tags kept and removed: without an offset, and with the offset that takes the
  // conversion's first start to the candidate's.
  Status StartMakingsAt(const FrameRate& rate, const CueBlock& block) {
    start_.resize(kUtf8Mark.size());  // it begins with the mark
    const bool written = block.AppendCueStart(ListMaking(rate), &start_);
    bool agrees = true;
    Status s = written ? StartAgrees(&agrees) : Status::Ok();
    if (!s.ok()) return s;
    if (agrees) alive_.push_back({ListMaking(rate), true});
    const bool unplaced_agrees = agrees;
    // Placed at zero, the start is the same where the block says so.
    const bool alike = written && block.PlacesAlikeAtZero(rate);
    if (!alike) start_.resize(kUtf8Mark.size());
    std::optional<std::int64_t> offset;
    s = InferOffset(rate, block, &offset);
    if (!s.ok() || !offset) return s;
    const ListMaking placed(rate, *offset);
    if (*offset != 0 || !alike) {
      start_.resize(kUtf8Mark.size());
      agrees = true;
      if (block.AppendCueStart(placed, &start_)) s = StartAgrees(&agrees);
      if (!s.ok()) return s;
    }
    if (!agrees) return Status::Ok();
    return AddPlaced(placed, block, *offset == 0 && alike && unplaced_agrees);
  }

  // `placed`, with tags kept and removed as far as each holds its first line whole
  // (HoldsFirstLine). `join`: placed at zero, it writes the first cue as the makings without an
  // offset just added, and joins them.
  Status AddPlaced(const ListMaking& placed, const CueBlock& block, bool join) {
    bool whole[2] = {};
    for (bool strip_tags : {false, true}) {
      Status s = HoldsFirstLine(ListMaking(placed.rate, placed.offset, strip_tags), block,
                                &whole[strip_tags]);
      if (!s.ok()) return s;
    }
    if (join && whole[0] && whole[1]) {
      alive_.back().zero_too = true;
    } else if (whole[0]) {
      alive_.push_back({placed, whole[1]});
    } else if (whole[1]) {
      alive_.push_back({ListMaking(placed.rate, placed.offset, true)});
    }
    return Status::Ok();
  }

  // Whether the candidate begins with start_, as the mode reads it.
  Status StartAgrees(bool* agrees) {
    std::string_view held;
    Status s = candidate_.Peek(start_.size(), &held);
    *agrees = s.ok() && LineAgrees(start_, held, mode_);
    return s;
  }

  // The offset that takes the conversion's first start at `rate` to the candidate's, when the
  // candidate's is a timecode of the rate: its lines of a list placed on a timeline. Nothing for
  // a cue with no time to shift. start_ holds the start of the line at offset zero, or only the
  // UTF-8 mark when that is still to be written.
  Status InferOffset(const FrameRate& rate, const CueBlock& block,
                     std::optional<std::int64_t>* offset) {
    offset->reset();
    const ListMaking at_zero(rate, 0);
    if (start_.size() == kUtf8Mark.size() && !block.AppendCueStart(at_zero, &start_) &&
        block.AppendCueLine(at_zero, &start_) != CueLineResult::kWritten) {
      return Status::Ok();
    }
    const std::string_view ours = StartToken(start_);
    // What comes before the start, the mark and the index, is the same at every rate: the
    // candidate's start is looked for once.
    if (!held_start_) {
      const std::size_t start_at = ours.data() - start_.data();
      std::string_view held;
      Status s = candidate_.Peek(start_at + FrameCounter::kMaxTimecode + 1, &held);
      if (!s.ok()) return s;
      held_start_.emplace();
      if (held.substr(0, start_at) == std::string_view(start_).substr(0, start_at)) {
        held_start_->assign(StartToken(held.substr(kUtf8Mark.size())));
      }
    }
    if (held_start_->empty()) return Status::Ok();
    const FrameCounter& timeline = rate.timeline();
    const std::optional<std::int64_t> from = timeline.ReadTimecode(ours);
    const std::optional<std::int64_t> to = timeline.ReadTimecode(*held_start_);
    if (from && to) *offset = *to - *from;
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
    if (first_ && every_making_) {
      Status s = StartMakings(block);
      if (!s.ok()) return s;
    }
    const bool tags_matter = block.may_hold_tags();
    if (!first_ && mode_ == ProofMode::kWhole && alive_.size() == 1 && block.usual() &&
        !AnyTold(block, tags_matter, alive_) && !(alive_[0].making.strip_tags && tags_matter)) {
      return StepAlone(block);
    }
    std::size_t longest = 0;
    if (!WriteLines(block, tags_matter, &longest)) return Status::Ok();
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
    KeepAgreeing(held);
    return s;
  }

  // Writes the line of the makings alive for `block`, once for those with one key (KeyOf), and
  // leaves alive those whose line is written; *longest the longest line. False when the block
  // holds no cue: whether it does is the same under every making, so the first line written
  // tells, and the makings alive stay.
  bool WriteLines(const CueBlock& block, bool tags_matter, std::size_t* longest) {
    if (AnyTold(block, tags_matter, alive_)) SplitWhereTold(block, tags_matter, &alive_);
    lines_.Clear();
    if (line_of_.size() < alive_.size()) line_of_.resize(alive_.size());
    std::size_t writing = 0;
    for (std::size_t i = 0; i < alive_.size(); ++i) {
      const ListMaking& making = alive_[i].making;
      // Nearly always, once the first cues are past, one way is left, and shares with none.
      const LineKey key = alive_.size() > 1 ? KeyOf(making, block, tags_matter) : LineKey();
      std::optional<std::size_t> line = lines_.Find(key);
      if (!line) {
        std::string& text = lines_.Add(key);
        if (first_) text.assign(kUtf8Mark);
        // A making that cannot place the cue on its timeline made no list of it.
        const CueLineResult result = AppendExpectedLine(making, block, &text);
        if (result == CueLineResult::kNoCue) return false;
        if (result != CueLineResult::kWritten) {
          lines_.RemoveLast();
          continue;
        }
        line = lines_.size() - 1;
        *longest = std::max(*longest, text.size());
      }
      line_of_[writing] = *line;
      if (writing != i) alive_[writing] = alive_[i];
      ++writing;
    }
    if (writing != alive_.size()) alive_.resize(writing);
    return true;
  }

  // Step for nearly every cue of a whole list: one way left, which the cue does not part and
  // whose line needs no tags removed (so written alike without removing them). Its line is
  // written to scratch_ and compared there, to the same verdict as Step's bookkeeping for several
  // ways would give.
  Status StepAlone(const CueBlock& block) {
    const ListMaking& making = alive_.front().making;
    const std::size_t room = block.LineRoom(making) + 2;
    if (scratch_.size() < room) scratch_.resize(room);
    char* text = nullptr;
    char* end = block.PutUsualLine(making, scratch_.data(), &text);
    std::string_view held;
    Status s;
    if (end != nullptr) {
      *end++ = '\r';
      *end++ = '\n';
      s = candidate_.Peek(end - scratch_.data(), &held);
      if (!s.ok()) return s;
    }
    // Off the timeline, or apart from the candidate: no list of the way.
    const std::string_view line(scratch_.data(), end != nullptr ? end - scratch_.data() : 0);
    if (end != nullptr && LineAgrees(line, held, mode_)) {
      candidate_.Skip(line.size());
    } else {
      alive_.clear();
      verdict_ = Verdict::kNotProven;
    }
    return s;
  }

  // Keeps the makings alive whose line agrees with `held`, the candidate's bytes from the line
  // on, each line compared once; sets the verdict when that settles it.
  void KeepAgreeing(std::string_view held) {
    agrees_.resize(lines_.size());
    for (std::size_t i = 0; i < lines_.size(); ++i)
      agrees_[i] = LineAgrees(lines_[i], held, mode_);
    std::size_t kept = 0, length = 0;
    bool lengths_differ = false;
    for (std::size_t i = 0; i < alive_.size(); ++i) {
      const std::string& line = lines_[line_of_[i]];
      if (!agrees_[line_of_[i]]) continue;
      // Cut inside the line, and what is left of it agrees.
      if (line.size() > held.size()) {
        verdict_ = Verdict::kProven;
        return;
      }
      lengths_differ |= kept != 0 && line.size() != length;
      length = line.size();
      if (kept != i) alive_[kept] = alive_[i];
      ++kept;
    }
    if (kept != alive_.size()) alive_.resize(kept);
    if (kept == 0) verdict_ = Verdict::kNotProven;
    if (lengths_differ) verdict_ = Verdict::kSplit;
    candidate_.Skip(length);
  }

  CandidateBytes candidate_;
  const ProofMode mode_;
  std::vector<AlikeMakings> alive_;
  const bool every_making_;
  CueLines lines_;                    // the lines the makings alive write for the current cue
  std::vector<std::size_t> line_of_;  // the line of each of alive_ in lines_
  std::vector<char> agrees_;          // whether each of lines_ agrees with the candidate
  std::string start_{kUtf8Mark};      // the start of a first line, as StartMakingsAt writes it
  std::string scratch_;               // the line of StepAlone
  // The candidate's first start where its line begins as ours, once InferOffset has looked;
  // empty where it does not.
  std::optional<std::string> held_start_;
  bool first_ = true;  // no cue yet: the next one carries the UTF-8 mark
  std::optional<Verdict> verdict_;
};

}  // namespace

Status ProveConversion(ReadableFile& candidate, ReadableFile& original,
                       const LegacyEncoding& legacy, ProofMode mode, bool* proven) {
  *proven = false;
  Status s = original.Rewind();
  if (!s.ok()) return s;
  ProofPass pass(candidate, mode);
  s = pass.Run(original, legacy);
  Verdict verdict = pass.verdict();
  // Zeros left several makings with lines of different lengths: each is read on its own, from
  // the start again, so that memory stays bounded by a line.
  const std::vector<ListMaking> apart =
      verdict == Verdict::kSplit ? pass.alive() : std::vector<ListMaking>();
  for (std::size_t i = 0; s.ok() && verdict == Verdict::kSplit && i < apart.size(); ++i) {
    s = candidate.Rewind();
    if (s.ok()) s = original.Rewind();
    if (!s.ok()) break;
    ProofPass alone(candidate, mode, apart[i]);
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
