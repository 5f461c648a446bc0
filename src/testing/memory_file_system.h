// A test double for FileSystem: a file system held in memory, which can also show what a power
// cut leaves of it.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "platform/file_system.h"

namespace kestrane::testing {

// An open file over bytes in memory: a snapshot, as later changes to a file are not seen by a
// read already under way. At most `chunk` bytes come back from one read, so that tests can
// split lines and 16-bit units across reads.
class StringFile : public ReadableFile {
 public:
  explicit StringFile(std::string bytes, FileInfo info = {}, std::size_t chunk = SIZE_MAX)
      : bytes_(std::move(bytes)), info_(info), chunk_(chunk) {}
  Status Read(char* buf, std::size_t n, std::size_t* got) override;
  Status Rewind() override;
  Status TryLock() override { return Status::Ok(); }  // alone, nothing else can claim it
  const FileInfo& info() const override { return info_; }

 private:
  std::string bytes_;
  FileInfo info_;
  std::size_t chunk_;
  std::size_t pos_ = 0;
};

// Folders and files in memory, case-sensitive, '/' or '\' as separators. Behaves as the
// contract in file_system.h says, which the shared contract tests check.
//
// It also keeps what a disk would have made durable, the way journaling file systems do: the
// data of a file up to its last Sync, and the entries of a folder (files created, moved and
// removed in it) up to its last SyncDir, the later changes to a folder in the order they were
// made; SyncFileSystem makes everything durable. PowerCut then leaves what a cut at that moment
// could leave. Safe to use from several threads at once.
class MemoryFileSystem : public FileSystem {
 public:
  MemoryFileSystem();

  // The Add functions build the tree a test starts from, as if it had long been on the disk.
  void AddDir(const std::filesystem::path& path);  // with its parents
  void AddFile(const std::filesystem::path& path, std::string bytes, std::int64_t mtime_ns = 1);
  void AddEntry(const std::filesystem::path& path, EntryKind kind);  // a link or FIFO
  std::optional<std::string> Contents(const std::filesystem::path& path) const;
  // Every path, folders with a trailing '/', sorted: to assert that nothing else appeared.
  std::vector<std::string> Paths() const;

  // What a cut keeps of the changes not yet durable. A folder's changes are kept as a prefix
  // (kSubset counts as kPrefix there); a file's data as a prefix of its unsynced bytes, or as a
  // random subset of its unsynced appends, a lost one reading as zeros when a later one stayed
  // (the size reached the disk but the data did not).
  enum class Keep { kAll, kNone, kPrefix, kSubset };
  // Replaces the tree with what the disk holds after a power cut that keeps `entries` of each
  // folder's changes and `data` of each file's; `seed` draws the random prefixes and subsets.
  // Every open file is forgotten with its lock: the processes died. Everything is durable after.
  void PowerCut(Keep entries, Keep data, std::uint32_t seed = 0);
  // Makes MoveNoReplace refuse with kUnsupported, as NFS and many FUSE drivers do, and Link and
  // the no-replace rename both, as exFAT and NTFS through FUSE do.
  void RefuseNoReplace(bool refuse) { refuse_no_replace_ = refuse; }
  void RefuseLinks(bool refuse) { refuse_links_ = refuse; }
  int syncs() const { return syncs_; }
  int file_system_syncs() const { return file_system_syncs_; }
  int dir_syncs() const { return dir_syncs_; }
  // "from -> to" for every move of a file whose data was not yet durable.
  const std::vector<std::string>& unsynced_moves() const { return unsynced_moves_; }

  // For the open files: where the writes of a new file go, wherever it has moved since; its
  // sync; and the claims of TryLock.
  void AppendTo(std::uint64_t inode, std::string_view data);
  void SyncData(std::uint64_t inode);
  Status Lock(std::uint64_t inode, const std::filesystem::path& path);
  void Unlock(std::uint64_t inode);

  Status OpenForRead(const std::filesystem::path& path,
                     std::unique_ptr<ReadableFile>* file) override;
  Status CreateNew(const std::filesystem::path& path, FileMode mode,
                   std::unique_ptr<WritableFile>* file) override;
  Status MoveNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override;
  Status Link(const std::filesystem::path& from, const std::filesystem::path& to) override;
  Status Rename(const std::filesystem::path& from, const std::filesystem::path& to) override;
  Status CopyNew(const std::filesystem::path& from, const std::filesystem::path& to) override;
  Status Remove(const std::filesystem::path& path) override;
  Status Stat(const std::filesystem::path& path, FileInfo* info) override;
  Status SyncDir(const std::filesystem::path& dir) override;
  Status SyncFileSystem(const std::filesystem::path& path) override;
  Status ListDir(const std::filesystem::path& dir, std::vector<DirEntry>* entries) override;
  // Opening acts on nothing here, names have one spelling each, and there is neither a limit on
  // open files nor a lookup worth sparing.
  Status OpenListedForRead(const std::filesystem::path& path,
                           std::unique_ptr<ReadableFile>* file) override {
    return OpenForRead(path, file);
  }
  std::filesystem::path RealName(const std::filesystem::path& path) override { return path; }
  std::size_t FreeFileHandles() override { return SIZE_MAX; }
  std::unique_ptr<FolderHandles> HoldFolders() override { return nullptr; }
  // Its paths never pass through a link.
  std::unique_ptr<FolderHandles> HoldTree(const std::filesystem::path&) override { return nullptr; }

  struct Node {
    FileInfo info;
    std::string bytes;
  };

 private:
  // A change since the durable state: entries of a folder set (a node) or removed (none),
  // together; appended data; or a sync.
  struct Event {
    enum class Kind { kEntries, kAppend, kSync, kSyncDir, kSyncAll } kind;
    std::string folder = {};  // kEntries, kSyncDir
    std::vector<std::pair<std::string, std::optional<FileInfo>>> entries = {};
    std::uint64_t inode = 0;  // kAppend, kSync
    std::uint64_t offset = 0;
    std::string data = {};
  };

  static std::string Key(const std::filesystem::path& path);
  Node* Find(const std::string& key);
  bool ParentIsDir(const std::string& key);
  void MakeDurable(const std::string& key);

  mutable std::recursive_mutex mutex_;
  std::map<std::string, Node> nodes_;
  std::map<std::string, Node> durable_;  // the tree as the disk holds it before `events_`
  std::vector<Event> events_;
  std::set<std::uint64_t> unsynced_;  // files with appends not yet synced
  std::set<std::uint64_t> locks_;
  std::vector<std::string> unsynced_moves_;
  int syncs_ = 0;
  int dir_syncs_ = 0;
  int file_system_syncs_ = 0;
  std::uint64_t next_inode_ = 1;
  std::atomic<bool> refuse_no_replace_ = false;
  std::atomic<bool> refuse_links_ = false;
};

// How deep the deep-tree tests nest folders in memory: thousands natively. Under Windows the
// standard library's path operations slow down with the square of a path's length, and the
// in-memory file system normalises each path it is given, so fewer there; a recursive walk
// shows at any depth.
#ifdef _WIN32
inline constexpr int kDeepTreeDepth = 400;
#else
inline constexpr int kDeepTreeDepth = 3000;
#endif

}  // namespace kestrane::testing
