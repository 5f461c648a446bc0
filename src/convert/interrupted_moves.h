// What a cut leaves of the move ladder's steps (move_ladder.h), finished or undone by the next
// run that works on the trio: a private name (name.txt_gone, name.txt_copying), or two names
// of one file where a move by link stopped before dropping the old name.
#pragma once

#include <filesystem>

#include "platform/codepage.h"
#include "platform/file_system.h"

namespace kestrane {

// Under the claim on the trio's original (the backup, or the input when there is none), taken
// and released here: name.txt_gone goes when it is a second name of a trio file or the
// original's conversion cut anywhere (a work file or a list set aside on its way out);
// name.txt_copying when its bytes begin a trio file's (a copy cut short, its source still in
// place); of two names of one file, the backup, work file or file set aside that also names the
// input goes, which leaves the state before that move or the one after. Anything else stays, and
// so does everything when the claim is held elsewhere or a look fails.
void RepairInterruptedMoves(FileSystem& fs, const std::filesystem::path& input,
                            const LegacyEncoding& legacy);

}  // namespace kestrane
