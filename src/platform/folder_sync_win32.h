// What makes a folder's moves durable on Windows, by the file system of its volume.
//
// What each file system promises of a rename once it has returned:
//   NTFS   logs every change to its folders in its journal before making it, and after a cut
//          replays or undoes them in the order they were made, so a cut leaves a prefix of the
//          moves: states a later run finishes (side_file_names.h).
//   ReFS   writes its metadata copy-on-write and commits it whole: the same prefix.
//   FAT32, exFAT (and FAT12/16, UDF...) keep no journal: a folder's entries sit in its own
//          clusters, and the allocation table apart, written back whenever the cache gets to
//          them, in no order. MOVEFILE_WRITE_THROUGH is documented only for a move done as a
//          copy and a delete. A stick pulled out after "converted" may have none of the moves, or
//          a folder whose entries are half written; only a flush of what holds the entries makes
//          them durable.
// The flush goes through a handle to the folder itself, opened for FILE_ADD_FILE: flushing
// (NtFlushBuffersFile) needs write or append access to the handle, which FILE_ADD_FILE is for a
// folder, and an account that could move files in the folder was allowed to add files to it.
// The volume's handle would flush everything at once, but opening it for writing takes an
// administrator; the moved files' own handles would need write access to each of them, which a
// read-only file refuses.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace kestrane::win32 {

// Whether the moves in a folder on a volume of `file_system` (as GetVolumeInformationByHandleW
// names it, in any letter case) need the folder flushed to survive a cut: all but NTFS and ReFS,
// a name the system would not give included.
bool MovesNeedFlush(std::wstring_view file_system);

// Makes the moves in the folder `path` (in the form the system takes; `dir` for messages)
// durable: nothing to do on NTFS and ReFS, the folder flushed elsewhere. A flush the file system
// does not implement is no failure: its entries are as durable as they get.
Status SyncFolder(const std::wstring& path, const std::filesystem::path& dir);

}  // namespace kestrane::win32
