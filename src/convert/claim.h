// The claim that keeps two runs off one trio (side_file_names.h): a lock on the original's open
// file, taken before anything is written or moved and held until the moves are done. It travels
// with the file as it changes names, so a conversion and a restore of the same original claim
// the same file, at whichever name it has. A run looks at the trio, claims, then looks again
// with the claim held (file_identity.h): another run may have finished a step in between.
#pragma once

#include "platform/file_system.h"

namespace kestrane {

// How often a run looks at a trio again when another run changed it between the look and the
// claim. Each change is another run finishing a step, so a few looks settle it.
inline constexpr int kMaxLooks = 4;

// Claims `file` for this run: false when another run holds it. A file system without locks
// leaves us where we were before locks existed, which the moves (never replacing anything) keep
// safe, so only another run's hold counts.
inline bool Claim(ReadableFile& file) {
  return file.TryLock().code() != Status::Code::kBusy;
}

}  // namespace kestrane
