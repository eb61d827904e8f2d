#ifndef ANGIOLITH_TOOLS_CLI_OUTPUTFOLDER_H
#define ANGIOLITH_TOOLS_CLI_OUTPUTFOLDER_H

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace angiolith::tool {

/// The folder a command writes into, written all at once: every output first goes to a hidden
/// staging folder inside it (so that the final rename stays on one file system), and commit()
/// moves all of them to their final names. A command that fails before or during commit()
/// leaves the folder as it was: the staging folder is removed by the destructor, at exit()
/// when a library error ends the process early, and on SIGINT, SIGTERM and SIGHUP (see
/// installInterruptCleanup); a folder the command created is removed again when still empty.
class OutputFolder {
public:
    /// How commit() moves a file: std::filesystem::rename by default; a test passes one that
    /// fails part-way in order to check the rollback.
    using MoveFunction = void (*)(const std::filesystem::path& from,
                                  const std::filesystem::path& to, std::error_code& error);

    /// Creates @p folder if needed and the staging folder inside it. Throws UserError with a
    /// one-line message when the folder cannot be created or written.
    explicit OutputFolder(const std::string& folder, MoveFunction move = nullptr);
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    /// The staging path to write the output @p name to.
    std::string stagingPath(const std::string& name) const;
    /// The folder as given.
    const std::string& path() const { return folder; }
    /// The names of the files staged so far.
    std::vector<std::string> stagedNames() const;
    /// The names of the entries of the folder itself.
    std::vector<std::string> existingNames() const;

    /// Moves every staged file to its final name and takes the files named in @p superseded
    /// (earlier outputs that this run's files replace under another name) out of the folder.
    /// Every destination is checked before the first move; when a move fails, the files moved
    /// so far are taken back and the replaced ones restored. Throws std::runtime_error naming
    /// every file that could not be placed.
    void commit(const std::vector<std::string>& superseded = {});

private:
    void discard();

    std::string folder;
    std::string staging;
    std::string created;  ///< the top folder this object created, removed again if left empty
    MoveFunction moveFile;
};

/// Makes SIGINT, SIGTERM and SIGHUP remove the staging folders of the process (waiting for a
/// commit under way to finish or roll back) and then end the process by the same signal, so
/// that its exit status is the conventional one (128 + the signal's number in a shell).
/// Call once from main() before any other thread starts.
void installInterruptCleanup();

}  // namespace angiolith::tool

#endif
