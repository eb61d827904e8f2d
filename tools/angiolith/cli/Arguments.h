#ifndef ANGIOLITH_TOOLS_CLI_ARGUMENTS_H
#define ANGIOLITH_TOOLS_CLI_ARGUMENTS_H

#include <array>
#include <map>
#include <string>
#include <vector>

namespace angiolith::tool {

/// One `--name` option of a command: a flag, or an option that takes one value.
struct OptionDefinition {
    std::string name;       ///< without the leading dashes
    std::string valueName;  ///< empty for a flag
    std::string help;
};

/// What a command accepts, and the text of its --help.
struct CommandDefinition {
    std::string name;
    std::string summary;                   ///< one line for the command list
    std::vector<std::string> positionals;  ///< names of the required positional arguments
    std::vector<OptionDefinition> options;
    std::vector<std::string> required;  ///< options that must be given
    std::string description;            ///< paragraphs printed by --help
    std::string example;                ///< printed by --help
};

/// The parsed command line of one command. Options may be written `--name value` or
/// `--name=value`; `--help` anywhere asks for the help text.
class Arguments {
public:
    /// Parses @p args (the words after the command name) against @p definition. Throws UserError
    /// for an unknown option, a missing value, a missing or surplus positional argument or a
    /// missing required option (not when --help is given).
    static Arguments parse(const CommandDefinition& definition,
                           const std::vector<std::string>& args);

    bool helpRequested() const { return help; }
    bool has(const std::string& name) const { return values.count(name) != 0; }
    /// The option's value; @p fallback when it was not given.
    std::string value(const std::string& name, const std::string& fallback = "") const;
    const std::vector<std::string>& positional() const { return positionals; }
    /// Every option given, by name; a flag has the value "".
    const std::map<std::string, std::string>& given() const { return values; }

    /// The option's value as a non-negative integer (UserError otherwise).
    unsigned long unsignedValue(const std::string& name, unsigned long fallback) const;
    /// The option's value as a finite number (UserError otherwise).
    double numberValue(const std::string& name, double fallback) const;
    /// The option's value as three integers "x,y,z" (UserError otherwise).
    std::array<long, 3> integerTriple(const std::string& name) const;
    /// The option's value as three finite numbers "x,y,z" (UserError otherwise).
    std::array<double, 3> numberTriple(const std::string& name) const;
    /// The option's value, which must be one of @p choices (UserError otherwise).
    std::string choice(const std::string& name, const std::vector<std::string>& choices,
                       const std::string& fallback) const;

private:
    std::string command;
    bool help = false;
    std::map<std::string, std::string> values;
    std::vector<std::string> positionals;
};

/// The --help text of a command.
std::string helpText(const CommandDefinition& definition);

}  // namespace angiolith::tool

#endif
