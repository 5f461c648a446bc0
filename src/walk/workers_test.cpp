#include "walk/workers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace kestrane {
namespace {

// Every slot goes to exactly one worker, however many share the batch and whoever runs out
// first: with fewer threads than stretches, the stretches nobody owns are taken from the back.
TEST(SharedSlotsTest, EachSlotGoesToOneWorkerOnce) {
  const struct {
    std::size_t size;
    unsigned stretches, threads;
  } kCases[] = {{0, 2, 2}, {1, 2, 2}, {7, 3, 3}, {256, 2, 2}, {5000, 8, 8}, {100, 4, 1}};
  for (const auto& c : kCases) {
    SharedSlots shared(c.size, c.stretches);
    std::vector<std::atomic<int>> given(c.size);
    std::vector<std::thread> threads;
    for (unsigned self = 0; self < c.threads; ++self) {
      threads.emplace_back([&, self] {
        for (std::size_t slot; shared.Next(self, &slot);)
          ++given.at(slot);
      });
    }
    for (std::thread& thread : threads)
      thread.join();
    for (std::size_t slot = 0; slot < c.size; ++slot)
      ASSERT_EQ(given[slot], 1) << "slot " << slot << " of " << c.size << " over " << c.threads;
  }
}

}  // namespace
}  // namespace kestrane
