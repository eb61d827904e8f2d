#include "angiolith/Command.h"

namespace angiolith::tool {

const std::vector<Command>& allCommands() {
    static const std::vector<Command> commands = {
        runCommand(),   phantomCommand(),     skeletonizeCommand(), extractCommand(),
        cleanCommand(), territoriesCommand(), relabelCommand()};
    return commands;
}

}  // namespace angiolith::tool
