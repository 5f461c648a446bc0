// Shared by the tests that run the command-line converter over a real tree: the tree with the
// conversion each file must end with, and starting and waiting for the program.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace kestrane::tree_runs {

struct Subtitle {
  std::string original, converted;
};

// A few hundred files in a few folders, each converted in memory for the expected result.
std::map<std::string, Subtitle> MakeTree();

// Writes the originals below `root`, removing whatever was there.
void WriteTree(const std::filesystem::path& root, const std::map<std::string, Subtitle>& tree);

// Where a scratch tree goes: /dev/shm where there is one, since a kill or a concurrent run
// leaves the page cache as it was, and memory is far quicker at creating files than some disks.
std::filesystem::path ScratchParent();

// Starts `kestrane-cli -q [option] root`, its standard error going to `errors`.
pid_t StartConverter(const std::filesystem::path& root,
                     const std::filesystem::path& errors = "/dev/null", const char* option = "");

// The wait status of a started converter.
int Wait(pid_t pid);

std::optional<std::string> Read(const std::filesystem::path& path);

// Regular files below `root`, to see that no work file was left.
std::size_t CountFiles(const std::filesystem::path& root);

}  // namespace kestrane::tree_runs
