// Makes every sync cost what it costs on a desktop hard disk: LD_PRELOAD it, and fsync,
// fdatasync, syncfs, sync and sync_file_range sleep SLOW_SYNC_MS milliseconds (default 8) before
// doing their work. For bench/run.sh only.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static void Wait(void) {
  const char* ms = getenv("SLOW_SYNC_MS");
  long wait = ms != NULL ? atol(ms) : 8;
  struct timespec t = {wait / 1000, (wait % 1000) * 1000000L};
  while (nanosleep(&t, &t) != 0) {
  }
}

#define NEXT(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

int fsync(int fd) {
  Wait();
  return NEXT(fsync)(fd);
}

int fdatasync(int fd) {
  Wait();
  return NEXT(fdatasync)(fd);
}

int syncfs(int fd) {
  Wait();
  return NEXT(syncfs)(fd);
}

void sync(void) {
  Wait();
  NEXT(sync)();
}

int sync_file_range(int fd, off_t offset, off_t nbytes, unsigned int flags) {
  Wait();
  return NEXT(sync_file_range)(fd, offset, nbytes, flags);
}
