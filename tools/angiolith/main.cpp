#include "cli/Command.h"
#include "cli/UserError.h"

#include <angiolith/diagnostics/Diagnostics.h>

#include <iostream>
#include <string>
#include <vector>

namespace {

using angiolith::tool::allCommands;
using angiolith::tool::Command;

void printOverview(std::ostream& out) {
    out << "Usage: angiolith COMMAND [ARGUMENTS] [--help]\n\n"
           "Vessel trees and vascular territories from segmentations in NIfTI (.nii, .nii.gz)\n"
           "or NRRD (.nrrd, .nhdr) files.\n\nCommands:\n";
    for (const Command& command : allCommands()) {
        std::string name = "  " + command.definition.name;
        name.resize(16, ' ');
        out << name << command.definition.summary << "\n";
    }
    out << "\n'angiolith COMMAND --help' describes a command and its options.\n";
}

}  // namespace

int main(int argc, char** argv) {
    // Input the tool's own checks let through and the library refuses comes back as an exception,
    // which the command reports in its one-line error message, instead of ending the process.
    setFatalInputHandler(&throwFatalInputException);
    const std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty()) {
        printOverview(std::cerr);
        return angiolith::tool::kUserErrorStatus;
    }
    if (words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        printOverview(std::cout);
        return 0;
    }
    for (const Command& command : allCommands()) {
        if (command.definition.name == words[0]) {
            return angiolith::tool::dispatch(
                command, std::vector<std::string>(words.begin() + 1, words.end()));
        }
    }
    std::cerr << "angiolith: error: unknown command '" << words[0]
              << "'; see 'angiolith --help' for the list of commands" << std::endl;
    return angiolith::tool::kUserErrorStatus;
}
