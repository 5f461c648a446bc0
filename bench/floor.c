// The least a converter with Kestrane's guarantees can do, without parsing anything: walks a
// tree without following links and, for each *.txt, writes a work file holding a 3-byte mark and
// the input's bytes, created exclusively; per batch of 256 files one syncfs, then both
// no-replace renames (input to backup, work file to input), then one fsync per folder. bench/
// run.sh measures every figure against it: what Kestrane costs beyond this is its own.
// With -c it also makes the calls Kestrane's guarantees add to each file, and nothing else: the
// claim (a lock, then a look that the name still holds the file locked, and one at the backup's
// name), the work file's identity, and the looks at both names just before the moves. That is
// the least a converter keeping those guarantees can do, so what is left is Kestrane's own.
//   floor [-c] DIR
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

enum { kBatch = 256 };

static char* batch[kBatch];
static int checks;
static struct stat input_ids[kBatch], work_ids[kBatch];
static int claims[kBatch];  // with -c, each input stays open, and so claimed, until its moves
static int batch_size;
static char buffer[1 << 20];

static void Die(const char* what, const char* path) {
  fprintf(stderr, "floor: %s %s: %s\n", what, path, strerror(errno));
  exit(1);
}

static char* Join(const char* a, const char* b) {
  size_t n = strlen(a), m = strlen(b);
  char* s = malloc(n + m + 1);
  memcpy(s, a, n);
  memcpy(s + n, b, m + 1);
  return s;
}

// The work file, written and closed: the batch's syncfs makes closed files durable as well.
static void Prepare(const char* input) {
  int in = open(input, O_RDONLY | O_CLOEXEC);
  if (in < 0) Die("open", input);
  char* work = Join(input, "_temp");
  if (checks) {
    struct stat now;
    char* backup = Join(input, "_original");
    if (fstat(in, &input_ids[batch_size]) != 0 || flock(in, LOCK_EX | LOCK_NB) != 0 ||
        lstat(input, &now) != 0 || lstat(backup, &now) == 0) {
      Die("claim", input);
    }
    free(backup);
  }
  int out = open(work, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (out < 0) Die("create", work);
  if (checks && fstat(out, &work_ids[batch_size]) != 0) Die("fstat", work);
  memcpy(buffer, "\xef\xbb\xbf", 3);
  size_t have = 3;
  for (;;) {
    ssize_t got = read(in, buffer + have, sizeof buffer - have);
    if (got < 0) Die("read", input);
    if (got == 0 && have == 0) break;
    if (got == 0 || have + (size_t)got == sizeof buffer) {
      if (write(out, buffer, have + (size_t)got) != (ssize_t)(have + (size_t)got))
        Die("write", work);
      have = 0;
      if (got == 0) break;
    } else {
      have += (size_t)got;
    }
  }
  if (checks) {
    claims[batch_size] = in;
  } else {
    close(in);
  }
  close(out);
  free(work);
}

static void Finish(void) {
  if (batch_size == 0) return;
  int any = open(batch[0], O_RDONLY | O_CLOEXEC);
  if (any < 0 || syncfs(any) != 0) Die("syncfs", batch[0]);
  close(any);
  for (int i = 0; i < batch_size; ++i) {
    char* backup = Join(batch[i], "_original");
    char* work = Join(batch[i], "_temp");
    struct stat now;
    if (checks && (lstat(batch[i], &now) != 0 || now.st_ino != input_ids[i].st_ino ||
                   lstat(work, &now) != 0 || now.st_ino != work_ids[i].st_ino)) {
      Die("check", batch[i]);
    }
    if (renameat2(AT_FDCWD, batch[i], AT_FDCWD, backup, RENAME_NOREPLACE) != 0)
      Die("rename", batch[i]);
    if (renameat2(AT_FDCWD, work, AT_FDCWD, batch[i], RENAME_NOREPLACE) != 0) Die("rename", work);
    if (checks) close(claims[i]);
    free(backup);
    free(work);
  }
  // Then each folder once. Files come folder by folder, so a folder's files are neighbours.
  char* last_folder = NULL;
  for (int i = 0; i < batch_size; ++i) {
    *strrchr(batch[i], '/') = '\0';
    if (last_folder == NULL || strcmp(last_folder, batch[i]) != 0) {
      int dir = open(batch[i], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (dir < 0 || fsync(dir) != 0) Die("fsync", batch[i]);
      close(dir);
    }
    free(last_folder);
    last_folder = batch[i];
  }
  free(last_folder);
  batch_size = 0;
}

static int Visit(const char* path, const struct stat* st, int type, struct FTW* ftw) {
  (void)st;
  size_t n = strlen(path);
  if (type != FTW_F || n < 4 || strcmp(path + n - 4, ".txt") != 0 || ftw->level == 0) return 0;
  Prepare(path);
  batch[batch_size++] = strdup(path);
  if (batch_size == kBatch) Finish();
  return 0;
}

int main(int argc, char** argv) {
  checks = argc == 3 && strcmp(argv[1], "-c") == 0;
  if (argc != 2 + checks) {
    fprintf(stderr, "usage: floor [-c] DIR\n");
    return 2;
  }
  if (nftw(argv[argc - 1], Visit, 64, FTW_PHYS) != 0) Die("walk", argv[argc - 1]);
  Finish();
  return 0;
}
