// Test doubles for FileSystem: a file system held in memory, and a wrapper that makes one chosen
// operation fail so that every failure path of the converter can be driven.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
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
  Status TryLock() override { return Status::Ok(); }  // Stub: not yet real.
  const FileInfo& info() const override { return info_; }

 private:
  std::string bytes_;
  FileInfo info_;
  std::size_t chunk_;
  std::size_t pos_ = 0;
};

// Folders and files in memory, case-sensitive, '/' or '\' as separators. Behaves as the
// contract in file_system.h says, which the shared contract tests check.
class MemoryFileSystem : public FileSystem {
 public:
  MemoryFileSystem();

  void AddDir(const std::filesystem::path& path);  // with its parents
  void AddFile(const std::filesystem::path& path, std::string bytes, std::int64_t mtime_ns = 1);
  void AddEntry(const std::filesystem::path& path, EntryKind kind);  // a link or FIFO
  std::optional<std::string> Contents(const std::filesystem::path& path) const;
  // Every path, folders with a trailing '/', sorted: to assert that nothing else appeared.
  std::vector<std::string> Paths() const;
  // Where the writes of an open new file go, wherever it has moved since.
  void AppendTo(std::uint64_t inode, std::string_view data);

  Status OpenForRead(const std::filesystem::path& path,
                     std::unique_ptr<ReadableFile>* file) override;
  Status CreateNew(const std::filesystem::path& path, FileMode mode,
                   std::unique_ptr<WritableFile>* file) override;
  Status MoveNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override;
  Status Remove(const std::filesystem::path& path) override;
  Status Stat(const std::filesystem::path& path, FileInfo* info) override;
  Status SyncDir(const std::filesystem::path&) override { return Status::Ok(); }  // Stub.
  Status ListDir(const std::filesystem::path& dir, std::vector<DirEntry>* entries) override;

  struct Node {
    FileInfo info;
    std::string bytes;
  };

 private:
  static std::string Key(const std::filesystem::path& path);
  Node* Find(const std::string& key);
  bool ParentIsDir(const std::string& key);

  std::map<std::string, Node> nodes_;
  std::uint64_t next_inode_ = 1;
};

// Forwards every call to another file system, except the chosen ones: the n-th call (1-based) of
// an operation fails with the given status, and the calls after it succeed again.
class FaultyFileSystem : public FileSystem {
 public:
  enum class Op {
    kOpen,
    kRead,
    kRewind,
    kLock,
    kCreate,
    kAppend,
    kSync,
    kClose,
    kMove,
    kRemove,
    kStat,
    kSyncDir,
    kList
  };

  explicit FaultyFileSystem(FileSystem& inner) : inner_(inner) {}

  void FailOn(Op op, int nth, Status status = Status::Error(Status::Code::kIo, "injected fault"));
  // Fails the calls from the first-th to the last-th, both included.
  void FailCalls(Op op, int first, int last, const Status& status);
  int Calls(Op op) const;
  int FaultsHit() const { return faults_hit_; }

  // Called by the wrapped files; true when this call is the one to fail.
  bool Count(Op op, Status* fault);

  Status OpenForRead(const std::filesystem::path& path,
                     std::unique_ptr<ReadableFile>* file) override;
  Status CreateNew(const std::filesystem::path& path, FileMode mode,
                   std::unique_ptr<WritableFile>* file) override;
  Status MoveNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override;
  Status Remove(const std::filesystem::path& path) override;
  Status Stat(const std::filesystem::path& path, FileInfo* info) override;
  Status SyncDir(const std::filesystem::path& dir) override;
  Status ListDir(const std::filesystem::path& dir, std::vector<DirEntry>* entries) override;

 private:
  FileSystem& inner_;
  std::map<Op, int> calls_;
  std::map<std::pair<Op, int>, Status> faults_;
  int faults_hit_ = 0;
};

const char* OpName(FaultyFileSystem::Op op);

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
