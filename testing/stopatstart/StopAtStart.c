// A program stopped as it starts, for a test that must act before the program has done any start-up
// work of its own: preloaded into the program (LD_PRELOAD), it stops the whole program (SIGSTOP) while
// the loader runs the initialisers, after the program's pre-initialisers and before its static
// initialisers and main. The test waits until it has stopped, sends what it must and lets it go on
// (SIGCONT).
#include <signal.h>

__attribute__((constructor)) static void stopAtStart(void) { raise(SIGSTOP); }
