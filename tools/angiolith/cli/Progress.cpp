#include "cli/Progress.h"

#include <iomanip>
#include <sstream>

namespace angiolith::tool {

void Progress::start(const std::string& stage, const std::string& input) {
    started = std::chrono::steady_clock::now();
    if (quiet) return;
    out << stage << ": started" << (input.empty() ? "" : " (" + input + ")") << std::endl;
}

void Progress::done(const std::string& stage, const std::string& result) {
    if (quiet) return;
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
    std::ostringstream line;
    line << stage << ": done in " << std::fixed << std::setprecision(2) << seconds.count() << " s"
         << (result.empty() ? "" : " (" + result + ")");
    out << line.str() << std::endl;
}

void Progress::warn(const std::string& stage, const std::string& text) {
    kept.push_back(stage + ": " + text);
    if (quiet) return;
    out << stage << ": warning: " << text << std::endl;
}

}  // namespace angiolith::tool
