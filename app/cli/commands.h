#pragma once
// The commands of cartera-cli. Each Add... function registers its subcommands on the app and
// appends what runs when one of them was chosen; runners report failures by throwing
// Failure (options.h).
#include <functional>
#include <vector>

#include "app/cli/options.h"

namespace cartera::cli {

struct Command {
    CLI::App* sub;              // the subcommand that selects it
    std::function<void()> run;  // runs after a successful parse
};
using Commands = std::vector<Command>;

// new, buy, sell, cash, dividend, modify, delete.
void AddJournalCommands(CLI::App& app, Output io, Commands& commands);
// show.
void AddShowCommand(CLI::App& app, Output io, Commands& commands);
// export, import.
void AddCsvCommands(CLI::App& app, Output io, Commands& commands);
// commissions list|show|add-bracket|delete|default|calc.
void AddCommissionCommands(CLI::App& app, Output io, Commands& commands);
// report stats|equity|calendar|tax|by.
void AddReportCommand(CLI::App& app, Output io, Commands& commands);
// rates import|show.
void AddRatesCommands(CLI::App& app, Output io, Commands& commands);
// demo.
void AddDemoCommand(CLI::App& app, Output io, Commands& commands);

}  // namespace cartera::cli
