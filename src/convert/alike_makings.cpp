#include "convert/alike_makings.h"

namespace kestrane {
namespace {

AlikeMakings WithTagsRemoved(AlikeMakings makings) {
  makings.making.strip_tags = true;
  return makings;
}

}  // namespace

void AlikeMakings::AppendEach(std::vector<ListMaking>* out) const {
  const auto add = [&](std::optional<std::int64_t> offset) {
    out->push_back(ListMaking(making.rate, offset, making.strip_tags));
    if (tags_too) out->push_back(ListMaking(making.rate, offset, true));
  };
  add(making.offset);
  if (zero_too) add(0);
}

void SplitWhereTold(const CueBlock& block, bool tags_matter, std::vector<AlikeMakings>* all) {
  for (std::size_t i = 0, before = all->size(); i < before; ++i) {
    AlikeMakings& makings = (*all)[i];
    if (!makings.tags_too && !makings.zero_too) continue;
    const bool tags_apart = makings.tags_too && tags_matter;
    const bool placements_apart = makings.zero_too && !block.PlacesAlikeAtZero(makings.making.rate);
    if (!tags_apart && !placements_apart) continue;
    makings.tags_too = makings.tags_too && !tags_apart;
    makings.zero_too = makings.zero_too && !placements_apart;
    const AlikeMakings unplaced = makings;  // a copy: pushing may move *all
    if (tags_apart) all->push_back(WithTagsRemoved(unplaced));
    if (!placements_apart) continue;
    AlikeMakings at_zero = unplaced;
    at_zero.making.offset = 0;
    all->push_back(at_zero);
    if (tags_apart) all->push_back(WithTagsRemoved(at_zero));
  }
}

}  // namespace kestrane
