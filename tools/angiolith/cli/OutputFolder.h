#ifndef ANGIOLITH_TOOLS_CLI_OUTPUTFOLDER_H
#define ANGIOLITH_TOOLS_CLI_OUTPUTFOLDER_H

#include <string>

namespace angiolith::tool {

/// The folder a command writes into, written all at once: every output first goes to a hidden
/// staging folder inside it (so that the final rename stays on one file system), and commit()
/// moves all of them to their final names. A command that fails before commit() leaves the
/// folder as it was; the staging folder is removed by the destructor, and at exit() when a
/// library error ends the process early.
class OutputFolder {
public:
    /// Creates @p folder if needed and the staging folder inside it. Throws UserError with a
    /// one-line message when the folder cannot be created or written.
    explicit OutputFolder(const std::string& folder);
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    /// The staging path to write the output @p name to.
    std::string stagingPath(const std::string& name) const;
    /// The folder as given.
    const std::string& path() const { return folder; }
    /// The final path of the output @p name.
    std::string finalPath(const std::string& name) const;
    /// Moves every staged file to its final name (replacing older files of that name) and
    /// removes the staging folder. Throws std::runtime_error when a rename fails.
    void commit();

private:
    std::string folder;
    std::string staging;
};

}  // namespace angiolith::tool

#endif
