#include "ToolTestSupport.h"
#include "cli/OutputFolder.h"
#include "cli/UserError.h"
#include "support/Errors.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>

namespace angiolith::tool {
namespace {

namespace fs = std::filesystem;

// Every entry of @p dir, hidden ones included, with the content of the files.
std::map<std::string, std::string> contents(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(dir)) {
        files[e.path().filename().string()] =
            e.is_regular_file() ? test::readFile(e.path().string()) : "(folder)";
    }
    return files;
}

TEST(OutputFolder, OutputsAppearOnlyOnCommit) {
    test::TempDir dir;
    const std::string out = dir / "new/deeper";
    test::writeFile(dir / "old", "");
    {
        OutputFolder folder(out);
        test::writeFile(folder.stagingPath("tree.txt"), "new tree");
        EXPECT_FALSE(fs::exists(out + "/tree.txt"));
        folder.commit();
        EXPECT_EQ(test::readFile(out + "/tree.txt"), "new tree");
    }
    const std::map<std::string, std::string> committed = {{"tree.txt", "new tree"}};
    EXPECT_EQ(contents(out), committed);  // the staging folder is gone
    {
        // A command that fails before commit leaves the older outputs untouched.
        OutputFolder folder(out);
        test::writeFile(folder.stagingPath("tree.txt"), "half");
    }
    EXPECT_EQ(contents(out), committed);
}

TEST(OutputFolder, UnwritableFoldersAreRejected) {
    test::TempDir dir;
    test::writeFile(dir / "file", "");
    EXPECT_EQ(angiolith::test::messageOf<UserError>([&] { OutputFolder folder(dir / "file"); }),
              "cannot write to the output folder '" + (dir / "file") +
                  "': a file of that name exists; choose a folder you can write to with --out");
    if (geteuid() != 0) {
        fs::create_directory(dir / "locked");
        fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_THROW(OutputFolder(dir / "locked"), UserError);
        EXPECT_THROW(OutputFolder(dir / "locked/sub"), UserError);
    }
}

// A move that fails at the n-th call (counted from 1) of a commit, and only there.
int failingMove = 0;
int moves = 0;
void moveFailingOnce(const fs::path& from, const fs::path& to, std::error_code& error) {
    if (++moves == failingMove) {
        error = std::make_error_code(std::errc::io_error);
        return;
    }
    fs::rename(from, to, error);
}

TEST(OutputFolder, AMoveFailingPartWayTakesBackWhatWasMoved) {
    test::TempDir dir;
    const std::map<std::string, std::string> before = {
        {"a.txt", "old a"}, {"c.txt", "old c"}, {"superseded.txt", "old tree"}};
    for (const auto& [name, content] : before) test::writeFile(dir / name, content);
    // A commit of a, b, c and d, superseding one file, makes 7 moves: 3 files set aside, then
    // the 4 new ones. A failure at any of them leaves the folder exactly as it was.
    for (int failAt : {1, 3, 4, 6, 7}) {
        SCOPED_TRACE(failAt);
        failingMove = failAt;
        moves = 0;
        {
            OutputFolder folder(dir.path(), moveFailingOnce);
            for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) {
                test::writeFile(folder.stagingPath(name), std::string("new ") + name);
            }
            EXPECT_THROW(folder.commit({"superseded.txt"}), std::runtime_error);
        }
        EXPECT_EQ(contents(dir.path()), before);
    }
    failingMove = 0;
    moves = 0;
    OutputFolder folder(dir.path(), moveFailingOnce);
    for (const char* name : {"a.txt", "b.txt"}) test::writeFile(folder.stagingPath(name), name);
    folder.commit({"superseded.txt"});
    EXPECT_EQ(contents(dir.path()),
              (std::map<std::string, std::string>{
                  {"a.txt", "a.txt"}, {"b.txt", "b.txt"}, {"c.txt", "old c"}}));
}

}  // namespace
}  // namespace angiolith::tool
