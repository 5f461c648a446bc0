#include "convert/interrupted_moves.h"

#include <array>
#include <memory>
#include <string>

#include "convert/claim.h"
#include "convert/conversion_proof.h"
#include "convert/file_identity.h"
#include "convert/move_ladder.h"
#include "convert/side_file_names.h"

namespace kestrane {
namespace {

namespace fs = std::filesystem;

// A trio file as a look found it.
struct Named {
  fs::path path;
  FileInfo info;
  bool file = false;
};

Named Look(FileSystem& fs, fs::path path) {
  Named named;
  named.path = std::move(path);
  named.file = fs.Stat(named.path, &named.info).ok() && named.info.kind == EntryKind::kFile;
  return named;
}

// Identity only where the system tells one: two files it cannot tell apart are not one file.
bool OneFile(const Named& a, const Named& b) {
  return a.file && b.file && a.info.inode != 0 && SameIdentity(a.info, b.info);
}

// Whether `b` may be a copy of `a` that a move without links made: it keeps size and time.
bool MayBeCopy(const Named& a, const Named& b) {
  return a.file && b.file && a.info.size == b.info.size && a.info.mtime_ns == b.info.mtime_ns;
}

// Whether every byte of `copy` is the byte of `source` at its place, or zero (a cut can keep a
// file's length and lose its last bytes), and `copy` is no longer.
bool BeginsFile(FileSystem& fs, const fs::path& copy, const fs::path& source) {
  std::unique_ptr<ReadableFile> a, b;
  if (!fs.OpenForRead(copy, &a).ok() || !fs.OpenForRead(source, &b).ok()) return false;
  if (a->info().size > b->info().size) return false;
  std::string x(1 << 16, '\0'), y(1 << 16, '\0');
  for (;;) {
    std::size_t got = 0, more = 0;
    if (!a->Read(x.data(), x.size(), &got).ok()) return false;
    if (got == 0) return true;
    for (std::size_t have = 0; have < got; have += more) {
      if (!b->Read(y.data() + have, got - have, &more).ok() || more == 0) return false;
    }
    for (std::size_t i = 0; i < got; ++i) {
      if (x[i] != y[i] && x[i] != '\0') return false;
    }
  }
}

// Two names of one file, or a file and its exact copy.
bool Twins(FileSystem& fs, const Named& a, const Named& b) {
  return OneFile(a, b) || (MayBeCopy(a, b) && BeginsFile(fs, b.path, a.path));
}

void ClearRemoving(FileSystem& fs, const Named& removing, const std::array<Named, 4>& trio,
                   ReadableFile& original, const LegacyEncoding& legacy) {
  for (const Named& named : trio) {
    if (Twins(fs, named, removing)) {
      (void)RemoveIfOurs(fs, removing.path, removing.info, false, nullptr, &named.path);
      return;
    }
  }
  std::unique_ptr<ReadableFile> proven;
  if (OpenIfConversionOf(fs, removing.path, original, legacy, ProofMode::kPrefix, &proven).ok() &&
      proven) {
    (void)RemoveIfStillProven(fs, removing.path, *proven);
  }
}

void ClearCopying(FileSystem& fs, const Named& copying, const std::array<Named, 4>& trio) {
  for (const Named& named : trio) {
    if (named.file && BeginsFile(fs, copying.path, named.path)) {
      (void)RemoveIfOurs(fs, copying.path, copying.info, /*unchanged=*/true);
      return;
    }
  }
}

// Whether a trio file is the original's conversion, whole or cut: a copy and its source are a
// move of ours cut short only beside one (a conversion's work file, or a restore's file set
// aside); without one, two equal files are the user's, as a backup copied over its input.
bool ConversionBeside(FileSystem& fs, const std::array<Named, 4>& trio, ReadableFile& original,
                      const LegacyEncoding& legacy) {
  for (const Named& named : trio) {
    std::unique_ptr<ReadableFile> proven;
    if (named.file &&
        OpenIfConversionOf(fs, named.path, original, legacy, ProofMode::kPrefix, &proven).ok() &&
        proven) {
      return true;
    }
  }
  return false;
}

std::array<Named, 4> LookAtTrio(FileSystem& fs, const fs::path& input) {
  // The input first: the others are dropped when they name its file.
  return {Look(fs, input), Look(fs, BackupPathFor(input)), Look(fs, WorkPathFor(input)),
          Look(fs, AsidePathFor(input))};
}

bool AnyLinked(const std::array<Named, 4>& trio) {
  for (std::size_t i = 1; i < trio.size(); ++i) {
    if (OneFile(trio[0], trio[i]) || MayBeCopy(trio[0], trio[i])) return true;
  }
  return false;
}

}  // namespace

void RepairInterruptedMoves(FileSystem& fs, const fs::path& input, const LegacyEncoding& legacy) {
  std::array<Named, 4> trio = LookAtTrio(fs, input);
  Named removing = Look(fs, RemovingPathFor(input));
  Named copying = Look(fs, CopyingPathFor(input));
  if (!removing.file && !copying.file && !AnyLinked(trio)) return;
  std::unique_ptr<ReadableFile> original;
  const fs::path& source = trio[1].file ? trio[1].path : trio[0].path;
  if (!fs.OpenForRead(source, &original).ok() || !Claim(*original)) return;
  if (!StillNames(fs, source, *original)) return;
  // What was seen before the claim may be another run's step since finished: only looks taken
  // with the claim held count, and each removal checks again that the other name stays.
  trio = LookAtTrio(fs, input);
  removing = Look(fs, RemovingPathFor(input));
  copying = Look(fs, CopyingPathFor(input));
  if (removing.file) ClearRemoving(fs, removing, trio, *original, legacy);
  if (copying.file) ClearCopying(fs, copying, trio);
  for (std::size_t i = 1; i < trio.size(); ++i) {
    if (OneFile(trio[0], trio[i])) {
      (void)RemoveIfOurs(fs, trio[i].path, trio[0].info, false, nullptr, &trio[0].path);
    } else if (Twins(fs, trio[0], trio[i]) && ConversionBeside(fs, trio, *original, legacy)) {
      (void)RemoveIfOurs(fs, trio[i].path, trio[i].info, true, nullptr, &trio[0].path);
    }
  }
}

}  // namespace kestrane
