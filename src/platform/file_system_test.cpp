// One contract, two implementations: the file system of this platform in a real temporary folder
// and the in-memory one that the converter's tests use, so that the fake cannot drift from the
// real thing. Cases that only a real disk can show follow in a second suite.
#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "testing/memory_file_system.h"
#include "testing/temp_dir.h"

#ifdef _WIN32
#ifndef NOMINMAX  // libstdc++ defines it already
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/move_fallbacks_posix.h"
#endif

namespace kestrane {
namespace {

namespace fs = std::filesystem;
using Code = Status::Code;

std::string PathText(const fs::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// Reads to the end in pieces of `chunk` bytes, failing the test on an error or on an empty read
// before the end.
std::string ReadAll(ReadableFile& file, std::size_t chunk) {
  std::string all;
  std::string buffer(chunk, '\0');
  for (;;) {
    std::size_t got = 0;
    Status status = file.Read(buffer.data(), chunk, &got);
    EXPECT_TRUE(status.ok()) << status.message();
    if (!status.ok() || got == 0) break;
    EXPECT_LE(got, chunk);
    all.append(buffer, 0, got);
  }
  return all;
}

std::vector<std::string> Names(const std::vector<DirEntry>& entries) {
  std::vector<std::string> names;
  for (const DirEntry& entry : entries)
    names.push_back(PathText(entry.name));
  std::sort(names.begin(), names.end());
  return names;
}

// A folder that a file system is tested in, and a way to reach the same files around that file
// system, the way another program would.
class Place {
 public:
  virtual ~Place() = default;
  virtual FileSystem& files() = 0;
  virtual fs::path root() const = 0;  // an empty folder
  virtual void Put(const fs::path& path, std::string_view bytes) = 0;
  virtual void Extend(const fs::path& path, std::string_view bytes) = 0;
  virtual void Folder(const fs::path& path) = 0;
  virtual std::optional<std::string> Bytes(const fs::path& path) const = 0;
};

class DiskPlace : public Place {
 public:
  FileSystem& files() override { return DefaultFileSystem(); }
  fs::path root() const override { return dir_.path(); }
  void Put(const fs::path& path, std::string_view bytes) override {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << PathText(path);
  }
  void Extend(const fs::path& path, std::string_view bytes) override {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << PathText(path);
  }
  void Folder(const fs::path& path) override { fs::create_directories(path); }
  std::optional<std::string> Bytes(const fs::path& path) const override {
    if (!fs::is_regular_file(path)) return std::nullopt;
    return testing::ReadBytes(path);
  }

 private:
  testing::TempDir dir_;
};

// The disk with its folders held the whole time, as a batch holds them: every call must give
// what it gives without.
class HeldDiskPlace : public DiskPlace {
 private:
  std::unique_ptr<FolderHandles> held_ = files().HoldFolders();
};

class MemoryPlace : public Place {
 public:
  MemoryPlace() { memory_.AddDir(root()); }
  FileSystem& files() override { return memory_; }
  fs::path root() const override { return "/contract"; }
  void Put(const fs::path& path, std::string_view bytes) override {
    memory_.AddFile(path, std::string(bytes), ++clock_);
  }
  void Extend(const fs::path& path, std::string_view bytes) override {
    memory_.AddFile(path, memory_.Contents(path).value_or("") + std::string(bytes), ++clock_);
  }
  void Folder(const fs::path& path) override { memory_.AddDir(path); }
  std::optional<std::string> Bytes(const fs::path& path) const override {
    return memory_.Contents(path);
  }

 private:
  testing::MemoryFileSystem memory_;
  std::int64_t clock_ = 1'000'000'000;
};

struct PlaceKind {
  const char* name;
  std::function<std::unique_ptr<Place>()> make;
};

void PrintTo(const PlaceKind& kind, std::ostream* out) {
  *out << kind.name;
}

class FileSystemContract : public ::testing::TestWithParam<PlaceKind> {
 protected:
  void SetUp() override { place_ = GetParam().make(); }

  FileSystem& files() { return place_->files(); }
  fs::path At(const fs::path& relative) const { return place_->root() / relative; }

  std::string Contents(const fs::path& path) {
    std::unique_ptr<ReadableFile> file;
    Status status = files().OpenForRead(path, &file);
    EXPECT_TRUE(status.ok()) << status.message();
    return file ? ReadAll(*file, 4096) : std::string();
  }

  std::unique_ptr<Place> place_;
};

// Every failure names the operation first, then the path (which the in-memory file system
// writes in its own normal form).
void ExpectFailure(const Status& status, Code code, std::string_view operation,
                   const fs::path& path) {
  EXPECT_EQ(status.code(), code) << status.message();
  std::string start = std::string(operation) + " ";
  EXPECT_EQ(status.message().substr(0, start.size()), start) << status.message();
  EXPECT_NE(status.message().find(PathText(path.filename())), std::string::npos)
      << status.message();
}

TEST_P(FileSystemContract, OpenFailsOnMissingNamesAndFolders) {
  place_->Folder(At("folder"));
  std::unique_ptr<ReadableFile> file;

  Status status = files().OpenForRead(At("missing.txt"), &file);
  ExpectFailure(status, Code::kNotFound, "open", At("missing.txt"));
  status = files().OpenForRead(At("no-folder/x.txt"), &file);
  ExpectFailure(status, Code::kNotFound, "open", At("no-folder/x.txt"));
  status = files().OpenForRead(At("folder"), &file);
  ExpectFailure(status, Code::kNotRegular, "open", At("folder"));
  EXPECT_EQ(file, nullptr);
}

TEST_P(FileSystemContract, ReadsExactBytesInAnyChunkSize) {
  std::string binary("a\0b\r\n\0\xff\xfe", 8);
  std::string large;
  for (int i = 0; i < 20000; ++i)
    large += static_cast<char>(i % 251);
  const struct {
    const char* name;
    std::string bytes;
  } files_to_read[] = {{"empty", ""}, {"one byte", "x"}, {"NULs", binary}, {"20000 bytes", large}};

  for (const auto& input : files_to_read) {
    place_->Put(At("in.txt"), input.bytes);
    for (std::size_t chunk :
         {std::size_t{1}, std::size_t{7}, std::size_t{4096}, std::size_t{1} << 16}) {
      SCOPED_TRACE(std::string(input.name) + ", chunks of " + std::to_string(chunk));
      std::unique_ptr<ReadableFile> file;
      Status status = files().OpenForRead(At("in.txt"), &file);
      ASSERT_TRUE(status.ok()) << status.message();
      EXPECT_EQ(file->info().kind, EntryKind::kFile);
      EXPECT_EQ(file->info().size, input.bytes.size());
      EXPECT_EQ(ReadAll(*file, chunk), input.bytes);
      // The end stays the end.
      char c;
      std::size_t got = 1;
      EXPECT_TRUE(file->Read(&c, 1, &got).ok());
      EXPECT_EQ(got, 0u);
    }
  }
}

TEST_P(FileSystemContract, RewindStartsOverFromAnywhere) {
  place_->Put(At("in.txt"), "0123456789");
  std::unique_ptr<ReadableFile> file;
  ASSERT_TRUE(files().OpenForRead(At("in.txt"), &file).ok());
  char buf[4];
  std::size_t got = 0;
  ASSERT_TRUE(file->Read(buf, 4, &got).ok());
  EXPECT_EQ(std::string(buf, got), "0123");
  ASSERT_TRUE(file->Rewind().ok());
  EXPECT_EQ(ReadAll(*file, 3), "0123456789") << "rewound after 4 bytes";
  ASSERT_TRUE(file->Rewind().ok());
  EXPECT_EQ(ReadAll(*file, 100), "0123456789") << "rewound at the end";
}

TEST_P(FileSystemContract, InfoAtOpenMatchesStat) {
  place_->Put(At("in.txt"), "hello");
  std::unique_ptr<ReadableFile> file;
  ASSERT_TRUE(files().OpenForRead(At("in.txt"), &file).ok());
  FileInfo stat;
  ASSERT_TRUE(files().Stat(At("in.txt"), &stat).ok());
  EXPECT_EQ(file->info().kind, stat.kind);
  EXPECT_EQ(file->info().size, 5u);
  EXPECT_EQ(file->info().size, stat.size);
  EXPECT_EQ(file->info().mtime_ns, stat.mtime_ns);
  EXPECT_EQ(file->info().device, stat.device);
  EXPECT_EQ(file->info().inode, stat.inode);
}

TEST_P(FileSystemContract, OneClaimOnAFileAtATime) {
  place_->Put(At("in.txt"), "cue");
  place_->Put(At("other.txt"), "cue");
  std::unique_ptr<ReadableFile> first, second, other;
  ASSERT_TRUE(files().OpenForRead(At("in.txt"), &first).ok());
  ASSERT_TRUE(first->TryLock().ok());
  ASSERT_TRUE(files().OpenForRead(At("in.txt"), &second).ok()) << "a claim keeps no reader out";
  EXPECT_EQ(ReadAll(*second, 16), "cue");
  Status busy = second->TryLock();
  ExpectFailure(busy, Code::kBusy, "lock", At("in.txt"));
  ASSERT_TRUE(files().OpenForRead(At("other.txt"), &other).ok());
  EXPECT_TRUE(other->TryLock().ok()) << "another file";

  // The claim goes with its file, wherever the file has moved meanwhile.
  ASSERT_TRUE(files().MoveNoReplace(At("in.txt"), At("in.txt_original")).ok());
  EXPECT_EQ(second->TryLock().code(), Code::kBusy) << "after a move";
  first.reset();
  Status claimed = second->TryLock();
  EXPECT_TRUE(claimed.ok()) << "once the first file is closed: " << claimed.message();
}

TEST_P(FileSystemContract, StatAfterAnotherProgramAppendedShowsTheChange) {
  place_->Put(At("in.txt"), "cue 1\n");
  FileInfo at_open;
  {
    std::unique_ptr<ReadableFile> file;
    ASSERT_TRUE(files().OpenForRead(At("in.txt"), &file).ok());
    at_open = file->info();
  }  // Windows would refuse the other writer while the file is open.
  place_->Extend(At("in.txt"), "cue 2\n");
  FileInfo now;
  ASSERT_TRUE(files().Stat(At("in.txt"), &now).ok());
  EXPECT_NE(now.size, at_open.size);
  EXPECT_EQ(now.size, 12u);
}

TEST_P(FileSystemContract, CreateNewWritesEverythingAppended) {
  std::unique_ptr<WritableFile> out;
  ASSERT_TRUE(files().CreateNew(At("out.txt"), 0600, &out).ok());
  ASSERT_TRUE(out->Append("\xEF\xBB\xBF").ok());
  ASSERT_TRUE(out->Append(std::string_view("1 \0 x\r\n", 7)).ok());
  ASSERT_TRUE(out->Append("").ok());
  Status synced = out->Sync();
  ASSERT_TRUE(synced.ok()) << synced.message();
  Status closed = out->Close();
  ASSERT_TRUE(closed.ok()) << closed.message();
  synced = files().SyncDir(place_->root());
  ASSERT_TRUE(synced.ok()) << synced.message();
  EXPECT_EQ(place_->Bytes(At("out.txt")), std::string("\xEF\xBB\xBF"
                                                      "1 \0 x\r\n",
                                                      10));
  FileInfo info;
  ASSERT_TRUE(files().Stat(At("out.txt"), &info).ok());
  EXPECT_EQ(info.kind, EntryKind::kFile);
  EXPECT_EQ(info.size, 10u);
#ifndef _WIN32
  EXPECT_EQ(info.permissions, 0600u);
#endif
  // The identity told by the open file is the one its name shows, so that a name given to
  // another file meanwhile can be told from it.
  EXPECT_NE(out->info().inode, 0u);
  EXPECT_EQ(out->info().inode, info.inode);
  EXPECT_EQ(out->info().device, info.device);
}

TEST_P(FileSystemContract, CreateNewNeverTakesAnExistingName) {
  place_->Put(At("taken.txt"), "original");
  place_->Folder(At("folder"));
  std::unique_ptr<WritableFile> out;

  Status status = files().CreateNew(At("taken.txt"), 0644, &out);
  ExpectFailure(status, Code::kExists, "create", At("taken.txt"));
  EXPECT_EQ(place_->Bytes(At("taken.txt")), "original");
  status = files().CreateNew(At("folder"), 0644, &out);
  ExpectFailure(status, Code::kExists, "create", At("folder"));
  status = files().CreateNew(At("no-folder/new.txt"), 0644, &out);
  ExpectFailure(status, Code::kNotFound, "create", At("no-folder/new.txt"));
  EXPECT_EQ(out, nullptr);
}

TEST_P(FileSystemContract, MoveKeepsBytesTimeAndIdentity) {
  place_->Put(At("a.txt"), std::string("bytes\0kept", 10));
  FileInfo before;
  ASSERT_TRUE(files().Stat(At("a.txt"), &before).ok());

  Status moved = files().MoveNoReplace(At("a.txt"), At("a.txt_original"));
  ASSERT_TRUE(moved.ok()) << moved.message();

  FileInfo after;
  ASSERT_TRUE(files().Stat(At("a.txt_original"), &after).ok());
  EXPECT_EQ(place_->Bytes(At("a.txt_original")), std::string("bytes\0kept", 10));
  EXPECT_EQ(after.size, before.size);
  EXPECT_EQ(after.mtime_ns, before.mtime_ns);
  if (before.inode != 0) {
    EXPECT_EQ(after.inode, before.inode);
  }
  if (before.device != 0) {
    EXPECT_EQ(after.device, before.device);
  }
  FileInfo gone;
  EXPECT_EQ(files().Stat(At("a.txt"), &gone).code(), Code::kNotFound);
}

TEST_P(FileSystemContract, MoveNeverReplaces) {
  place_->Put(At("a.txt"), "new text");
  place_->Put(At("a.txt_original"), "only copy of the old text");
  place_->Folder(At("folder"));

  Status status = files().MoveNoReplace(At("a.txt"), At("a.txt_original"));
  EXPECT_EQ(status.code(), Code::kExists) << status.message();
  EXPECT_EQ(place_->Bytes(At("a.txt")), "new text");
  EXPECT_EQ(place_->Bytes(At("a.txt_original")), "only copy of the old text");

  status = files().MoveNoReplace(At("a.txt"), At("folder"));
  EXPECT_EQ(status.code(), Code::kExists) << "onto a folder: " << status.message();
  EXPECT_EQ(place_->Bytes(At("a.txt")), "new text");

  status = files().MoveNoReplace(At("missing.txt"), At("b.txt"));
  EXPECT_EQ(status.code(), Code::kNotFound) << status.message();
  FileInfo info;
  EXPECT_EQ(files().Stat(At("b.txt"), &info).code(), Code::kNotFound);
}

TEST_P(FileSystemContract, RemoveTakesFilesOnly) {
  place_->Put(At("a.txt_temp"), "work");
  place_->Folder(At("folder"));

  EXPECT_TRUE(files().Remove(At("a.txt_temp")).ok());
  EXPECT_EQ(place_->Bytes(At("a.txt_temp")), std::nullopt);
  Status status = files().Remove(At("a.txt_temp"));
  ExpectFailure(status, Code::kNotFound, "remove", At("a.txt_temp"));
  status = files().Remove(At("folder"));
  ExpectFailure(status, Code::kNotRegular, "remove", At("folder"));
  FileInfo info;
  ASSERT_TRUE(files().Stat(At("folder"), &info).ok());
  EXPECT_EQ(info.kind, EntryKind::kDirectory);
}

TEST_P(FileSystemContract, StatTellsKinds) {
  place_->Put(At("file.txt"), "12345");
  place_->Folder(At("folder"));
  const struct {
    const char* name;
    Code code;
    EntryKind kind;
  } cases[] = {
      {"file.txt", Code::kOk, EntryKind::kFile},
      {"folder", Code::kOk, EntryKind::kDirectory},
      {"missing", Code::kNotFound, EntryKind::kFile},
      {"missing/below", Code::kNotFound, EntryKind::kFile},
  };
  for (const auto& c : cases) {
    FileInfo info;
    Status status = files().Stat(At(c.name), &info);
    EXPECT_EQ(status.code(), c.code) << c.name << ": " << status.message();
    if (status.ok()) {
      EXPECT_EQ(info.kind, c.kind) << c.name;
    } else {
      ExpectFailure(status, c.code, "stat", At(c.name));
    }
  }
  FileInfo info;
  ASSERT_TRUE(files().Stat(At("file.txt"), &info).ok());
  EXPECT_EQ(info.size, 5u);
}

TEST_P(FileSystemContract, ListDirNamesEveryEntryOnce) {
  place_->Put(At("a.txt"), "a");
  place_->Put(At("b.srt"), "b");
  place_->Put(At(".hidden"), "h");
  place_->Put(At("no extension"), "n");
  place_->Folder(At("sub"));
  place_->Put(At("sub/inner.txt"), "i");
  place_->Folder(At("empty"));

  std::vector<DirEntry> entries;
  Status status = files().ListDir(place_->root(), &entries);
  ASSERT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(Names(entries), (std::vector<std::string>{".hidden", "a.txt", "b.srt", "empty",
                                                      "no extension", "sub"}));
  for (const DirEntry& entry : entries) {
    bool folder = entry.name == "sub" || entry.name == "empty";
    EXPECT_EQ(entry.kind, folder ? EntryKind::kDirectory : EntryKind::kFile)
        << PathText(entry.name);
  }

  ASSERT_TRUE(files().ListDir(At("empty"), &entries).ok());
  EXPECT_TRUE(entries.empty()) << "first: " << (entries.empty() ? "" : PathText(entries[0].name));

  status = files().ListDir(At("missing"), &entries);
  ExpectFailure(status, Code::kNotFound, "list", At("missing"));
  status = files().ListDir(At("a.txt"), &entries);
  EXPECT_EQ(status.code(), Code::kNotFound) << "a file: " << status.message();
}

INSTANTIATE_TEST_SUITE_P(
    All, FileSystemContract,
    ::testing::Values(PlaceKind{"Disk", [] { return std::make_unique<DiskPlace>(); }},
                      PlaceKind{"HeldDisk", [] { return std::make_unique<HeldDiskPlace>(); }},
                      PlaceKind{"Memory", [] { return std::make_unique<MemoryPlace>(); }}),
    [](const ::testing::TestParamInfo<PlaceKind>& info) { return info.param.name; });

// ---------------------------------------------------------------------------------------------
// What only the real disk of each platform shows.

class FileSystemOnDisk : public ::testing::Test {
 protected:
  FileSystem& files() { return DefaultFileSystem(); }
  fs::path At(const fs::path& relative) const { return dir_.path() / relative; }

  testing::TempDir dir_;
};

TEST_F(FileSystemOnDisk, FailuresSayWhatWhereAndTheSystemsWords) {
  // Not ASCII, to see that the message holds the name in UTF-8 whatever the code page.
  const fs::path missing = At(u8"caf\u00E9 missing.txt");
  const std::string where = PathText(missing);
  ASSERT_NE(where.find("caf\xC3\xA9"), std::string::npos);
  std::unique_ptr<ReadableFile> in;
  std::unique_ptr<WritableFile> out;
  FileInfo info;
  std::vector<DirEntry> entries;
  const struct {
    const char* name;
    Status status;
    std::string start;
  } cases[] = {
      {"open", files().OpenForRead(missing, &in), "open " + where + ": "},
      {"create", files().CreateNew(missing / "x.txt", 0644, &out),
       "create " + PathText(missing / "x.txt") + ": "},
      {"move", files().MoveNoReplace(missing, At("b.txt")),
       "move " + where + " to " + PathText(At("b.txt")) + ": "},
      {"remove", files().Remove(missing), "remove " + where + ": "},
      {"stat", files().Stat(missing, &info), "stat " + where + ": "},
      {"list", files().ListDir(missing, &entries), "list " + where + ": "},
  };
  for (const auto& c : cases) {
    const std::string& message = c.status.message();
    EXPECT_EQ(c.status.code(), Code::kNotFound) << c.name << ": " << message;
    ASSERT_GT(message.size(), c.start.size()) << c.name << ": " << message;
    EXPECT_EQ(message.substr(0, c.start.size()), c.start) << c.name;
    char last = message.back();
    EXPECT_TRUE(last != '\n' && last != '\r' && last != ' ') << c.name << ": [" << message << "]";
  }
}

// Windows names need not be valid UTF-16; messages carry them in WTF-8, and never throw.
TEST_F(FileSystemOnDisk, NamesThatAreNotUtf16AreReportedInWtf8) {
#ifndef _WIN32
  GTEST_SKIP() << "POSIX names are bytes, passed on as they are";
#else
  const fs::path missing = At(std::wstring{L'x', wchar_t{0xD800}, L'.', L't', L'x', L't'});
  std::unique_ptr<ReadableFile> in;
  Status status = files().OpenForRead(missing, &in);
  EXPECT_EQ(status.code(), Code::kNotFound) << status.message();
  EXPECT_NE(status.message().find("x\xED\xA0\x80.txt: "), std::string::npos) << status.message();
#endif
}

TEST_F(FileSystemOnDisk, EveryFileHasItsOwnIdentity) {
  { std::ofstream(At("a.txt")) << "a"; }
  { std::ofstream(At("b.txt")) << "b"; }
  FileInfo a, b;
  ASSERT_TRUE(files().Stat(At("a.txt"), &a).ok());
  ASSERT_TRUE(files().Stat(At("b.txt"), &b).ok());
  EXPECT_NE(a.device, 0u);
  EXPECT_NE(a.inode, 0u);
  EXPECT_EQ(a.device, b.device);
  EXPECT_NE(a.inode, b.inode);
}

// A held folder is followed when it is renamed, so the files of a batch are moved and synced
// where they were written; once the hold ends, a new folder under the old name is the one found.
TEST_F(FileSystemOnDisk, AHeldFolderIsFollowedUntilTheHoldEnds) {
  fs::create_directory(At("d"));
  { std::ofstream(At("d/a.txt")) << "a"; }
  FileInfo info;
  if (auto hold = files().HoldFolders()) {
    ASSERT_TRUE(files().Stat(At("d/a.txt"), &info).ok());
    fs::rename(At("d"), At("renamed"));
    fs::create_directory(At("d"));
    EXPECT_TRUE(files().Stat(At("d/a.txt"), &info).ok());
    EXPECT_TRUE(files().MoveNoReplace(At("d/a.txt"), At("d/b.txt")).ok());
    EXPECT_TRUE(files().SyncDir(At("d")).ok());
    EXPECT_TRUE(fs::exists(At("renamed/b.txt")));
  } else {
    fs::rename(At("d"), At("renamed"));
    fs::create_directory(At("d"));
  }
  EXPECT_EQ(files().Stat(At("d/b.txt"), &info).code(), Code::kNotFound);
}

// Names longer than MAX_PATH need the \\?\ form on Windows; elsewhere they must simply work.
TEST_F(FileSystemOnDisk, PathsLongerThanMaxPath) {
  fs::path folder = At(std::string(200, 'd'));
#ifdef _WIN32
  std::wstring name = LR"(\\?\)" + folder.lexically_normal().native();
  ASSERT_TRUE(::CreateDirectoryW(name.c_str(), nullptr)) << ::GetLastError();
#else
  fs::create_directory(folder);
#endif
  fs::path from = folder / (std::string(100, 'f') + ".txt");
  fs::path to = folder / (std::string(100, 'f') + ".txt_original");
  ASSERT_GT(from.native().size(), 300u);

  std::unique_ptr<WritableFile> out;
  Status status = files().CreateNew(from, 0644, &out);
  ASSERT_TRUE(status.ok()) << status.message();
  ASSERT_TRUE(out->Append("long").ok());
  ASSERT_TRUE(out->Close().ok());
  status = files().MoveNoReplace(from, to);
  ASSERT_TRUE(status.ok()) << status.message();
  FileInfo info;
  ASSERT_TRUE(files().Stat(to, &info).ok());
  EXPECT_EQ(info.size, 4u);
  std::vector<DirEntry> entries;
  ASSERT_TRUE(files().ListDir(folder, &entries).ok());
  EXPECT_EQ(Names(entries), std::vector<std::string>{PathText(to.filename())});
  std::unique_ptr<ReadableFile> in;
  ASSERT_TRUE(files().OpenForRead(to, &in).ok());
  EXPECT_EQ(ReadAll(*in, 16), "long");
  in.reset();
  status = files().Remove(to);
  ASSERT_TRUE(status.ok()) << status.message();
  ASSERT_TRUE(files().ListDir(folder, &entries).ok());
  EXPECT_TRUE(entries.empty());
#ifdef _WIN32
  EXPECT_TRUE(::RemoveDirectoryW(name.c_str())) << ::GetLastError();
#endif
}

// Makes or removes a folder whatever its name or length: on Windows through the \\?\ form, as
// the file system under test reaches it.
bool MakeFolder(const fs::path& path, bool remove = false) {
#ifdef _WIN32
  const std::wstring name = LR"(\\?\)" + path.lexically_normal().native();
  return remove ? ::RemoveDirectoryW(name.c_str()) : ::CreateDirectoryW(name.c_str(), nullptr);
#else
  return remove ? fs::remove(path) : fs::create_directory(path);
#endif
}

// Names as users give them: with a last dot or space, which NAS devices make and the plain
// Windows form drops, and relative to the current folder, short, though longer than MAX_PATH
// once absolute.
TEST_F(FileSystemOnDisk, NamesReachTheSystemAsTheyAre) {
  const fs::path relative = fs::path(std::string(200, 'd')) / "Season 1. ";
  ASSERT_TRUE(MakeFolder(At(relative.parent_path())));
  ASSERT_TRUE(MakeFolder(At(relative)));
  ASSERT_GT(At(relative / "a.txt._original").native().size(), 260u);
  const fs::path before = fs::current_path();
  fs::current_path(dir_.path());
  for (const char* name : {"a.txt.", "b.txt ", "c...", "d. . "}) {
    for (const fs::path& file : {relative / name, At(relative / name)}) {
      const std::string text = PathText(file);
      std::unique_ptr<WritableFile> out;
      ASSERT_TRUE(files().CreateNew(file, 0644, &out).ok()) << text;
      ASSERT_TRUE(out->Close().ok()) << text;
      std::vector<DirEntry> entries;
      ASSERT_TRUE(files().ListDir(file.parent_path(), &entries).ok()) << text;
      EXPECT_EQ(Names(entries), std::vector<std::string>{name}) << text;
      std::unique_ptr<ReadableFile> in;
      EXPECT_TRUE(files().OpenForRead(file, &in).ok()) << text;
      in.reset();
      fs::path moved = file;
      moved += "_original";
      EXPECT_TRUE(files().MoveNoReplace(file, moved).ok()) << text;
      EXPECT_TRUE(files().Remove(moved).ok()) << text;
    }
  }
  fs::current_path(before);
  EXPECT_TRUE(MakeFolder(At(relative), true));
  EXPECT_TRUE(MakeFolder(At(relative.parent_path()), true));
}

// What a converted file keeps of its input on Windows, and what a read-only one allows.
TEST_F(FileSystemOnDisk, NewFilesTakeTheAttributesGiven) {
  FileInfo like;
  like.attributes = kAttributeReadOnly | kAttributeHidden | kAttributeNotContentIndexed;
  std::unique_ptr<WritableFile> out;
  ASSERT_TRUE(files().CreateNew(At("a.txt"), like, &out).ok());
  // Read-only from the start would refuse these writes.
  ASSERT_TRUE(out->Append("first ").ok());
  ASSERT_TRUE(out->Append("second").ok());
  Status status = out->Close();
  ASSERT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(testing::ReadBytes(At("a.txt")), "first second");
  FileInfo info;
  ASSERT_TRUE(files().Stat(At("a.txt"), &info).ok());
#ifdef _WIN32
  // Wine keeps these two and drops the not-indexed bit.
  const std::uint32_t shown = kAttributeReadOnly | kAttributeHidden;
  EXPECT_EQ(info.attributes & shown, shown);
#else
  EXPECT_EQ(info.attributes, 0u) << "no attributes on POSIX systems";
#endif
  // Restoring an original removes the converted file first, read-only or not.
  status = files().Remove(At("a.txt"));
  EXPECT_TRUE(status.ok()) << status.message();
  EXPECT_FALSE(fs::exists(At("a.txt")));
}

#ifndef _WIN32
// Runs `body` in a child process as the user "nobody", since root ignores permissions;
// returns what it returned, 100 when the child could not become nobody, or -1.
int AsNobody(const std::function<int()>& body) {
  pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(100);
    ::_exit(body());
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}
#endif

TEST_F(FileSystemOnDisk, OpenInputRefusesWritersButNotReaders) {
#ifndef _WIN32
  GTEST_SKIP() << "POSIX has no share modes; the converter notices a changed input by its size, "
                  "time and identity instead";
#else
  fs::path path = At("in.txt");
  { std::ofstream(path) << "x"; }
  std::unique_ptr<ReadableFile> file;
  ASSERT_TRUE(files().OpenForRead(path, &file).ok());

  HANDLE writer = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD error = ::GetLastError();
  if (writer != INVALID_HANDLE_VALUE) ::CloseHandle(writer);
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));

  HANDLE reader = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE) << ::GetLastError();
  if (reader != INVALID_HANDLE_VALUE) ::CloseHandle(reader);

  file.reset();
  writer = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(writer, INVALID_HANDLE_VALUE) << "after the input was closed: " << ::GetLastError();
  if (writer != INVALID_HANDLE_VALUE) ::CloseHandle(writer);
#endif
}

TEST_F(FileSystemOnDisk, FifoNamedLikeAnInputIsNeverOpened) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no FIFOs in the file system";
#else
  ASSERT_EQ(::mkfifo(At("x.txt").c_str(), 0644), 0);
  std::unique_ptr<ReadableFile> file;
  // Opening a FIFO for reading without O_NONBLOCK would wait here for a writer forever.
  Status status = files().OpenForRead(At("x.txt"), &file);
  ExpectFailure(status, Code::kNotRegular, "open", At("x.txt"));
  FileInfo info;
  ASSERT_TRUE(files().Stat(At("x.txt"), &info).ok());
  EXPECT_EQ(info.kind, EntryKind::kOther);
  std::vector<DirEntry> entries;
  ASSERT_TRUE(files().ListDir(dir_.path(), &entries).ok());
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].kind, EntryKind::kOther);
#endif
}

TEST_F(FileSystemOnDisk, LinksAreNeverFollowed) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links need a privilege on Windows and Wine cannot make them";
#else
  { std::ofstream(At("target.txt")) << "target"; }
  fs::create_symlink("target.txt", At("link.txt"));
  fs::create_symlink("nowhere.txt", At("dangling.txt"));
  fs::create_directory(At("folder"));
  fs::create_directory_symlink("folder", At("folder-link"));

  std::unique_ptr<ReadableFile> file;
  Status status = files().OpenForRead(At("link.txt"), &file);
  ExpectFailure(status, Code::kNotRegular, "open", At("link.txt"));
  for (const char* name : {"link.txt", "dangling.txt", "folder-link"}) {
    FileInfo info;
    ASSERT_TRUE(files().Stat(At(name), &info).ok()) << name;
    EXPECT_EQ(info.kind, EntryKind::kLink) << name;
  }
  std::vector<DirEntry> entries;
  ASSERT_TRUE(files().ListDir(dir_.path(), &entries).ok());
  for (const DirEntry& entry : entries) {
    bool link = entry.name != "target.txt" && entry.name != "folder";
    EXPECT_EQ(entry.kind == EntryKind::kLink, link) << entry.name;
  }

  // A dangling link still takes its name, and its target must not be created through it.
  std::unique_ptr<WritableFile> out;
  status = files().CreateNew(At("dangling.txt"), 0644, &out);
  ExpectFailure(status, Code::kExists, "create", At("dangling.txt"));
  EXPECT_EQ(files().MoveNoReplace(At("target.txt"), At("dangling.txt")).code(), Code::kExists);
  EXPECT_FALSE(fs::exists(At("nowhere.txt")));

  ASSERT_TRUE(files().Remove(At("link.txt")).ok());
  EXPECT_FALSE(fs::is_symlink(At("link.txt")));
  EXPECT_EQ(testing::ReadBytes(At("target.txt")), "target") << "the target survives";
#endif
}

TEST_F(FileSystemOnDisk, NamesThatAreNotUtf8) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows names are UTF-16; every one of them converts to UTF-8";
#else
  const std::string name = "caf\xE9.txt";  // Latin-1, as old archives and FAT sticks have them
  { std::ofstream(At(name)) << "bytes"; }
  std::vector<DirEntry> entries;
  ASSERT_TRUE(files().ListDir(dir_.path(), &entries).ok());
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name.native(), name);
  std::unique_ptr<ReadableFile> file;
  ASSERT_TRUE(files().OpenForRead(dir_.path() / entries[0].name, &file).ok());
  EXPECT_EQ(ReadAll(*file, 16), "bytes");
  EXPECT_TRUE(files().MoveNoReplace(At(name), At(name + "_original")).ok());
#endif
}

TEST_F(FileSystemOnDisk, PermissionsAreEnforced) {
#ifdef _WIN32
  GTEST_SKIP() << "the read-only attribute of a Windows folder does not stop new files, and "
                  "Wine has no access control lists";
#else
  fs::path folder = At("read-only");
  fs::create_directory(folder);
  { std::ofstream(At("secret.txt")) << "x"; }
  fs::permissions(folder, fs::perms(0555));
  fs::permissions(At("secret.txt"), fs::perms(0600));
  auto create = [&] {
    std::unique_ptr<WritableFile> out;
    return static_cast<int>(files().CreateNew(folder / "new.txt", 0644, &out).code());
  };
  auto open = [&] {
    std::unique_ptr<ReadableFile> in;
    return static_cast<int>(files().OpenForRead(At("secret.txt"), &in).code());
  };
  if (::geteuid() == 0) {
    // Root ignores permissions, so the attempts run as "nobody", who needs to pass through.
    fs::permissions(dir_.path(), fs::perms::others_exec, fs::perm_options::add);
    int created = AsNobody(create);
    if (created == 100) GTEST_SKIP() << "running as root, and cannot become nobody to test this";
    EXPECT_EQ(created, static_cast<int>(Code::kAccessDenied)) << "create in a read-only folder";
    EXPECT_EQ(AsNobody(open), static_cast<int>(Code::kAccessDenied)) << "open without rights";
  } else {
    EXPECT_EQ(create(), static_cast<int>(Code::kAccessDenied)) << "create in a read-only folder";
    fs::permissions(At("secret.txt"), fs::perms::none);
    EXPECT_EQ(open(), static_cast<int>(Code::kAccessDenied)) << "open without rights";
  }
  EXPECT_FALSE(fs::exists(folder / "new.txt"));
#endif
}

#ifndef _WIN32

// What file systems without RENAME_NOREPLACE or without hard links offer the move ladder, run
// here on an ordinary disk: a second name, or a complete copy, both beside a source that stays.
struct Fallback {
  const char* name;
  Status (*move)(const fs::path&, const fs::path&);
  bool keeps_identity;
};

void PrintTo(const Fallback& fallback, std::ostream* out) {
  *out << fallback.name;
}

class MoveFallback : public FileSystemOnDisk, public ::testing::WithParamInterface<Fallback> {};

TEST_P(MoveFallback, KeepsBytesTimeAndPermissions) {
  std::string bytes(100000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>(i * 7);
  { std::ofstream(At("a.txt"), std::ios::binary) << bytes; }
  // Permissions that the umask would narrow, and a time that a copy would not have by itself.
  fs::permissions(At("a.txt"), fs::perms(0666));
  const timespec times[2] = {{1000000000, 123456789}, {1200000000, 987654321}};
  ASSERT_EQ(::utimensat(AT_FDCWD, At("a.txt").c_str(), times, 0), 0);
  FileInfo before;
  ASSERT_TRUE(files().Stat(At("a.txt"), &before).ok());

  Status status = GetParam().move(At("a.txt"), At("a.txt_original"));
  ASSERT_TRUE(status.ok()) << status.message();
  FileInfo after;
  ASSERT_TRUE(files().Stat(At("a.txt_original"), &after).ok());
  EXPECT_EQ(testing::ReadBytes(At("a.txt_original")), bytes);
  EXPECT_EQ(after.mtime_ns, 1200000000987654321);
  EXPECT_EQ(after.permissions, 0666u);
  EXPECT_EQ(after.inode == before.inode, GetParam().keeps_identity);
  EXPECT_EQ(testing::ReadBytes(At("a.txt")), bytes);
}

TEST_P(MoveFallback, FailsWithoutTouchingEitherFile) {
  { std::ofstream(At("a.txt")) << "new"; }
  { std::ofstream(At("a.txt_original")) << "old"; }
  ASSERT_EQ(::mkfifo(At("fifo.txt").c_str(), 0644), 0);

  EXPECT_EQ(GetParam().move(At("a.txt"), At("a.txt_original")).code(), Code::kExists);
  EXPECT_EQ(testing::ReadBytes(At("a.txt")), "new");
  EXPECT_EQ(testing::ReadBytes(At("a.txt_original")), "old");
  EXPECT_EQ(GetParam().move(At("missing.txt"), At("b.txt")).code(), Code::kNotFound);
  EXPECT_FALSE(fs::exists(At("b.txt")));
  // A hard link may name a FIFO; a copy must refuse it rather than wait for a writer.
  if (!GetParam().keeps_identity) {
    EXPECT_EQ(GetParam().move(At("fifo.txt"), At("c.txt")).code(), Code::kNotRegular);
    EXPECT_FALSE(fs::exists(At("c.txt")));
    EXPECT_TRUE(fs::is_fifo(At("fifo.txt")));
  }
}

INSTANTIATE_TEST_SUITE_P(All, MoveFallback,
                         ::testing::Values(Fallback{"Link", &posix::LinkNew, true},
                                           Fallback{"Copy", &posix::CopyNew, false}),
                         [](const ::testing::TestParamInfo<Fallback>& info) {
                           return info.param.name;
                         });

#endif

}  // namespace
}  // namespace kestrane
