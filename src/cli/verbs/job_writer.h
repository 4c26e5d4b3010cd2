#pragma once
// kprtool write --job NAME: one board writing a job's rows, pager after pager, each row
// taken from the ledger as the pager goes in.
#include "cli/command.h"

namespace kpr::cli {

// count 0: until no row is left to take.
int write_job(CommandContext& ctx, const QCommandLineParser& parser, const std::string& name,
              int count);

} // namespace kpr::cli
