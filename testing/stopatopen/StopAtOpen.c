// A program stopped right as it makes a file of a kind for the Nth time, for a test that kills it at
// every step of a protocol that spans files (each SQLite write begins by making its journal): preloaded
// into the program (LD_PRELOAD), it counts the files made (opened with O_CREAT) whose path holds one of
// the texts in OSTREL_TEST_STOP_AT_OPEN_OF ("-journal|-mj"), counting only once a file whose path holds
// OSTREL_TEST_COUNT_OPENS_AFTER has been renamed into place (a screen dump the script makes just before
// the step), and stops the whole program (SIGSTOP) once the open that makes number
// OSTREL_TEST_STOP_AT_OPEN_COUNT has returned; with a count of 0, right after the marker's rename. The test waits until every thread has
// stopped and kills it, or lets it go on (SIGCONT); a program that makes fewer such files runs to its
// end, which tells the test there is no step left to stop at.
#define _GNU_SOURCE
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

static const char* marker;
static const char* kinds;
static long stopAt = -1;
static int counting;
static long counted;
static int stopped;

__attribute__((constructor)) static void readSettings(void) {
  marker = getenv("OSTREL_TEST_COUNT_OPENS_AFTER");
  kinds = getenv("OSTREL_TEST_STOP_AT_OPEN_OF");
  const char* count = getenv("OSTREL_TEST_STOP_AT_OPEN_COUNT");
  if (marker && *marker && kinds && *kinds && count && *count) stopAt = strtol(count, NULL, 10);
}

// Whether `path` holds one of the '|'-separated texts of `kinds`.
static int isOfKind(const char* path) {
  for (const char* kind = kinds; *kind;) {
    const char* end = strchr(kind, '|');
    const size_t length = end ? (size_t)(end - kind) : strlen(kind);
    if (length > 0 && memmem(path, strlen(path), kind, length)) return 1;
    if (!end) break;
    kind = end + 1;
  }
  return 0;
}

static void stop(void) {
  if (!__atomic_exchange_n(&stopped, 1, __ATOMIC_SEQ_CST)) raise(SIGSTOP);
}

static void opened(const char* path, int flags, int result) {
  if (stopAt < 0 || result < 0 || !path || !(flags & O_CREAT) || !__atomic_load_n(&counting, __ATOMIC_SEQ_CST)) return;
  if (isOfKind(path) && __atomic_add_fetch(&counted, 1, __ATOMIC_SEQ_CST) == stopAt) stop();
}

int rename(const char* from, const char* to) {
  const int result = (int)syscall(SYS_renameat, AT_FDCWD, from, AT_FDCWD, to);
  if (stopAt >= 0 && result == 0 && to && strstr(to, marker) && !__atomic_exchange_n(&counting, 1, __ATOMIC_SEQ_CST) &&
      stopAt == 0) {
    stop();
  }
  return result;
}

static int openAt(int folder, const char* path, int flags, va_list more) {
  // A mode comes only with O_CREAT or the whole of O_TMPFILE, which holds O_DIRECTORY's bit: a folder
  // opened with O_DIRECTORY passes none, and none may be read.
  const int needsMode = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE;
  const mode_t mode = needsMode ? (mode_t)va_arg(more, int) : 0;
  const int result = (int)syscall(SYS_openat, folder, path, flags, mode);
  opened(path, flags, result);
  return result;
}

int open(const char* path, int flags, ...) {
  va_list more;
  va_start(more, flags);
  const int result = openAt(AT_FDCWD, path, flags, more);
  va_end(more);
  return result;
}

// The same entry points under their large-file names.
int open64(const char* path, int flags, ...) __attribute__((alias("open")));

int openat(int folder, const char* path, int flags, ...) {
  va_list more;
  va_start(more, flags);
  const int result = openAt(folder, path, flags, more);
  va_end(more);
  return result;
}

int openat64(int folder, const char* path, int flags, ...) __attribute__((alias("openat")));
