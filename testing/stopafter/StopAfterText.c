// A program stopped right after it said something, for a test that must act at that moment and not a
// moment later: preloaded into the program (LD_PRELOAD), it stops the whole program (SIGSTOP) once the
// first write(2) holding the text OSTREL_TEST_STOP_AFTER_TEXT has returned. The program's log file takes
// each line in one write, so the line is whole by then. The test waits until every thread has stopped,
// does what it must and lets the program go on (SIGCONT); whatever the program would have done next
// waits for it, however slow the machine.
#define _GNU_SOURCE
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

static const char* awaitedText;
static size_t awaitedLength;
static int stoppedOnce;

__attribute__((constructor)) static void readAwaitedText(void) {
  const char* text = getenv("OSTREL_TEST_STOP_AFTER_TEXT");
  if (text && *text) {
    awaitedText = text;
    awaitedLength = strlen(text);
  }
}

ssize_t write(int fd, const void* bytes, size_t count) {
  const ssize_t written = syscall(SYS_write, fd, bytes, count);
  if (written > 0 && awaitedText && memmem(bytes, (size_t)written, awaitedText, awaitedLength) &&
      !__atomic_exchange_n(&stoppedOnce, 1, __ATOMIC_SEQ_CST)) {
    raise(SIGSTOP);
  }
  return written;
}
