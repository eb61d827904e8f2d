#ifndef ANGIOLITH_TESTS_TOOLS_TOOLTESTSUPPORT_H
#define ANGIOLITH_TESTS_TOOLS_TOOLTESTSUPPORT_H

#include "cli/Geometry.h"
#include "cli/Threads.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

namespace angiolith::tool::test {

/// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return dir; }
    std::string operator/(const std::string& name) const { return dir + "/" + name; }

private:
    std::string dir;
};

/// What a run of the program left behind.
struct ToolRun {
    int status = -1;  ///< exit status, or -1 when the program did not exit normally
    std::string out;  ///< standard output
    std::string err;  ///< standard error
};

/// Runs the built angiolith program with @p args in a subprocess, as a user would; with
/// @p terminateOnce, a shell pattern, sends it SIGTERM as soon as a path matching it exists, as
/// a batch scheduler would end a job mid-run.
ToolRun runTool(const std::vector<std::string>& args, const std::string& terminateOnce = "");

/// Runs `phantom --out FOLDER --size SIZE --quiet` with the further options @p extra.
ToolRun makePhantom(const std::string& folder, const std::string& size,
                    const std::vector<std::string>& extra = {});

/// A fixture whose tests share one temporary folder, made before the suite's SetUpTestSuite
/// fills it (a deriving suite calls this one first) and removed after the suite's last test.
/// @p Suite is the deriving fixture, so that every suite has a folder of its own.
template <typename Suite>
class SharedFolderTest : public testing::Test {
protected:
    static void SetUpTestSuite() { folder = std::make_unique<TempDir>(); }
    static void TearDownTestSuite() { folder.reset(); }
    static const TempDir& shared() { return *folder; }

private:
    static inline std::unique_ptr<TempDir> folder;
};

/// A VTK XML PolyData file as parsed by expat: the piece's declared counts and its arrays.
struct VtpContent {
    bool wellFormed = false;
    std::string fileType;  ///< the type attribute of VTKFile
    long declaredPoints = -1, declaredLines = -1;
    /// The values of every DataArray by its Name; the points' coordinates (three per point)
    /// under "points".
    std::map<std::string, std::vector<double>> arrays;
};

/// Parses @p xml with expat.
VtpContent parseVtp(const std::string& xml);

/// A markups JSON point list as a viewer saves it: @p points (label, LPS position) written in
/// @p frame ("LPS" or "RAS"; "" declares none).
std::string markups(const std::string& frame,
                    const std::vector<std::pair<std::string, Vec3>>& points);

/// The content of the gzip data @p raw and the number of its members, inflated member after
/// member by zlib (another reader than the tool's libdeflate); every member must be whole.
std::pair<std::string, int> inflateMembers(const std::string& raw);

/// The opening tag of the data block of a report page.
inline constexpr char kReportDataOpen[] =
    "<script id=\"angiolith-data\" type=\"application/json\">";

/// The data block of the report page @p page, parsed as the browser's JSON.parse would.
nlohmann::json reportData(const std::string& page);

/// Calls @p result(threads) on 1, 2, 3 and 5 threads, with the tool's worker threads set to
/// that number, and expects the same value every time; returns it.
template <typename F>
auto sameOnAnyNumberOfThreads(F result) {
    const unsigned before = workerThreads();
    setWorkerThreads(1);
    const auto first = result(1u);
    for (unsigned threads : {2u, 3u, 5u}) {
        setWorkerThreads(threads);
        EXPECT_TRUE(result(threads) == first) << threads << " threads";
    }
    setWorkerThreads(before);
    return first;
}

/// The whole content of a file ("" when it cannot be read).
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);

}  // namespace angiolith::tool::test

#endif
