#include "cli/Command.h"

#include "cli/UserError.h"

#include <angiolith/diagnostics/Diagnostics.h>

#include <exception>
#include <iostream>
#include <new>

namespace angiolith::tool {

const std::vector<Command>& allCommands() {
    static const std::vector<Command> commands = {
        runCommand(),   phantomCommand(),     skeletonizeCommand(), extractCommand(),
        cleanCommand(), territoriesCommand(), relabelCommand(),     planCommand()};
    return commands;
}

int dispatch(const Command& command, const std::vector<std::string>& args) {
    try {
        const Arguments arguments = Arguments::parse(command.definition, args);
        if (arguments.helpRequested()) {
            std::cout << helpText(command.definition);
            return 0;
        }
        return command.run(arguments);
    } catch (const UserError& error) {
        std::cerr << "angiolith: error: " << error.what() << std::endl;
        return kUserErrorStatus;
    } catch (const std::bad_alloc&) {
        std::cerr << "angiolith: error: out of memory; crop the volumes or use a machine with "
                     "more memory"
                  << std::endl;
        return kFailureStatus;
    } catch (const FatalInputException& error) {
        // Input the library refuses is input at fault, like input the tool's checks reject.
        std::cerr << "angiolith: error: the library refused the input: " << error.what()
                  << std::endl;
        return kUserErrorStatus;
    } catch (const std::exception& error) {
        std::cerr << "angiolith: error: " << error.what() << std::endl;
        return kFailureStatus;
    }
}

}  // namespace angiolith::tool
