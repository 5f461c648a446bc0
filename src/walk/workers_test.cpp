#include "walk/workers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "testing/memory_file_system.h"

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

// Counts the folder holds of each thread, as the real file system keeps a held folder by thread.
class HoldingFileSystem : public testing::MemoryFileSystem {
 public:
  std::unique_ptr<FolderHandles> HoldFolders() override { return std::make_unique<Hold>(); }
  static bool Holding() { return holds_ > 0; }

 private:
  struct Hold : FolderHandles {
    Hold() { ++holds_; }
    ~Hold() override { --holds_; }
  };
  static inline thread_local int holds_ = 0;
};

// Holds each thread's first call until `expected` threads have made one, so that every worker
// takes part however quickly the first one could run through the slots. Waits no longer than a
// deadlock would need to show.
class Rendezvous {
 public:
  explicit Rendezvous(std::size_t expected) : expected_(expected) {}
  void Arrive() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!threads_.insert(std::this_thread::get_id()).second) return;
    arrived_.notify_all();
    arrived_.wait_for(lock, std::chrono::seconds(10), [&] { return threads_.size() >= expected_; });
  }
  std::size_t threads() {
    std::lock_guard<std::mutex> lock(mutex_);
    return threads_.size();
  }

 private:
  const std::size_t expected_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::set<std::thread::id> threads_;
};

// Batch after batch on the same threads, each slot runs once, every worker takes part, and every
// call runs while its thread holds its folders, which the thread lets go with the batch; alone,
// every call runs on the calling thread.
TEST(WorkersTest, EachSlotRunsOnceOnAWorkerHoldingItsFolders) {
  const struct {
    std::size_t slots;
    unsigned jobs;
    bool alone;
    std::size_t threads;  // that take part
  } kCases[] = {{0, 3, false, 0},   {1, 3, true, 1},  {7, 3, false, 3},
                {300, 4, false, 4}, {5, 1, false, 1}, {9, 4, true, 1}};
  for (const auto& c : kCases) {
    HoldingFileSystem fs;
    Workers workers(fs, c.jobs);
    for (int batch = 0; batch < 3; ++batch) {
      const std::string name = std::to_string(c.slots) + " slots, " + std::to_string(c.jobs) +
                               " jobs" + (c.alone ? ", alone" : "") + ", batch " +
                               std::to_string(batch);
      std::vector<std::atomic<int>> runs(c.slots);
      std::atomic<int> unheld = 0, elsewhere = 0;
      Rendezvous rendezvous(c.threads);
      const std::thread::id caller = std::this_thread::get_id();
      workers.Run(
          c.slots,
          [&](std::size_t slot) {
            rendezvous.Arrive();
            ++runs.at(slot);
            if (!HoldingFileSystem::Holding()) ++unheld;
            if (std::this_thread::get_id() != caller) ++elsewhere;
          },
          c.alone);
      for (std::size_t slot = 0; slot < c.slots; ++slot)
        ASSERT_EQ(runs[slot], 1) << name << ": slot " << slot;
      EXPECT_EQ(rendezvous.threads(), c.threads) << name;
      EXPECT_EQ(unheld, 0) << name;
      if (c.alone) {
        EXPECT_EQ(elsewhere, 0) << name;
      }
      EXPECT_FALSE(HoldingFileSystem::Holding()) << name;
    }
  }
}

}  // namespace
}  // namespace kestrane
