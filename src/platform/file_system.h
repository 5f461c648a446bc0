// What the converter and the walk need of the operating system, and nothing more. One
// implementation per platform (file_system_posix.cpp, file_system_win32.cpp) and an in-memory
// one for tests; the core never includes a platform header. Every method is pure, so that a
// wrapper that leaves one out does not compile: wrappers derive from FileSystemWrapper.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace kestrane {

enum class EntryKind {
  kFile,       // a regular file
  kDirectory,  // a real folder, not a link to one
  kLink,       // a symbolic link, junction or other reparse point: never followed
  kOther,      // FIFO, device, socket: never opened
};

// The Windows attributes a converted file keeps from its input, with the values of Windows' own
// FILE_ATTRIBUTE_ bits.
inline constexpr std::uint32_t kAttributeReadOnly = 0x1;
inline constexpr std::uint32_t kAttributeHidden = 0x2;
inline constexpr std::uint32_t kAttributeSystem = 0x4;
inline constexpr std::uint32_t kAttributeNotContentIndexed = 0x2000;
inline constexpr std::uint32_t kKeptAttributes =
    kAttributeReadOnly | kAttributeHidden | kAttributeSystem | kAttributeNotContentIndexed;

// Who may do what with a file, as its system keeps it beyond FileInfo's bits: on Windows its
// owner and DACL. Only the platform's own files look inside.
struct SystemSecurity;

struct FileInfo {
  EntryKind kind = EntryKind::kFile;
  std::uint64_t size = 0;
  std::int64_t mtime_ns = 0;  // modification time, nanoseconds since the epoch
  // Identity of the file on its volume (device and inode, or volume serial and file index);
  // a replaced file gets a new one. Zero where the platform cannot tell.
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint32_t permissions = 0644;  // POSIX permission bits; ignored on Windows
  std::uint32_t attributes = 0;      // the kKeptAttributes bits it has; zero on POSIX systems
  // POSIX owner and group; kNoId on Windows, whose files belong to whoever creates them.
  std::uint32_t owner = kNoId;
  std::uint32_t group = kNoId;
  static constexpr std::uint32_t kNoId = 0xFFFFFFFF;
  // On Windows, the owner and DACL of a file opened for reading; null elsewhere, and where the
  // system would not tell.
  std::shared_ptr<const SystemSecurity> security;
};

// What a new file takes from the file it stands for: plain permission bits, or all of that
// file's permissions, attributes, owner and group, and its system's security (both conversions
// implicit, so either serves as a mode).
struct FileMode {
  FileMode(std::uint32_t permissions) : permissions(permissions) {}
  FileMode(const FileInfo& like)
      : permissions(like.permissions),
        attributes(like.attributes),
        owner(like.owner),
        group(like.group),
        security(like.security) {}
  std::uint32_t permissions;
  std::uint32_t attributes = 0;
  std::uint32_t owner = FileInfo::kNoId;  // kNoId: whoever creates the file
  std::uint32_t group = FileInfo::kNoId;
  std::shared_ptr<const SystemSecurity> security;  // null: what the folder gives
};

struct DirEntry {
  std::filesystem::path name;  // the entry's own name, no folder
  EntryKind kind = EntryKind::kFile;
};

// An open input. Reads are sequential; Rewind goes back to the first byte.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  // Reads up to n bytes into buf; *got is 0 only at the end of the file. The end may be taken
  // to be the size info() gives once that much was read: a file that grew since then is no
  // longer what info() describes, which a later Stat shows.
  virtual Status Read(char* buf, std::size_t n, std::size_t* got) = 0;
  virtual Status Rewind() = 0;
  // Claims the file for whoever holds this open file, until it is closed: another claim on the
  // same file, from this process or another, fails with kBusy meanwhile. Readers are not kept
  // out. Runs over one tree use it to tell a file another run is converting from one a dead run
  // left behind.
  virtual Status TryLock() = 0;
  // The file as it was when opened: compared with a later Stat to notice that it changed.
  virtual const FileInfo& info() const = 0;
};

// A new file being written. Close must be called and checked: only then are the bytes known
// to have reached the file. The destructor closes without reporting.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  virtual Status Append(std::string_view data) = 0;
  // Makes the bytes appended so far durable: once it returns they survive a power cut.
  virtual Status Sync() = 0;
  virtual Status Close() = 0;
  // The new file's identity (device and inode, as Stat gives them), taken from the open file
  // when it was created, so that it still tells the file after its name was given to another.
  virtual const FileInfo& info() const = 0;
};

// Kept by FileSystem::HoldFolders for as long as it lives.
class FolderHandles {
 public:
  virtual ~FolderHandles() = default;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens an existing regular file for reading. Anything else (folder, FIFO, device, link)
  // fails with kNotRegular and never blocks. Where the platform can, other programs may read
  // the file but not write it while it is open.
  virtual Status OpenForRead(const std::filesystem::path& path,
                             std::unique_ptr<ReadableFile>* file) = 0;

  // OpenForRead for a name that a folder listing has just shown to be a regular file: the listing
  // serves as the look that a platform may need before opening (a device can act on being
  // opened). The same results, and never a FIFO's wait, whatever the name has become since.
  virtual Status OpenListedForRead(const std::filesystem::path& path,
                                   std::unique_ptr<ReadableFile>* file) = 0;

  // Creates a new file, failing with kExists when the name is taken by anything, a dangling
  // link included. Permissions are POSIX bits, given exactly whatever the umask (where the file
  // system keeps them); Windows ignores them and gives
  // the file the attributes instead, at Close, so that a read-only one does not stop the writing,
  // with the archive attribute, which tells backups that copy changed files only that it is new.
  // On POSIX systems the file takes the mode's owner and group as far as this process may give
  // them (root: both; anyone else: a group they belong to); on Windows the mode's security, its
  // DACL where this account may set it and its owner where it may give it. What it may not give
  // is no failure: the file keeps what its folder gave it.
  virtual Status CreateNew(const std::filesystem::path& path, FileMode mode,
                           std::unique_ptr<WritableFile>* file) = 0;

  // Renames a file within its folder without ever replacing anything: kExists when `to` is
  // taken. Afterwards the bytes, the modification time and the identity are those `from` had;
  // on failure `from` is unchanged. kUnsupported, having done nothing, where the file system has
  // no atomic way to (NFS, many FUSE drivers): the move ladder (convert/move_ladder.h) stands in.
  virtual Status MoveNoReplace(const std::filesystem::path& from,
                               const std::filesystem::path& to) = 0;

  // Gives the file at `from` a second name `to` in the same folder, atomically: kExists when `to`
  // is taken, and `from` keeps its name. kUnsupported, having done nothing, where the file system
  // has no hard links (FAT, exFAT, NTFS through FUSE).
  virtual Status Link(const std::filesystem::path& from, const std::filesystem::path& to) = 0;

  // Renames a file within its folder in one step, replacing whatever file `to` names. Only for
  // names no other program uses: the private names a move or a removal passes through.
  virtual Status Rename(const std::filesystem::path& from, const std::filesystem::path& to) = 0;

  // Creates `to` as a complete copy of the regular file `from`, with its bytes, permissions and
  // modification time, durable once it returns; kExists when `to` is taken. The copy is a new
  // file with an identity of its own. On failure the partial copy is removed (a cut can leave
  // it: only ever copy to a private name).
  virtual Status CopyNew(const std::filesystem::path& from, const std::filesystem::path& to) = 0;

  // Removes a file, or a link itself; never a folder. A read-only file goes too.
  virtual Status Remove(const std::filesystem::path& path) = 0;

  // Describes the entry without following a final link; kNotFound when there is none.
  virtual Status Stat(const std::filesystem::path& path, FileInfo* info) = 0;

  // Makes the entries of `dir` durable: files created, moved or removed in it before the call
  // survive a power cut (or a stick pulled out) once it returns.
  virtual Status SyncDir(const std::filesystem::path& dir) = 0;

  // Makes everything written to the file system that holds `path` durable in one call: the data
  // of every file, open or closed, and the entries of every folder. kUnsupported, having done
  // nothing, where an ordinary program has no such call, and kNotFound when `path` is gone (a
  // folder renamed meanwhile); then each file is synced on its own.
  virtual Status SyncFileSystem(const std::filesystem::path& path) = 0;

  // Lists a folder in the order the system reports it, without "." and "..".
  virtual Status ListDir(const std::filesystem::path& dir, std::vector<DirEntry>* entries) = 0;

  // `path` with its last name spelled as the folder holds it: on Windows the long name of a file
  // named by its 8.3 short name (MOVIEF~1.TXT), so that names built from it belong to the file.
  // Where the system has one spelling per name, or `path` cannot be looked up, `path` itself.
  virtual std::filesystem::path RealName(const std::filesystem::path& path) = 0;

  // How many more files this process may hold open at once, by the system's limit on open
  // descriptors less those in use now. SIZE_MAX where the system sets no such limit.
  virtual std::size_t FreeFileHandles() = 0;

  // While the object returned lives, the calling thread's calls may reach names through a handle
  // of their folder, opened when a call first names that folder, instead of looking up every
  // folder of the path again: the calls for the files of one folder then cost one lookup each.
  // A folder renamed meanwhile is followed, as the files opened in it are; once the object is
  // gone, paths are looked up afresh. Null where there is nothing to gain.
  virtual std::unique_ptr<FolderHandles> HoldFolders() = 0;

  // While the object returned lives, every call from any thread that names `root` or a path below
  // it (`root` joined with names) reaches it from a handle of `root` opened now, each folder
  // below opened in the one above it without following a link: a folder swapped for a link,
  // whenever that happens, is never entered, and a call through it fails (kNotRegular, or the
  // system's error) instead of reaching a file outside the tree. `root` itself is taken as named,
  // links and all. Null where the platform has no such handles, or `root` cannot be opened.
  virtual std::unique_ptr<FolderHandles> HoldTree(const std::filesystem::path& root) = 0;
};

// The real file system of the platform this program was built for.
FileSystem& DefaultFileSystem();

}  // namespace kestrane
