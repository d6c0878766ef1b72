#include <iostream>

#include "app/cli/cli.h"

int main(int argc, char** argv) { return RunCli(argc, argv, std::cout, std::cerr); }
