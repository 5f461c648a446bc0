#include "testing/memory_file_system.h"

#include <algorithm>
#include <cstring>
#include <random>

namespace kestrane::testing {

namespace {

// A key (UTF-8) as a path again; from a narrow string, Windows would read it in its code page.
std::filesystem::path KeyPath(std::string_view key) {
  return std::filesystem::path(std::u8string(key.begin(), key.end()));
}

Status Err(Status::Code code, std::string_view what, const std::string& key) {
  return Status::Error(code, std::string(what) + " " + key);
}

// Follows its file by identity, as an open descriptor does: writes reach it after a move, and
// vanish once it is removed.
class MemoryWritable : public WritableFile {
 public:
  MemoryWritable(MemoryFileSystem& fs, const FileInfo& info)
      : fs_(fs), inode_(info.inode), info_(info) {}
  Status Append(std::string_view data) override {
    if (closed_) return Status::Error(Status::Code::kIo, "append after close");
    fs_.AppendTo(inode_, data);
    return Status::Ok();
  }
  Status Sync() override {
    if (closed_) return Status::Error(Status::Code::kIo, "sync after close");
    fs_.SyncData(inode_);
    return Status::Ok();
  }
  Status Close() override {
    if (closed_) return Status::Error(Status::Code::kIo, "closed twice");
    closed_ = true;
    return Status::Ok();
  }
  const FileInfo& info() const override { return info_; }

 private:
  MemoryFileSystem& fs_;
  std::uint64_t inode_;
  FileInfo info_;
  bool closed_ = false;
};

// A snapshot like any StringFile, whose claim is held in the file system until it is closed.
class MemoryReadable : public StringFile {
 public:
  MemoryReadable(MemoryFileSystem& fs, std::string key, const MemoryFileSystem::Node& node)
      : StringFile(node.bytes, node.info), fs_(fs), key_(std::move(key)) {}
  ~MemoryReadable() override {
    if (locked_) fs_.Unlock(info().inode);
  }
  Status TryLock() override {
    if (locked_) return Status::Ok();
    Status s = fs_.Lock(info().inode, key_);
    locked_ = s.ok();
    return s;
  }

 private:
  MemoryFileSystem& fs_;
  std::string key_;
  bool locked_ = false;
};

std::string ParentOf(const std::string& key) {
  auto slash = key.rfind('/');
  return slash == 0 ? "/" : key.substr(0, slash == std::string::npos ? 0 : slash);
}

}  // namespace

Status StringFile::Read(char* buf, std::size_t n, std::size_t* got) {
  *got = std::min({n, chunk_, bytes_.size() - pos_});
  std::memcpy(buf, bytes_.data() + pos_, *got);
  pos_ += *got;
  return Status::Ok();
}

Status StringFile::Rewind() {
  pos_ = 0;
  return Status::Ok();
}

MemoryFileSystem::MemoryFileSystem() {
  AddDir("/");
}

std::string MemoryFileSystem::Key(const std::filesystem::path& path) {
  // UTF-8 on every system: Windows' narrow form would depend on the code page.
  std::u8string utf8 = path.lexically_normal().generic_u8string();
  std::string key(utf8.begin(), utf8.end());
  std::replace(key.begin(), key.end(), '\\', '/');
  while (key.size() > 1 && key.back() == '/')
    key.pop_back();
  return key;
}

MemoryFileSystem::Node* MemoryFileSystem::Find(const std::string& key) {
  auto it = nodes_.find(key);
  return it == nodes_.end() ? nullptr : &it->second;
}

bool MemoryFileSystem::ParentIsDir(const std::string& key) {
  Node* node = Find(ParentOf(key));
  return node != nullptr && node->info.kind == EntryKind::kDirectory;
}

void MemoryFileSystem::MakeDurable(const std::string& key) {
  durable_[key] = nodes_[key];
}

void MemoryFileSystem::AddDir(const std::filesystem::path& path) {
  std::lock_guard lock(mutex_);
  std::string key = Key(path);
  for (std::size_t slash = key.find('/', 1); slash != std::string::npos;
       slash = key.find('/', slash + 1)) {
    AddEntry(KeyPath(key.substr(0, slash)), EntryKind::kDirectory);
  }
  AddEntry(KeyPath(key), EntryKind::kDirectory);
}

void MemoryFileSystem::AddEntry(const std::filesystem::path& path, EntryKind kind) {
  std::lock_guard lock(mutex_);
  Node& node = nodes_[Key(path)];
  if (node.info.inode == 0) node.info.inode = next_inode_++;
  node.info.kind = kind;
  MakeDurable(Key(path));
}

void MemoryFileSystem::AddFile(const std::filesystem::path& path, std::string bytes,
                               std::int64_t mtime_ns) {
  std::lock_guard lock(mutex_);
  std::filesystem::path parent = KeyPath(Key(path)).parent_path();
  if (!parent.empty()) AddDir(parent);
  AddEntry(path, EntryKind::kFile);
  Node& node = nodes_[Key(path)];
  node.bytes = std::move(bytes);
  node.info.size = node.bytes.size();
  node.info.mtime_ns = mtime_ns;
  MakeDurable(Key(path));
}

void MemoryFileSystem::AppendTo(std::uint64_t inode, std::string_view data) {
  std::lock_guard lock(mutex_);
  bool noted = false;
  // A file with several names (hard links) keeps a copy of its bytes under each.
  for (auto& [key, node] : nodes_) {
    if (node.info.inode != inode) continue;
    if (!noted) {
      Event event{Event::Kind::kAppend};
      event.inode = inode;
      event.offset = node.bytes.size();
      event.data = data;
      events_.push_back(std::move(event));
      unsynced_.insert(inode);
      noted = true;
    }
    node.bytes.append(data);
    node.info.size = node.bytes.size();
  }
}

void MemoryFileSystem::SyncData(std::uint64_t inode) {
  std::lock_guard lock(mutex_);
  ++syncs_;
  unsynced_.erase(inode);
  Event event{Event::Kind::kSync};
  event.inode = inode;
  events_.push_back(std::move(event));
}

void MemoryFileSystem::Unlock(std::uint64_t inode) {
  std::lock_guard lock(mutex_);
  locks_.erase(inode);
}

Status MemoryFileSystem::Lock(std::uint64_t inode, const std::filesystem::path& path) {
  std::lock_guard lock(mutex_);
  if (!locks_.insert(inode).second) {
    return Err(Status::Code::kBusy, "lock", Key(path) + ": another run holds the file");
  }
  return Status::Ok();
}

void MemoryFileSystem::PowerCut(Keep entries, Keep data, std::uint32_t seed) {
  std::lock_guard lock(mutex_);
  std::mt19937 rng(seed);
  auto below = [&](std::size_t n) { return static_cast<std::size_t>(rng() % (n + 1)); };
  // What a later sync made durable is kept whatever the cut; of the rest, a share per folder and
  // per file.
  std::vector<bool> durable(events_.size());
  std::set<std::string> synced_folders;
  std::set<std::uint64_t> synced_files;
  std::map<std::string, std::size_t> folder_changes;
  std::map<std::uint64_t, std::size_t> file_bytes;
  bool all_synced = false;
  for (std::size_t i = events_.size(); i-- > 0;) {
    const Event& event = events_[i];
    if (event.kind == Event::Kind::kSyncAll) all_synced = true;
    if (event.kind == Event::Kind::kSyncDir) synced_folders.insert(event.folder);
    if (event.kind == Event::Kind::kSync) synced_files.insert(event.inode);
    if (event.kind == Event::Kind::kEntries) {
      durable[i] = all_synced || synced_folders.contains(event.folder);
      if (!durable[i]) ++folder_changes[event.folder];
    }
    if (event.kind == Event::Kind::kAppend) {
      durable[i] = all_synced || synced_files.contains(event.inode);
      if (!durable[i]) file_bytes[event.inode] += event.data.size();
    }
  }
  for (auto& [folder, count] : folder_changes)
    count = entries == Keep::kAll ? count : entries == Keep::kNone ? 0 : below(count);
  for (auto& [inode, bytes] : file_bytes)
    bytes = data == Keep::kAll ? bytes : data == Keep::kNone ? 0 : below(bytes);

  std::map<std::string, std::uint64_t> names;  // the folders' entries
  std::map<std::uint64_t, Node> files;         // what they name
  for (const auto& [key, node] : durable_) {
    names[key] = node.info.inode;
    files[node.info.inode] = node;
  }
  for (std::size_t i = 0; i < events_.size(); ++i) {
    const Event& event = events_[i];
    if (event.kind == Event::Kind::kEntries) {
      if (!durable[i]) {
        std::size_t& left = folder_changes[event.folder];
        if (left == 0) continue;
        --left;
      }
      for (const auto& [key, info] : event.entries) {
        if (!info) {
          names.erase(key);
          continue;
        }
        names[key] = info->inode;
        files.try_emplace(info->inode, Node{*info, ""});
      }
    } else if (event.kind == Event::Kind::kAppend) {
      std::string_view kept = event.data;
      if (!durable[i] && data == Keep::kSubset) {
        if (rng() % 2 == 0) continue;
      } else if (!durable[i]) {
        std::size_t& left = file_bytes[event.inode];
        kept = kept.substr(0, left);
        left -= kept.size();
      }
      std::string& bytes = files[event.inode].bytes;
      if (bytes.size() < event.offset + kept.size()) bytes.resize(event.offset + kept.size());
      bytes.replace(event.offset, kept.size(), kept);
    }
  }
  nodes_.clear();
  for (const auto& [key, inode] : names) {
    Node node = files[inode];
    node.info.size = node.bytes.size();
    nodes_[key] = std::move(node);
  }
  durable_ = nodes_;
  events_.clear();
  unsynced_.clear();
  locks_.clear();
}

std::optional<std::string> MemoryFileSystem::Contents(const std::filesystem::path& path) const {
  std::lock_guard lock(mutex_);
  auto it = nodes_.find(Key(path));
  if (it == nodes_.end() || it->second.info.kind != EntryKind::kFile) return std::nullopt;
  return it->second.bytes;
}

std::vector<std::string> MemoryFileSystem::Paths() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> paths;
  for (const auto& [key, node] : nodes_) {
    if (key == "/") continue;
    paths.push_back(node.info.kind == EntryKind::kDirectory ? key + "/" : key);
  }
  return paths;
}

Status MemoryFileSystem::OpenForRead(const std::filesystem::path& path,
                                     std::unique_ptr<ReadableFile>* file) {
  std::lock_guard lock(mutex_);
  std::string key = Key(path);
  Node* node = Find(key);
  if (node == nullptr) return Err(Status::Code::kNotFound, "open", key);
  if (node->info.kind != EntryKind::kFile) return Err(Status::Code::kNotRegular, "open", key);
  *file = std::make_unique<MemoryReadable>(*this, key, *node);
  return Status::Ok();
}

Status MemoryFileSystem::CreateNew(const std::filesystem::path& path, FileMode mode,
                                   std::unique_ptr<WritableFile>* file) {
  std::lock_guard lock(mutex_);
  std::string key = Key(path);
  if (Find(key) != nullptr) return Err(Status::Code::kExists, "create", key);
  if (!ParentIsDir(key)) return Err(Status::Code::kNotFound, "create", key);
  FileInfo& info = nodes_[key].info;
  info.inode = next_inode_++;
  info.permissions = mode.permissions;
  info.attributes = mode.attributes;
  info.owner = mode.owner;
  info.group = mode.group;
  info.mtime_ns = 2;
  events_.push_back({Event::Kind::kEntries, ParentOf(key), {{key, info}}});
  *file = std::make_unique<MemoryWritable>(*this, info);
  return Status::Ok();
}

Status MemoryFileSystem::MoveNoReplace(const std::filesystem::path& from,
                                       const std::filesystem::path& to) {
  if (refuse_no_replace_) return Err(Status::Code::kUnsupported, "move", Key(from));
  std::lock_guard lock(mutex_);
  std::string from_key = Key(from), to_key = Key(to);
  auto it = nodes_.find(from_key);
  if (it == nodes_.end()) return Err(Status::Code::kNotFound, "move", from_key);
  if (it->second.info.kind == EntryKind::kDirectory) {
    return Err(Status::Code::kNotRegular, "move", from_key);
  }
  if (Find(to_key) != nullptr) return Err(Status::Code::kExists, "move", to_key);
  if (!ParentIsDir(to_key)) return Err(Status::Code::kNotFound, "move", to_key);
  const FileInfo& info = it->second.info;
  if (unsynced_.contains(info.inode)) unsynced_moves_.push_back(from_key + " -> " + to_key);
  // A move across folders goes with the source folder's changes: this program never makes one.
  events_.push_back(
      {Event::Kind::kEntries, ParentOf(from_key), {{from_key, std::nullopt}, {to_key, info}}});
  Node node = std::move(it->second);
  nodes_.erase(it);
  nodes_.emplace(to_key, std::move(node));
  return Status::Ok();
}

Status MemoryFileSystem::Link(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (refuse_links_) return Err(Status::Code::kUnsupported, "link", Key(from));
  std::lock_guard lock(mutex_);
  std::string from_key = Key(from), to_key = Key(to);
  Node* node = Find(from_key);
  if (node == nullptr) return Err(Status::Code::kNotFound, "link", from_key);
  if (node->info.kind == EntryKind::kDirectory) {
    return Err(Status::Code::kNotRegular, "link", from_key);
  }
  if (Find(to_key) != nullptr) return Err(Status::Code::kExists, "link", to_key);
  if (!ParentIsDir(to_key)) return Err(Status::Code::kNotFound, "link", to_key);
  events_.push_back({Event::Kind::kEntries, ParentOf(to_key), {{to_key, node->info}}});
  Node copy = *node;
  nodes_[to_key] = std::move(copy);
  return Status::Ok();
}

Status MemoryFileSystem::Rename(const std::filesystem::path& from,
                                const std::filesystem::path& to) {
  std::lock_guard lock(mutex_);
  std::string from_key = Key(from), to_key = Key(to);
  auto it = nodes_.find(from_key);
  if (it == nodes_.end()) return Err(Status::Code::kNotFound, "rename", from_key);
  if (it->second.info.kind == EntryKind::kDirectory) {
    return Err(Status::Code::kNotRegular, "rename", from_key);
  }
  if (from_key == to_key) return Status::Ok();
  Node* there = Find(to_key);
  if (there != nullptr && there->info.kind == EntryKind::kDirectory) {
    return Err(Status::Code::kNotRegular, "rename", to_key);
  }
  if (!ParentIsDir(to_key)) return Err(Status::Code::kNotFound, "rename", to_key);
  const FileInfo& info = it->second.info;
  if (unsynced_.contains(info.inode)) unsynced_moves_.push_back(from_key + " -> " + to_key);
  events_.push_back(
      {Event::Kind::kEntries, ParentOf(from_key), {{from_key, std::nullopt}, {to_key, info}}});
  Node node = std::move(it->second);
  nodes_.erase(it);
  nodes_[to_key] = std::move(node);
  return Status::Ok();
}

Status MemoryFileSystem::CopyNew(const std::filesystem::path& from,
                                 const std::filesystem::path& to) {
  std::lock_guard lock(mutex_);
  std::string from_key = Key(from), to_key = Key(to);
  Node* node = Find(from_key);
  if (node == nullptr) return Err(Status::Code::kNotFound, "copy", from_key);
  if (node->info.kind != EntryKind::kFile) return Err(Status::Code::kNotRegular, "copy", from_key);
  if (Find(to_key) != nullptr) return Err(Status::Code::kExists, "copy", to_key);
  if (!ParentIsDir(to_key)) return Err(Status::Code::kNotFound, "copy", to_key);
  Node copy = *node;
  copy.info.inode = next_inode_++;
  // Created with its time already, so that what a cut keeps of it has that time too.
  events_.push_back({Event::Kind::kEntries, ParentOf(to_key), {{to_key, copy.info}}});
  Event data{Event::Kind::kAppend};
  data.inode = copy.info.inode;
  data.data = copy.bytes;
  events_.push_back(std::move(data));
  Event sync{Event::Kind::kSync};
  sync.inode = copy.info.inode;
  events_.push_back(std::move(sync));
  nodes_[to_key] = std::move(copy);
  return Status::Ok();
}

Status MemoryFileSystem::Remove(const std::filesystem::path& path) {
  std::lock_guard lock(mutex_);
  std::string key = Key(path);
  auto it = nodes_.find(key);
  if (it == nodes_.end()) return Err(Status::Code::kNotFound, "remove", key);
  if (it->second.info.kind == EntryKind::kDirectory) {
    return Err(Status::Code::kNotRegular, "remove", key);
  }
  events_.push_back({Event::Kind::kEntries, ParentOf(key), {{key, std::nullopt}}});
  nodes_.erase(it);
  return Status::Ok();
}

Status MemoryFileSystem::SyncDir(const std::filesystem::path& dir) {
  std::lock_guard lock(mutex_);
  std::string key = Key(dir);
  Node* node = Find(key);
  if (node == nullptr || node->info.kind != EntryKind::kDirectory) {
    return Err(Status::Code::kNotFound, "sync", key);
  }
  ++dir_syncs_;
  events_.push_back({Event::Kind::kSyncDir, key, {}});
  return Status::Ok();
}

Status MemoryFileSystem::SyncFileSystem(const std::filesystem::path& path) {
  std::lock_guard lock(mutex_);
  Node* node = Find(Key(path));
  if (node == nullptr || node->info.kind != EntryKind::kDirectory) {
    return Err(Status::Code::kNotFound, "sync", Key(path));
  }
  ++file_system_syncs_;
  unsynced_.clear();
  events_.push_back({Event::Kind::kSyncAll});
  return Status::Ok();
}

Status MemoryFileSystem::Stat(const std::filesystem::path& path, FileInfo* info) {
  std::lock_guard lock(mutex_);
  std::string key = Key(path);
  Node* node = Find(key);
  if (node == nullptr) return Err(Status::Code::kNotFound, "stat", key);
  *info = node->info;
  return Status::Ok();
}

Status MemoryFileSystem::ListDir(const std::filesystem::path& dir, std::vector<DirEntry>* entries) {
  std::lock_guard lock(mutex_);
  std::string key = Key(dir);
  Node* node = Find(key);
  if (node == nullptr) return Err(Status::Code::kNotFound, "list", key);
  if (node->info.kind != EntryKind::kDirectory) return Err(Status::Code::kNotFound, "list", key);
  entries->clear();
  std::string prefix = key == "/" ? "/" : key + "/";
  for (auto it = nodes_.lower_bound(prefix); it != nodes_.end() && it->first.starts_with(prefix);
       ++it) {
    std::string_view rest = std::string_view(it->first).substr(prefix.size());
    if (rest.empty() || rest.find('/') != std::string_view::npos) continue;
    entries->push_back({KeyPath(rest), it->second.info.kind});
  }
  return Status::Ok();
}

}  // namespace kestrane::testing
