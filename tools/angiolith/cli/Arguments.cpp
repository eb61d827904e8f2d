#include "cli/Arguments.h"

#include "cli/UserError.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace angiolith::tool {

namespace {

const OptionDefinition* findOption(const CommandDefinition& definition, const std::string& name) {
    for (const OptionDefinition& option : definition.options) {
        if (option.name == name) return &option;
    }
    return nullptr;
}

std::string seeHelp(const std::string& command) { return "see 'angiolith " + command + " --help'"; }

std::vector<std::string> splitTriple(const std::string& text, const std::string& option,
                                     const std::string& command, const char* what) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    while (true) {
        const auto comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (parts.size() != 3) {
        throw UserError("--" + option + " needs three " + what + " separated by commas, like " +
                        (std::string(what) == "integers" ? "10,20,30" : "0.7,0.7,1.5") + " (got '" +
                        text + "'); " + seeHelp(command));
    }
    return parts;
}

// @p text broken into lines of at most 100 characters, continuation lines indented by @p indent.
std::string wrapped(const std::string& text, std::size_t indent) {
    std::istringstream words(text);
    std::string result, word;
    std::size_t column = indent;
    while (words >> word) {
        if (column > indent && column + 1 + word.size() > 100) {
            result += "\n" + std::string(indent, ' ');
            column = indent;
        } else if (column > indent) {
            result += ' ';
            ++column;
        }
        result += word;
        column += word.size();
    }
    return result;
}

}  // namespace

Arguments Arguments::parse(const CommandDefinition& definition,
                           const std::vector<std::string>& args) {
    Arguments result;
    result.command = definition.name;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--help" || word == "-h") {
            result.help = true;
            continue;
        }
        if (word.size() > 2 && word.compare(0, 2, "--") == 0) {
            std::string name = word.substr(2);
            std::string value;
            bool inlineValue = false;
            const auto equals = name.find('=');
            if (equals != std::string::npos) {
                value = name.substr(equals + 1);
                name = name.substr(0, equals);
                inlineValue = true;
            }
            const OptionDefinition* option = findOption(definition, name);
            if (option == nullptr) {
                throw UserError("unknown option --" + name + " for '" + definition.name + "'; " +
                                seeHelp(definition.name));
            }
            if (option->valueName.empty()) {
                if (inlineValue) {
                    throw UserError("--" + name + " takes no value; " + seeHelp(definition.name));
                }
            } else if (!inlineValue) {
                if (i + 1 >= args.size()) {
                    throw UserError("--" + name + " needs a value (" + option->valueName + "); " +
                                    seeHelp(definition.name));
                }
                value = args[++i];
            }
            result.values[name] = value;
            continue;
        }
        if (word.size() > 1 && word[0] == '-' &&
            !std::isdigit(static_cast<unsigned char>(word[1]))) {
            throw UserError("unknown option " + word + " for '" + definition.name + "'; " +
                            seeHelp(definition.name));
        }
        result.positionals.push_back(word);
    }
    if (result.help) return result;
    if (result.positionals.size() < definition.positionals.size()) {
        throw UserError("'" + definition.name + "' needs " +
                        definition.positionals[result.positionals.size()] + "; " +
                        seeHelp(definition.name));
    }
    if (result.positionals.size() > definition.positionals.size()) {
        throw UserError("unexpected argument '" +
                        result.positionals[definition.positionals.size()] + "' for '" +
                        definition.name + "'; " + seeHelp(definition.name));
    }
    for (const std::string& name : definition.required) {
        if (!result.has(name)) {
            const OptionDefinition* option = findOption(definition, name);
            throw UserError("'" + definition.name + "' needs --" + name + " " +
                            (option != nullptr ? option->valueName : std::string()) + "; " +
                            seeHelp(definition.name));
        }
    }
    return result;
}

std::string Arguments::value(const std::string& name, const std::string& fallback) const {
    const auto found = values.find(name);
    return found == values.end() ? fallback : found->second;
}

unsigned long Arguments::unsignedValue(const std::string& name, unsigned long fallback) const {
    if (!has(name)) return fallback;
    const std::string text = value(name);
    char* end = nullptr;
    errno = 0;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || text[0] == '-' || text[0] == '+' || *end != '\0' || errno != 0 ||
        parsed > 4294967295ULL) {
        throw UserError("--" + name + " needs a non-negative whole number (got '" + text + "'); " +
                        seeHelp(command));
    }
    return static_cast<unsigned long>(parsed);
}

double Arguments::numberValue(const std::string& name, double fallback) const {
    if (!has(name)) return fallback;
    const std::string text = value(name);
    char* end = nullptr;
    const double parsed = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(parsed)) {
        throw UserError("--" + name + " needs a number (got '" + text + "'); " + seeHelp(command));
    }
    return parsed;
}

std::array<long, 3> Arguments::integerTriple(const std::string& name) const {
    const std::string text = value(name);
    const std::vector<std::string> parts = splitTriple(text, name, command, "integers");
    std::array<long, 3> result{};
    for (int i = 0; i < 3; ++i) {
        char* end = nullptr;
        errno = 0;
        result[i] = std::strtol(parts[i].c_str(), &end, 10);
        if (parts[i].empty() || *end != '\0' || errno != 0) {
            throw UserError("--" + name + " needs three integers separated by commas, like " +
                            "10,20,30 (got '" + text + "'); " + seeHelp(command));
        }
    }
    return result;
}

std::array<double, 3> Arguments::numberTriple(const std::string& name) const {
    const std::string text = value(name);
    const std::vector<std::string> parts = splitTriple(text, name, command, "numbers");
    std::array<double, 3> result{};
    for (int i = 0; i < 3; ++i) {
        char* end = nullptr;
        result[i] = std::strtod(parts[i].c_str(), &end);
        if (parts[i].empty() || *end != '\0' || !std::isfinite(result[i])) {
            throw UserError("--" + name + " needs three numbers separated by commas, like " +
                            "0.7,0.7,1.5 (got '" + text + "'); " + seeHelp(command));
        }
    }
    return result;
}

std::string Arguments::choice(const std::string& name, const std::vector<std::string>& choices,
                              const std::string& fallback) const {
    if (!has(name)) return fallback;
    const std::string text = value(name);
    std::string list;
    for (const std::string& c : choices) {
        if (c == text) return text;
        list += (list.empty() ? "" : "|") + c;
    }
    throw UserError("--" + name + " must be one of " + list + " (got '" + text + "'); " +
                    seeHelp(command));
}

std::string helpText(const CommandDefinition& definition) {
    std::ostringstream out;
    out << "Usage: angiolith " << definition.name;
    for (const std::string& p : definition.positionals) out << ' ' << p;
    for (const OptionDefinition& option : definition.options) {
        bool required = false;
        for (const std::string& r : definition.required) required = required || r == option.name;
        out << ' ' << (required ? "" : "[") << "--" << option.name;
        if (!option.valueName.empty()) out << ' ' << option.valueName;
        out << (required ? "" : "]");
    }
    out << "\n\n" << definition.summary << "\n";
    if (!definition.description.empty()) out << "\n" << definition.description << "\n";
    out << "\nOptions:\n";
    for (const OptionDefinition& option : definition.options) {
        std::string head = "  --" + option.name;
        if (!option.valueName.empty()) head += " " + option.valueName;
        if (head.size() < 26) {
            head.resize(26, ' ');
        } else {
            head += "\n" + std::string(26, ' ');
        }
        out << head << wrapped(option.help, 26) << "\n";
    }
    out << "  --help                  this text\n";
    if (!definition.example.empty()) out << "\nExample:\n" << definition.example << "\n";
    return out.str();
}

}  // namespace angiolith::tool
