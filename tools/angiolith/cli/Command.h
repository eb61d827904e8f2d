#ifndef ANGIOLITH_TOOLS_CLI_COMMAND_H
#define ANGIOLITH_TOOLS_CLI_COMMAND_H

#include "cli/Arguments.h"

#include <functional>
#include <vector>

namespace angiolith::tool {

/// One sub-command of the program: what it accepts and what it does. `run` returns the exit
/// status and throws UserError for a mistake in the command line or the input files.
struct Command {
    CommandDefinition definition;
    std::function<int(const Arguments&)> run;
};

/// The sub-commands, one per source file.
Command runCommand();
Command phantomCommand();
Command skeletonizeCommand();
Command extractCommand();
Command cleanCommand();
Command territoriesCommand();
Command relabelCommand();
Command planCommand();

/// Every sub-command, in the order the program's help lists them.
const std::vector<Command>& allCommands();

/// Parses @p args for @p command, prints its help when asked, and runs it. Returns the exit
/// status; every exception becomes a one-line message on the standard error stream.
int dispatch(const Command& command, const std::vector<std::string>& args);

}  // namespace angiolith::tool

#endif
