#include "ToolTestSupport.h"
#include "cli/OutputFolder.h"
#include "cli/UserError.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace angiolith::tool {
namespace {

namespace fs = std::filesystem;

std::size_t entries(const std::string& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
    return n;
}

TEST(OutputFolder, OutputsAppearOnlyOnCommit) {
    test::TempDir dir;
    const std::string out = dir / "new/deeper";
    test::writeFile(dir / "old", "");
    {
        OutputFolder folder(out);
        test::writeFile(folder.stagingPath("tree.txt"), "new tree");
        EXPECT_FALSE(fs::exists(folder.finalPath("tree.txt")));
        folder.commit();
        EXPECT_EQ(test::readFile(out + "/tree.txt"), "new tree");
    }
    EXPECT_EQ(entries(out), 1u);  // the staging folder is gone
    {
        // A command that fails before commit leaves the older outputs untouched.
        OutputFolder folder(out);
        test::writeFile(folder.stagingPath("tree.txt"), "half");
    }
    EXPECT_EQ(test::readFile(out + "/tree.txt"), "new tree");
    EXPECT_EQ(entries(out), 1u);
}

TEST(OutputFolder, UnwritableFoldersAreRejected) {
    test::TempDir dir;
    test::writeFile(dir / "file", "");
    try {
        OutputFolder folder(dir / "file");
        ADD_FAILURE() << "a file was accepted as output folder";
    } catch (const UserError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "cannot write to the output folder '" + (dir / "file") +
                      "': a file of that name exists; choose a folder you can write to with "
                      "--out");
    }
    if (geteuid() != 0) {
        fs::create_directory(dir / "locked");
        fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_THROW(OutputFolder(dir / "locked"), UserError);
        EXPECT_THROW(OutputFolder(dir / "locked/sub"), UserError);
    }
}

}  // namespace
}  // namespace angiolith::tool
