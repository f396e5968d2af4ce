// A system clock set wrong, for a test that starts a program under one: preloaded into the program
// (LD_PRELOAD), it moves the wall time the program reads by OSTREL_TEST_WALL_CLOCK_SHIFT seconds. The
// steady clocks, which a wrong setting leaves alone, are left alone here too.
#define _GNU_SOURCE
#include <stdlib.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

static time_t shiftSeconds;

__attribute__((constructor)) static void readShift(void) {
  const char* text = getenv("OSTREL_TEST_WALL_CLOCK_SHIFT");
  shiftSeconds = text ? (time_t)strtoll(text, NULL, 10) : 0;
}

int clock_gettime(clockid_t clock, struct timespec* now) {
  const long result = syscall(SYS_clock_gettime, clock, now);
  if (result == 0 && (clock == CLOCK_REALTIME || clock == CLOCK_REALTIME_COARSE)) now->tv_sec += shiftSeconds;
  return (int)result;
}

int gettimeofday(struct timeval* restrict now, void* restrict zone) {
  struct timespec wall;
  if (clock_gettime(CLOCK_REALTIME, &wall) != 0) return -1;
  now->tv_sec = wall.tv_sec;
  now->tv_usec = wall.tv_nsec / 1000;
  if (zone) *(struct timezone*)zone = (struct timezone){0, 0};
  return 0;
}

time_t time(time_t* now) {
  struct timespec wall;
  if (clock_gettime(CLOCK_REALTIME, &wall) != 0) return (time_t)-1;
  if (now) *now = wall.tv_sec;
  return wall.tv_sec;
}
