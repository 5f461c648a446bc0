// Which ways of making a list (list_making.h) write a cue's line alike: the proof
// (conversion_proof.h) writes such a line once for all of them, as nearly every list is one that
// several ways would have written alike so far.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/cue_blocks.h"
#include "convert/list_making.h"

namespace kestrane {

// Makings that have written every cue alike so far: `making`; with `tags_too`, also the same
// making removing the tags (`making` keeps them); with `zero_too`, also each of those placed at
// offset zero (`making` has no offset, and writes as fast as any).
struct AlikeMakings {
  ListMaking making;
  bool tags_too = false;
  bool zero_too = false;

  // Each making it stands for, appended to *out.
  void AppendEach(std::vector<ListMaking>* out) const;
};

// Splits each of *all that `block` may tell apart, so that the makings of each write the block's
// cue line alike: tags kept and removed go apart where the block may hold tags (`tags_matter`,
// CueBlock::may_hold_tags), placed at zero and unplaced where the block does not show that they
// write it alike (CueBlock::PlacesAlikeAtZero). Once apart, they stay apart.
void SplitWhereTold(const CueBlock& block, bool tags_matter, std::vector<AlikeMakings>* all);
// Whether SplitWhereTold would split any of `all`: nearly never, and asked for every cue.
inline bool AnyTold(const CueBlock& block, bool tags_matter, const std::vector<AlikeMakings>& all) {
  for (const AlikeMakings& makings : all) {
    if ((makings.tags_too && tags_matter) ||
        (makings.zero_too && !block.PlacesAlikeAtZero(makings.making.rate))) {
      return true;
    }
  }
  return false;
}

// What tells apart the cue lines of makings: makings with one key for a cue write its line alike.
struct LineKey {
  std::string_view rate;  // its name
  std::optional<std::int64_t> offset;
  bool strip_tags = false;

  bool operator==(const LineKey&) const = default;
};

// The key of the line that `making` writes for `block`: tags kept where there are none to
// remove (unless `tags_matter`), and no offset for offset zero where it places the block as no
// offset does.
inline LineKey KeyOf(const ListMaking& making, const CueBlock& block, bool tags_matter) {
  const bool unplaced =
      !making.offset || (*making.offset == 0 && block.PlacesAlikeAtZero(making.rate));
  return LineKey{making.rate.name(), unplaced ? std::nullopt : making.offset,
                 making.strip_tags && tags_matter};
}

// The lines written for one cue, each once for all the makings with its key.
class CueLines {
 public:
  void Clear() { used_ = 0; }
  std::size_t size() const { return used_; }
  const std::string& operator[](std::size_t i) const { return lines_[i]; }

  // The line of `key`, if one is written.
  std::optional<std::size_t> Find(const LineKey& key) const {
    for (std::size_t i = 0; i < used_; ++i) {
      if (keys_[i] == key) return i;
    }
    return std::nullopt;
  }
  // An empty line for `key`, to be written; RemoveLast takes it back.
  std::string& Add(const LineKey& key) {
    if (used_ == lines_.size()) {
      // Room for nearly every line, rather than growing it over the first few.
      lines_.emplace_back().reserve(kLineRoom);
      keys_.emplace_back();
    }
    keys_[used_] = key;
    lines_[used_].clear();
    return lines_[used_++];
  }
  void RemoveLast() { --used_; }

 private:
  static constexpr std::size_t kLineRoom = 256;

  std::vector<LineKey> keys_;
  std::vector<std::string> lines_;  // this cue's up to used_, the rest kept for their room
  std::size_t used_ = 0;
};

}  // namespace kestrane
