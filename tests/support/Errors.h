#ifndef ANGIOLITH_TESTS_SUPPORT_ERRORS_H
#define ANGIOLITH_TESTS_SUPPORT_ERRORS_H

#include <stdexcept>
#include <string>

namespace angiolith::test {

/// The text of the @p Error that @p call throws, or "no error" when it throws none.
template <typename Error = std::runtime_error, typename Call>
std::string messageOf(Call&& call) {
    try {
        call();
    } catch (const Error& error) {
        return error.what();
    }
    return "no error";
}

}  // namespace angiolith::test

#endif
