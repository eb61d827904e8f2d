#ifndef ANGIOLITH_TOOLS_CLI_PROGRESS_H
#define ANGIOLITH_TOOLS_CLI_PROGRESS_H

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

namespace angiolith::tool {

/// The progress lines of a command: one when a stage starts, one with its duration and result
/// when it ends, and one per warning, on the standard output stream; nothing with --quiet.
/// The warnings are also kept, so that the run's records (territories.json, the report) hold
/// every warning the terminal showed, in the same words.
class Progress {
public:
    Progress(std::ostream& out, bool quiet) : out(out), quiet(quiet) {}

    /// "skeletonize: started (123456 vessel voxels)"
    void start(const std::string& stage, const std::string& input);
    /// "skeletonize: done in 1.23 s (2345 skeleton voxels)", timed from the last start().
    void done(const std::string& stage, const std::string& result);
    /// "extract: warning: left out 2 parts of 9 voxels below --min-part 10"; kept as
    /// "extract: left out 2 parts of 9 voxels below --min-part 10", even with --quiet.
    void warn(const std::string& stage, const std::string& text);
    /// Every warning so far, in order, each "stage: text".
    const std::vector<std::string>& warnings() const { return kept; }

private:
    std::ostream& out;
    bool quiet;
    std::chrono::steady_clock::time_point started;
    std::vector<std::string> kept;
};

}  // namespace angiolith::tool

#endif
