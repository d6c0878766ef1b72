#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <iostream>

#include "app/cli/cli.h"

int main(int argc, char** argv) {
    // A closed pipe is a failed write, reported with the status that says whether the
    // change was saved, not a death by signal.
    std::signal(SIGPIPE, SIG_IGN);
    CliTerminal terminal;
    // NO_COLOR (no-color.org) turns colours off whatever its value.
    terminal.color = ::isatty(STDOUT_FILENO) == 1 && std::getenv("NO_COLOR") == nullptr;
    terminal.progress = ::isatty(STDERR_FILENO) == 1;
    return RunCli(cartera::ProcessContext(), argc, argv, std::cout, std::cerr, terminal);
}
