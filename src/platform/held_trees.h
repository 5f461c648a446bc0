// The trees a file system holds through FileSystem::HoldTree, whatever a system keeps of each
// (`Tree`): held by any thread and used by all, since a walk's workers reach the files the walk
// lists.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/file_system.h"

namespace kestrane {

template <typename Tree>
class HeldTrees {
 public:
  // Holds `tree` until the handle returned is gone.
  std::unique_ptr<FolderHandles> Hold(std::shared_ptr<const Tree> tree) {
    return std::make_unique<Holding>(*this, std::move(tree));
  }

  // The held tree that `rank` ranks highest; null when it ranks none above 0 (no tree holds
  // the path asked about) or nothing is held.
  template <typename Rank>
  std::shared_ptr<const Tree> Best(Rank rank) const {
    if (count_.load(std::memory_order_acquire) == 0) return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    std::shared_ptr<const Tree> best;
    std::size_t best_rank = 0;
    for (const std::shared_ptr<const Tree>& tree : trees_) {
      const std::size_t r = rank(*tree);
      if (r > best_rank) {
        best = tree;
        best_rank = r;
      }
    }
    return best;
  }

 private:
  class Holding final : public FolderHandles {
   public:
    Holding(HeldTrees& trees, std::shared_ptr<const Tree> tree)
        : trees_(trees), tree_(std::move(tree)) {
      std::lock_guard<std::mutex> lock(trees_.mutex_);
      trees_.trees_.push_back(tree_);
      trees_.count_.store(trees_.trees_.size(), std::memory_order_release);
    }
    ~Holding() override {
      std::lock_guard<std::mutex> lock(trees_.mutex_);
      auto& all = trees_.trees_;
      all.erase(std::find(all.begin(), all.end(), tree_));
      trees_.count_.store(all.size(), std::memory_order_release);
    }

   private:
    HeldTrees& trees_;
    const std::shared_ptr<const Tree> tree_;
  };

  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<const Tree>> trees_;
  std::atomic<std::size_t> count_ = 0;  // spares the lock while nothing is held
};

}  // namespace kestrane
