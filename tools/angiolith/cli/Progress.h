#ifndef ANGIOLITH_TOOLS_CLI_PROGRESS_H
#define ANGIOLITH_TOOLS_CLI_PROGRESS_H

#include <chrono>
#include <ostream>
#include <string>

namespace angiolith::tool {

/// The progress lines of a command: one when a stage starts, one with its duration and result
/// when it ends, on the standard output stream; nothing with --quiet.
class Progress {
public:
    Progress(std::ostream& out, bool quiet) : out(out), quiet(quiet) {}

    /// "skeletonize: started (123456 vessel voxels)"
    void start(const std::string& stage, const std::string& input);
    /// "skeletonize: done in 1.23 s (2345 skeleton voxels)", timed from the last start().
    void done(const std::string& stage, const std::string& result);

private:
    std::ostream& out;
    bool quiet;
    std::chrono::steady_clock::time_point started;
};

}  // namespace angiolith::tool

#endif
