#include "platform/shell/Shell.h"

// Everything `ostrel` does (options, launching the app, the headless runner and the desktop window)
// lives in the shell, where tests can reach it.
int main(int argc, char** argv) { return platform::shell::runShell(argc, argv); }
