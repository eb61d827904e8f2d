#include "angiolith/Command.h"

namespace angiolith::tool {

const std::vector<Command>& allCommands() {
    static const std::vector<Command> commands = {};
    return commands;
}

}  // namespace angiolith::tool
