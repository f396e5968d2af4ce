#include "platform/shell/Shell.h"

// Everything `ostrel` does (options, launching the app, the headless runner and the desktop window)
// lives in the shell, where tests can reach it.
int main(int argc, char** argv) { platform::shell::exitProgram(platform::shell::runShell(argc, argv)); }
