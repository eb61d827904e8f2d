#ifndef ANGIOLITH_TOOLS_CLI_USERERROR_H
#define ANGIOLITH_TOOLS_CLI_USERERROR_H

#include <stdexcept>
#include <string>

namespace angiolith::tool {

/// Exit status of a command line or input that the tool rejects before calling the library.
inline constexpr int kUserErrorStatus = 2;
/// Exit status of a failure inside a stage (the library refused the data, a file system error).
inline constexpr int kFailureStatus = 1;

/// A mistake the person at the keyboard can fix: the text is one line that says what is wrong
/// and what to do. main() prints it and ends with kUserErrorStatus.
class UserError : public std::runtime_error {
public:
    explicit UserError(const std::string& line) : std::runtime_error(line) {}
};

}  // namespace angiolith::tool

#endif
