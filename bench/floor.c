// The least a converter with Kestrane's guarantees can do, without parsing anything: walks a
// tree without following links and, for each *.txt, writes a work file holding a 3-byte mark and
// the input's bytes, created exclusively; per batch of 256 files one syncfs, then both
// no-replace renames (input to backup, work file to input), then one fsync per folder. bench/
// run.sh measures every figure against it: what Kestrane costs beyond this is its own.
// With -c it also makes the calls Kestrane's guarantees add to each file, and nothing else: the
// claim (a lock, then a look that the name still holds the file locked; the folder's listing
// speaks for the backup, and the first move never replaces one), the work file's identity, and
// the looks at both names just before the moves. That is the least a converter keeping those
// guarantees can do, so what is left is Kestrane's own.
// With -j N, N threads share each batch, each a run of neighbouring files (so mostly a folder
// of its own), as Kestrane's workers do: the least two threads can do against Kestrane's two.
//   floor [-c] [-j N] DIR
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <ftw.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

enum { kBatch = 256, kBuffer = 1 << 20 };

static char** files;  // every input, walked first: the walk is a few milliseconds of the run
static size_t file_count, file_room;
static int checks, threads = 1;
static struct stat input_ids[kBatch], work_ids[kBatch];
static int claims[kBatch];  // with -c, each input stays open, and so claimed, until its moves
static pthread_barrier_t phase;

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
static void Prepare(const char* input, int slot, char* buffer) {
  int in = open(input, O_RDONLY | O_CLOEXEC);
  if (in < 0) Die("open", input);
  char* work = Join(input, "_temp");
  if (checks) {
    struct stat now;
    if (fstat(in, &input_ids[slot]) != 0 || flock(in, LOCK_EX | LOCK_NB) != 0 ||
        lstat(input, &now) != 0) {
      Die("claim", input);
    }
  }
  int out = open(work, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (out < 0) Die("create", work);
  if (checks && fstat(out, &work_ids[slot]) != 0) Die("fstat", work);
  memcpy(buffer, "\xef\xbb\xbf", 3);
  size_t have = 3;
  for (;;) {
    ssize_t got = read(in, buffer + have, kBuffer - have);
    if (got < 0) Die("read", input);
    if (got == 0 && have == 0) break;
    if (got == 0 || have + (size_t)got == kBuffer) {
      if (write(out, buffer, have + (size_t)got) != (ssize_t)(have + (size_t)got))
        Die("write", work);
      have = 0;
      if (got == 0) break;
    } else {
      have += (size_t)got;
    }
  }
  if (checks) {
    claims[slot] = in;
  } else {
    close(in);
  }
  close(out);
  free(work);
}

static void Move(const char* input, int slot) {
  char* backup = Join(input, "_original");
  char* work = Join(input, "_temp");
  struct stat now;
  if (checks && (lstat(input, &now) != 0 || now.st_ino != input_ids[slot].st_ino ||
                 lstat(work, &now) != 0 || now.st_ino != work_ids[slot].st_ino)) {
    Die("check", input);
  }
  if (renameat2(AT_FDCWD, input, AT_FDCWD, backup, RENAME_NOREPLACE) != 0) Die("rename", input);
  if (renameat2(AT_FDCWD, work, AT_FDCWD, input, RENAME_NOREPLACE) != 0) Die("rename", work);
  if (checks) close(claims[slot]);
  free(backup);
  free(work);
}

// Each batch: every thread prepares its run of it, one syncfs, then every thread moves its run
// and syncs each of its folders once (files come folder by folder, so a folder's are neighbours).
static void* Work(void* arg) {
  const size_t self = (size_t)arg;
  char* buffer = malloc(kBuffer);
  for (size_t begin = 0; begin < file_count; begin += kBatch) {
    const size_t size = file_count - begin < kBatch ? file_count - begin : kBatch;
    const size_t from = size * self / threads, to = size * (self + 1) / threads;
    for (size_t i = from; i < to; ++i)
      Prepare(files[begin + i], (int)i, buffer);
    pthread_barrier_wait(&phase);
    if (self == 0) {
      int any = open(files[begin], O_RDONLY | O_CLOEXEC);
      if (any < 0 || syncfs(any) != 0) Die("syncfs", files[begin]);
      close(any);
    }
    pthread_barrier_wait(&phase);
    const char* last_folder = NULL;
    for (size_t i = from; i < to; ++i) {
      char* path = files[begin + i];
      Move(path, (int)i);
      *strrchr(path, '/') = '\0';
      if (last_folder == NULL || strcmp(last_folder, path) != 0) {
        int dir = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0 || fsync(dir) != 0) Die("fsync", path);
        close(dir);
      }
      last_folder = path;
    }
    pthread_barrier_wait(&phase);
  }
  free(buffer);
  return NULL;
}

static int Visit(const char* path, const struct stat* st, int type, struct FTW* ftw) {
  (void)st;
  size_t n = strlen(path);
  if (type != FTW_F || n < 4 || strcmp(path + n - 4, ".txt") != 0 || ftw->level == 0) return 0;
  if (file_count == file_room) {
    file_room = file_room ? 2 * file_room : 1024;
    files = realloc(files, file_room * sizeof *files);
  }
  files[file_count++] = strdup(path);
  return 0;
}

int main(int argc, char** argv) {
  int opt;
  while ((opt = getopt(argc, argv, "cj:")) != -1) {
    if (opt == 'c') {
      checks = 1;
    } else if (opt == 'j' && atoi(optarg) > 0) {
      threads = atoi(optarg);
    } else {
      optind = argc;
      break;
    }
  }
  if (optind != argc - 1) {
    fprintf(stderr, "usage: floor [-c] [-j N] DIR\n");
    return 2;
  }
  if (nftw(argv[optind], Visit, 64, FTW_PHYS) != 0) Die("walk", argv[optind]);
  if (threads > 64) threads = 64;
  pthread_barrier_init(&phase, NULL, (unsigned)threads);
  pthread_t helpers[64];
  for (int t = 1; t < threads; ++t)
    pthread_create(&helpers[t], NULL, Work, (void*)(size_t)t);
  Work((void*)0);
  for (int t = 1; t < threads; ++t)
    pthread_join(helpers[t], NULL);
  return 0;
}
