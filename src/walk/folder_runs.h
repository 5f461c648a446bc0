// How a batch's files are shared among its workers.
#pragma once

#include <cstddef>
#include <vector>

#include "convert/side_files.h"

namespace kestrane {

// Slots [begin, end) of a batch that one worker prepares one after another.
struct SlotRange {
  std::size_t begin = 0, end = 0;
  bool operator==(const SlotRange&) const = default;
};

// Cuts a batch whose slots lie in `folders` (in walk order) into runs of consecutive slots of
// one folder, so that workers taking whole runs write in different folders: a system serialises
// the creates and renames of one folder, and two workers in it wait on each other. A run longer
// than a worker's share of the batch (its size over `jobs`, rounded up) is cut into pieces of
// that share, so that a single big folder still keeps every worker busy. The ranges cover every
// slot once, in order.
std::vector<SlotRange> FolderRuns(const std::vector<FolderText>& folders, unsigned jobs);

}  // namespace kestrane
