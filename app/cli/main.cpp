#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "app/cli/cli.h"

int main(int argc, char** argv) {
    CliTerminal terminal;
    // NO_COLOR (no-color.org) turns colours off whatever its value.
    terminal.color = ::isatty(STDOUT_FILENO) == 1 && std::getenv("NO_COLOR") == nullptr;
    terminal.progress = ::isatty(STDERR_FILENO) == 1;
    return RunCli(argc, argv, std::cout, std::cerr, terminal);
}
