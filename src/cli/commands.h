#pragma once
// The list of kprtool verbs and the program's entry point.
#include "cli/command.h"

#include <memory>
#include <vector>

namespace kpr::cli {

// Every verb, in the order `kprtool --help` lists them.
const std::vector<std::unique_ptr<Command>>& commands();

// The verb of that name, or nullptr.
Command* find_command(const QString& name);

// Runs kprtool with the program's arguments (arguments[0] = the program); returns the exit
// status.
int run_kprtool(const QStringList& arguments);

} // namespace kpr::cli
