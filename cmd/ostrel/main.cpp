#include "platform/dispatch/QuitRequest.h"
#include "platform/shell/Shell.h"

namespace {

// SIGTERM and SIGINT are taken before any other work of the program: the libraries' and our own
// start-up (static initialisers, a sanitizer's set-up) takes milliseconds, a tenth of a second under a
// sanitizer, and a signal left to its default action then ended the program where it stood rather than
// in order. The loader runs this before every initialiser of the program's own.
void takeSignalsFirst(int, char**, char**) { platform::dispatch::QuitRequest::catchSignals(); }
[[gnu::section(".preinit_array"), gnu::used]] void (*takeSignalsEntry)(int, char**, char**) = takeSignalsFirst;

}  // namespace

// Everything `ostrel` does (options, launching the app, the headless runner and the desktop window)
// lives in the shell, where tests can reach it.
int main(int argc, char** argv) { platform::shell::exitProgram(platform::shell::runShell(argc, argv)); }
