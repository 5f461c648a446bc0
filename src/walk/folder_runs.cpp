#include "walk/folder_runs.h"

#include <algorithm>

namespace kestrane {

std::vector<SlotRange> FolderRuns(const std::vector<FolderText>& folders, unsigned jobs) {
  std::vector<SlotRange> ranges;
  const std::size_t workers = std::max(1u, jobs);
  const std::size_t share = (folders.size() + workers - 1) / workers;
  for (std::size_t begin = 0; begin < folders.size();) {
    std::size_t end = begin + 1;
    while (end < folders.size() && folders[end] == folders[begin])
      ++end;
    // Pieces of nearly equal length, none longer than a share: 130 files over shares of 128
    // give two of 65, not 128 and 2, so neither worker waits long for the other.
    const std::size_t length = end - begin, pieces = (length + share - 1) / share;
    for (std::size_t i = 0; i < pieces; ++i)
      ranges.push_back({begin + length * i / pieces, begin + length * (i + 1) / pieces});
    begin = end;
  }
  return ranges;
}

}  // namespace kestrane
