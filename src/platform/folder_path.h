// The folder a path names its file in, read off the path's own text.
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace kestrane {

// What comes before the last name of a path, as it is spelled there: the folder of a file and
// its side files, without making a path of it. Empty for a bare name.
using FolderText = std::basic_string_view<std::filesystem::path::value_type>;
FolderText FolderPart(const std::filesystem::path& path);

// The folder of a file as a path to sync: "." for a bare name.
std::filesystem::path FolderOf(const std::filesystem::path& path);

// The folders a call on `path` passes through below `root`: `root`, then each folder down to
// the one holding `path`'s last name, and with `self` `path` itself, which then names a folder.
// Empty when `path` is neither `root` nor below it, when it leads out of it (".."), and for
// `root` itself without `self`, whose way lies outside. Spelled as `path` spells them.
std::vector<std::filesystem::path> FoldersOnTheWay(const std::filesystem::path& root,
                                                   const std::filesystem::path& path, bool self);

}  // namespace kestrane
