#pragma once
// cartera-cli: the portfolio core from the command line.
#include <ostream>

#include "host/context.h"

// What the terminals behind the output streams can take; the real main asks isatty, tests
// pass what they check.
struct CliTerminal {
    bool color = false;     // debits may print as red text on out
    bool progress = false;  // long commands may show progress on err, one line with '\r'
};

// Runs one command line (argv[0] is the program) in context: its files, clock, home folder
// (unless --home names another) and language (unless --lang names another). Results go to
// out; a failure is one line "cartera-cli: ..." on err. Returns the exit status: 0 success,
// 7 the change was saved but the output could not be written, else the kind of the error that
// stopped the command (see ExitStatus; the portfolio is then unchanged).
int RunCli(const cartera::Context& context, int argc, char** argv, std::ostream& out,
           std::ostream& err, CliTerminal terminal = {});
