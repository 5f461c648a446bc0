#include "convert/move_ladder.h"

#include <string>
#include <utility>

#include "convert/claim.h"
#include "convert/file_identity.h"
#include "convert/side_file_names.h"

namespace kestrane {
namespace {

namespace fs = std::filesystem;
using Code = Status::Code;

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

Status Changed(const fs::path& from) {
  return Failure(Code::kIo, "move", Utf8(from), "another program replaced it meanwhile");
}

Status InTheWay(const fs::path& name) {
  return Failure(Code::kExists, "move", Utf8(name),
                 "a file no run could prove its own holds this private name");
}

// Takes `path` to the free private name `to`. No other program uses private names, so where the
// system has no no-replace rename a plain rename, one step, serves as well.
Status TakeAside(FileSystem& fs, const fs::path& path, const fs::path& to) {
  Status s = fs.MoveNoReplace(path, to);
  if (s.code() == Code::kExists) return InTheWay(to);
  if (s.code() != Code::kUnsupported) return s;
  // Without a no-replace rename, a look first: a replacing rename would take what is there.
  FileInfo info;
  s = fs.Stat(to, &info);
  if (s.ok()) return InTheWay(to);
  if (s.code() != Code::kNotFound) return s;
  return fs.Rename(path, to);
}

// Gives the name `aside` held back to `path` when it is not ours. Should `path` be taken again
// meanwhile, the file stays under the private name, where the next run finds and keeps it.
Status PutBack(FileSystem& fs, const fs::path& aside, const fs::path& path) {
  Status s = MoveToFreeName(fs, aside, path);
  if (s.code() == Code::kExists) {
    return Failure(Code::kExists, "put back", Utf8(path),
                   "saved again meanwhile; the earlier file is kept as " + Utf8(aside));
  }
  return s;
}

bool Matches(const FileInfo& now, const FileInfo& ours, bool unchanged) {
  return unchanged ? SameFile(now, ours) : SameIdentity(now, ours);
}

// Drops the name `from` of the file `moved`, while `to` names it too.
Status DropName(FileSystem& fs, const fs::path& from, const fs::path& to, const FileInfo& moved) {
  return RemoveIfOurs(fs, from, moved, /*unchanged=*/false, nullptr, &to);
}

// Whether `path` names the file `ours` describes, or a copy of it as the ladder makes them (the
// same size and time, its bytes compared before), or nothing asks that it should.
bool StillKept(FileSystem& fs, const fs::path* path, const FileInfo& ours) {
  FileInfo now;
  if (path == nullptr) return true;
  if (!fs.Stat(*path, &now).ok()) return false;
  return SameIdentity(now, ours) ||
         (now.kind == ours.kind && now.size == ours.size && now.mtime_ns == ours.mtime_ns);
}

// Step 2, once the link is made: `to` must name the file moved, and then `from` goes.
Status FinishLink(FileSystem& fs, const fs::path& from, const fs::path& to, const FileInfo& moved) {
  FileInfo linked;
  Status s = fs.Stat(to, &linked);
  if (!s.ok()) return s;
  if (SameIdentity(linked, moved)) return DropName(fs, from, to, moved);
  // Another program saved over `from` between the look and the link: the new name is a second
  // name of its file, which goes while `from` still holds it.
  FileInfo source;
  if (fs.Stat(from, &source).ok() && SameIdentity(source, linked)) {
    (void)RemoveIfOurs(fs, to, linked, /*unchanged=*/false, nullptr, &from);
  }
  return Changed(from);
}

// Step 3.
Status MoveByCopy(FileSystem& fs, const fs::path& from, const fs::path& to, const FileInfo& moved,
                  CopyClaims* claims) {
  const fs::path copy = CopyingPathFor(InputPathFor(to));
  FileInfo now;
  Status s = fs.Stat(copy, &now);
  if (s.ok()) return InTheWay(copy);
  if (s.code() != Code::kNotFound) return s;
  s = fs.CopyNew(from, copy);
  if (!s.ok()) return s;
  // The copy is of the file moved only if that file was at `from`, unchanged, before and after.
  if (!fs.Stat(from, &now).ok() || !SameFile(now, moved)) {
    (void)fs.Remove(copy);
    return Changed(from);
  }
  std::unique_ptr<ReadableFile> claim;
  if (claims != nullptr && fs.OpenForRead(copy, &claim).ok()) {
    (void)Claim(*claim);
    claims->push_back(std::move(claim));
  }
  // The narrowest window this system allows: the look that `to` is free, then the rename.
  s = fs.Stat(to, &now);
  if (s.code() == Code::kNotFound)
    s = fs.Rename(copy, to);
  else if (s.ok())
    s = Failure(Code::kExists, "move", Utf8(to), "the name is taken");
  if (!s.ok()) {
    (void)fs.Remove(copy);
    return s;
  }
  // The copy has an identity of its own: `from` goes while it holds the file copied.
  return RemoveIfOurs(fs, from, moved, /*unchanged=*/true);
}

}  // namespace

Status MoveToFreeName(FileSystem& fs, const fs::path& from, const fs::path& to,
                      CopyClaims* claims) {
  Status s = fs.MoveNoReplace(from, to);
  if (s.code() != Code::kUnsupported) return s;
  FileInfo moved;
  s = fs.Stat(from, &moved);
  if (!s.ok()) return s;
  if (moved.kind != EntryKind::kFile) {
    return Failure(Code::kNotRegular, "move", Utf8(from), "not a regular file");
  }
  s = fs.Link(from, to);
  if (s.ok()) return FinishLink(fs, from, to, moved);
  if (s.code() != Code::kUnsupported) return s;
  return MoveByCopy(fs, from, to, moved, claims);
}

Status RemoveIfOurs(FileSystem& fs, const fs::path& path, const FileInfo& ours, bool unchanged,
                    bool* removed, const fs::path* kept_at) {
  if (removed != nullptr) *removed = false;
  FileInfo now;
  // No other program uses a private name: a look there is as good as one taken aside.
  if (IsPrivateName(path)) {
    Status s = fs.Stat(path, &now);
    if (!s.ok()) return s.code() == Code::kNotFound ? Status::Ok() : s;
    if (!Matches(now, ours, unchanged) || !StillKept(fs, kept_at, now)) return Status::Ok();
    s = fs.Remove(path);
    if (removed != nullptr) *removed = s.ok();
    return s;
  }
  const fs::path aside = RemovingPathFor(InputPathFor(path));
  Status s = TakeAside(fs, path, aside);
  if (s.code() == Code::kNotFound) return Status::Ok();
  if (!s.ok()) return s;
  s = fs.Stat(aside, &now);
  if (s.code() == Code::kNotFound) return Status::Ok();  // a repair took it for ours meanwhile
  if (s.ok() && Matches(now, ours, unchanged) && StillKept(fs, kept_at, now)) {
    s = fs.Remove(aside);
    if (removed != nullptr) *removed = s.ok();
    if (s.ok()) return s;
  }
  // Not ours, or ours but not removable now: back under its name either way, where the next
  // run finds it as before.
  Status back = PutBack(fs, aside, path);
  return s.ok() ? back : s;
}

}  // namespace kestrane
