#include "ToolTestSupport.h"
#include "cli/Command.h"
#include "cli/ImageIO.h"
#include "cli/OptionReaders.h"
#include "cli/StagedOutputs.h"
#include "cli/TreeFile.h"

#include <angiolith/diagnostics/Diagnostics.h>
#include <angiolith/skeleton/SelleSkeletonizer.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

namespace angiolith::tool {
namespace {

namespace fs = std::filesystem;
using test::runTool;
using test::TempDir;
using test::ToolRun;

std::set<std::string> filesIn(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// One tiny phantom (vessels and liver) shared by the tests of this file, and a run on three
// threads that prints its progress into the folder r.
class CommandLine : public test::SharedFolderTest<CommandLine> {
protected:
    static void SetUpTestSuite() {
        SharedFolderTest::SetUpTestSuite();
        const ToolRun made = test::makePhantom(shared().path(), "tiny", {"--seed", "2"});
        ASSERT_EQ(made.status, 0) << made.err;
        run = runTool({"run", vessels(), "--tissue", liver(), "--out", ran(""), "--threads", "3"});
    }
    static std::string vessels() { return shared() / "vessels.nii.gz"; }
    static std::string liver() { return shared() / "liver.nii.gz"; }
    static std::string ran(const std::string& name) { return shared() / ("r/" + name); }

    static inline ToolRun run;
};

// The run on three threads and a quiet one on one thread: every output is written and reads
// back, each stage reports its start and end, and the number of threads changes nothing in the
// files, compressed volumes included.
TEST_F(CommandLine, RunWritesEveryOutputTheSameOnAnyNumberOfThreads) {
    TempDir out;
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::vector<std::string> lines = linesOf(run.out);
    const char* stages[] = {"skeletonize", "extract", "clean", "territories", "relabel", "write"};
    // Then the summary: the tissue volume and one line per tree.
    ASSERT_EQ(lines.size(), 2 * std::size(stages) + 2) << run.out;
    EXPECT_EQ(lines[2 * std::size(stages)].rfind("summary: tissue ", 0), 0u) << run.out;
    EXPECT_EQ(lines.back().rfind("  tree 1: ", 0), 0u) << run.out;
    for (std::size_t i = 0; i < std::size(stages); ++i) {
        const std::string stage = stages[i];
        EXPECT_EQ(lines[2 * i].rfind(stage + ": started", 0), 0u) << lines[2 * i];
        EXPECT_EQ(lines[2 * i + 1].rfind(stage + ": done in ", 0), 0u) << lines[2 * i + 1];
    }
    EXPECT_NE(lines[1].find("skeleton voxels)"), std::string::npos) << lines[1];
    EXPECT_NE(lines[3].find("vessels, "), std::string::npos) << lines[3];
    EXPECT_NE(lines[6].find("tissue voxels)"), std::string::npos) << lines[6];
    // The page to open comes first in the list of written files.
    EXPECT_NE(lines[11].find(" s (report.html, "), std::string::npos) << lines[11];

    const ToolRun quiet = runTool(
        {"run", vessels(), "--tissue", liver(), "--out", out / "1", "--threads", "1", "--quiet"});
    ASSERT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.out + quiet.err, "");
    EXPECT_EQ(filesIn(ran("")),
              (std::set<std::string>{
                  "skeleton.nii.gz", "distance-field.nii.gz", "tree-1.txt", "grid.json", "tree.vtp",
                  "vessel-ids.nii.gz", "distances.nii.gz", "labels-segment.nii.gz",
                  "labels-segment.ctbl", "labels-segment.label.txt", "labels-segment.seg.nrrd",
                  "territories.json", "territories.csv", "preview.png", "report.html"}));
    for (const std::string& name : filesIn(out / "1")) {
        SCOPED_TRACE(name);
        if (name == "territories.json") {
            // Its provenance names the folder, the options and the time; the figures agree.
            const auto one = nlohmann::json::parse(test::readFile(out / "1/" + name));
            const auto three = nlohmann::json::parse(test::readFile(ran(name)));
            EXPECT_EQ(one["vessels"], three["vessels"]);
            EXPECT_EQ(one["totals"], three["totals"]);
        } else if (name != "report.html") {  // it embeds territories.json beside equal figures
            EXPECT_EQ(test::readFile(out / "1/" + name), test::readFile(ran(name)));
        }
    }

    const Volume input = readImage(vessels(), "vessels");
    const Volume tissue = readImage(liver(), "liver");
    for (const char* name : {"skeleton.nii.gz", "distance-field.nii.gz", "vessel-ids.nii.gz",
                             "distances.nii.gz", "labels-segment.nii.gz"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(geometryDifference(readImage(ran(name), name).geometry, input.geometry), "");
    }

    // Every tissue voxel has a vessel, and only tissue voxels; the segment labels of an
    // extracted tree are all 1 (undefined).
    const Volume ids = readImage(ran("vessel-ids.nii.gz"), "ids");
    const Volume labels = readImage(ran("labels-segment.nii.gz"), "labels");
    ASSERT_EQ(ids.pic->bits, 16u);
    const ArVesselTree tree = readTreeFile(ran("tree-1.txt"));
    const TreeStats stats = statsOf(tree);
    const auto* idValues = static_cast<const std::uint16_t*>(ids.pic->data);
    const auto* labelValues = static_cast<const std::uint16_t*>(labels.pic->data);
    const auto* tissueValues = static_cast<const std::uint8_t*>(tissue.pic->data);
    for (unsigned long long i = 0; i < input.geometry.voxelCount(); ++i) {
        ASSERT_EQ(idValues[i] != 0, tissueValues[i] != 0) << "voxel " << i;
        ASSERT_LE(idValues[i], stats.maxId);
        ASSERT_EQ(labelValues[i], idValues[i] != 0 ? 1 : 0);
    }

    // The .vtp holds one polyline per vessel and one point per centre-line sample.
    const test::VtpContent vtp = test::parseVtp(test::readFile(ran("tree.vtp")));
    ASSERT_TRUE(vtp.wellFormed);
    EXPECT_EQ(vtp.declaredPoints, stats.samples);
    EXPECT_EQ(vtp.declaredLines, stats.vessels);
    EXPECT_EQ(vtp.arrays.at("points").size(), 3u * stats.samples);
}

TEST_F(CommandLine, StageCommandsResumeWhereRunWouldGo) {
    TempDir out;
    const std::string s = out / "steps";
    for (std::vector<std::string> step : std::vector<std::vector<std::string>>{
             {"skeletonize", vessels()},
             {"extract", s + "/skeleton.nii.gz", "--distance-field", s + "/distance-field.nii.gz"},
             {"clean", s},
             {"territories", s, "--tissue", liver()},
             {"relabel", s + "/vessel-ids.nii.gz", "--tree", s}}) {
        step.insert(step.end(), {"--out", s, "--quiet"});
        const ToolRun run = runTool(step);
        ASSERT_EQ(run.status, 0) << step[0] << ": " << run.err;
    }

    for (const char* name : {"tree-1.txt", "grid.json", "tree.vtp", "skeleton.nii.gz",
                             "vessel-ids.nii.gz", "labels-segment.nii.gz"}) {
        EXPECT_EQ(test::readFile(s + "/" + name) == test::readFile(ran(name)), true) << name;
    }
}

// A detached NRRD header (the other formats' outputs are checked by the runs of the other
// suites) on an anisotropic grid with an origin.
TEST_F(CommandLine, AnisotropicPhantomWithOriginGivesTheTreeInPhysicalCoordinates) {
    TempDir out;
    const ToolRun made = test::makePhantom(
        out.path(), "tiny",
        {"--spacing", "0.7,0.8,1.5", "--origin", "-100,-80,20", "--format", "nhdr"});
    ASSERT_EQ(made.status, 0) << made.err;
    const std::string mask = out / "vessels.nhdr";
    const ToolRun run = runTool({"run", mask, "--out", out / "r", "--quiet"});
    ASSERT_EQ(run.status, 0) << run.err;
    // A detached header travels with its data file.
    EXPECT_EQ(filesIn(out / "r").count("skeleton.raw.gz"), 1u);
    const Volume vessels = readImage(mask, "vessels");
    EXPECT_EQ(
        geometryDifference(readImage(out / "r/skeleton.nhdr", "s").geometry, vessels.geometry), "");

    // The phantom's axes are the LPS axes: world = origin + index * spacing. Every point of the
    // .vtp must be a voxel centre of the mask's object.
    const double origin[3] = {-100, -80, 20}, spacing[3] = {0.7, 0.8, 1.5};
    const test::VtpContent vtp = test::parseVtp(test::readFile(out / "r/tree.vtp"));
    ASSERT_TRUE(vtp.wellFormed);
    const std::vector<double>& points = vtp.arrays.at("points");
    ASSERT_GT(points.size(), 0u);
    const auto& n = vessels.geometry.size;
    const auto* values = static_cast<const std::uint8_t*>(vessels.pic->data);
    for (std::size_t p = 0; p < points.size(); p += 3) {
        long index[3];
        for (int i = 0; i < 3; ++i) {
            const double continuous = (points[p + i] - origin[i]) / spacing[i];
            index[i] = std::lround(continuous);
            ASSERT_NEAR(continuous, static_cast<double>(index[i]), 1e-3);
            ASSERT_GE(index[i], 0);
            ASSERT_LT(index[i], static_cast<long>(n[i]));
        }
        ASSERT_NE(values[(index[2] * n[1] + index[1]) * n[0] + index[0]], 0);
    }
}

// Runs the tool and expects the one-line message "angiolith: error: <message>" with exit
// status 2 and nothing on the standard output.
void expectRejected(const std::vector<std::string>& args, const std::string& message) {
    const ToolRun run = runTool(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "angiolith: error: " + message + "\n");
}

std::string nrrd(const std::string& type, const std::string& sizes, const std::string& data) {
    const int dims = static_cast<int>(std::count(sizes.begin(), sizes.end(), ' ')) + 1;
    return "NRRD0004\ntype: " + type + "\ndimension: " + std::to_string(dims) +
           "\nsizes: " + sizes + "\nendian: little\nencoding: raw\n\n" + data;
}

TEST_F(CommandLine, EveryBadInputGetsItsMessageAndStatus) {
    TempDir dir;
    const std::string out = dir / "out";
    test::writeFile(dir / "empty.nrrd", nrrd("float", "4 4 4", std::string(256, '\0')));
    expectRejected({"run", dir / "empty.nrrd", "--out", out},
                   "the vessel mask '" + (dir / "empty.nrrd") +
                       "' has no non-zero voxel; check that you exported the right segment");
    // A volume @p role at @p path whose grid differs from the vessel mask's by @p difference.
    const auto offGrid = [](const std::string& role, const std::string& path,
                            const std::string& difference) {
        return "'" + vessels() + "' and the " + role + " '" + path + "' differ in " + difference +
               "; resample the " + role + " onto the grid of '" + vessels() + "'";
    };
    test::writeFile(dir / "cube.nrrd", nrrd("uchar", "4 4 4", std::string(64, '\1')));
    expectRejected({"run", vessels(), "--tissue", dir / "cube.nrrd", "--out", out},
                   offGrid("tissue mask", dir / "cube.nrrd", "size 32x32x32 vs 4x4x4"));
    ASSERT_EQ(test::makePhantom(dir / "coarse", "tiny", {"--spacing", "1,1,2"}).status, 0);
    expectRejected({"run", vessels(), "--tissue", dir / "coarse/liver.nii.gz", "--out", out},
                   offGrid("tissue mask", dir / "coarse/liver.nii.gz", "spacing 1,1,1 vs 1,1,2"));
    expectRejected({"run", vessels(), "--start", "3,4,32", "--out", out},
                   "--start 3,4,32 lies outside the volume (voxel indices 0..31, 0..31, 0..31); "
                   "give a voxel inside it, near the root of a tree");
    expectRejected({"run", vessels(), "--out", vessels() + "/sub"},
                   "cannot write to the output folder '" + vessels() +
                       "/sub': Not a directory; choose a folder you can write to with --out");
    expectRejected({"territories", vessels(), "--tissue", liver(), "--out", out},
                   "'" + vessels() +
                       "' is not a vessel tree file (its first line is not 'HAVN-TSL 2000 "
                       "Tree'); give the folder or a tree file that 'angiolith extract' wrote");

    // A hollow sphere thins to a closed surface, on which every voxel branches: no tree.
    std::string shell(16 * 16 * 16, '\0');
    for (int z = 0; z < 16; ++z) {
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const double r = std::sqrt((x - 7.5) * (x - 7.5) + (y - 7.5) * (y - 7.5) +
                                           (z - 7.5) * (z - 7.5));
                shell[(z * 16 + y) * 16 + x] = r >= 4.5 && r <= 6.5 ? 1 : 0;
            }
        }
    }
    test::writeFile(dir / "shell.nrrd", nrrd("uchar", "16 16 16", shell));
    expectRejected({"run", dir / "shell.nrrd", "--out", out, "--quiet"},
                   "no vessel tree can be extracted from the skeleton of the vessel mask '" +
                       (dir / "shell.nrrd") +
                       "': every part was left out (1 closed part without an end); check that "
                       "the mask holds the vessels, or lower --min-part");
    expectRejected({"extract", vessels(), "--distance-field", dir / "cube.nrrd", "--out", out},
                   offGrid("distance field", dir / "cube.nrrd", "size 32x32x32 vs 4x4x4"));
    test::writeFile(dir / "zeros.nrrd", nrrd("float", "32 32 32", std::string(4 * 32768, '\0')));
    expectRejected({"extract", vessels(), "--distance-field", dir / "zeros.nrrd", "--out", out},
                   "the distance field '" + (dir / "zeros.nrrd") +
                       "' is not positive on every skeleton voxel; give the distance-field "
                       "that was written with the skeleton");
    expectRejected({"thin"},
                   "unknown command 'thin'; see 'angiolith --help' for the list of commands");

    // Vessel-ID volumes that do not fit the tree they are relabelled with.
    test::writeFile(dir / "one.txt",
                    "HAVN-TSL 2000 Tree\n{ \n    { t f 4 1 3    1 -1 1  [ 0 0 0 4 0 ]  }  -\n}\n");
    const std::uint16_t ids[2] = {1, 7};
    test::writeFile(dir / "ids.nrrd",
                    nrrd("ushort", "2 1 1", std::string(reinterpret_cast<const char*>(ids), 4)));
    expectRejected({"relabel", dir / "ids.nrrd", "--tree", dir / "one.txt", "--out", out},
                   "the vessel-ID volume '" + (dir / "ids.nrrd") +
                       "' holds vessel id 7, but the largest id in '" + (dir / "one.txt") +
                       "' is 1; give the trees the territories were computed from");
    test::writeFile(dir / "bytes.nrrd", nrrd("uchar", "2 1 1", std::string("\1\1", 2)));
    expectRejected({"relabel", dir / "bytes.nrrd", "--tree", dir / "one.txt", "--out", out},
                   "the vessel-ID volume '" + (dir / "bytes.nrrd") +
                       "' holds uint8 elements, not uint16; give the vessel-ids file that "
                       "'angiolith territories' wrote");
    EXPECT_FALSE(fs::exists(out)) << "a rejected command created its output folder";
}

TEST_F(CommandLine, EveryCommandHasHelp) {
    for (const char* command :
         {"run", "phantom", "skeletonize", "extract", "clean", "territories", "relabel"}) {
        const ToolRun help = runTool({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_EQ(help.out.rfind(std::string("Usage: angiolith ") + command, 0), 0u) << help.out;
    }
    const ToolRun overview = runTool({"--help"});
    EXPECT_EQ(overview.status, 0);
    EXPECT_NE(overview.out.find("  territories"), std::string::npos);
    EXPECT_EQ(runTool({}).status, 2);
}

// Input that passes the tool's checks and is then refused by the library (here a volume of
// two dimensions, which the tool never makes) ends the command as any rejected input does:
// one line, status 2, and no output folder.
TEST(Dispatch, ALibraryRefusalIsAOneLineInputErrorThatLeavesNoOutputFolder) {
    const FatalInputHandler previous = setFatalInputHandler(&throwFatalInputException);
    TempDir dir;
    CommandDefinition definition;
    definition.name = "refused";
    definition.options = {outOption("nothing")};
    const Command refused{
        definition, [](const Arguments& args) {
            Progress progress(std::cout, true);
            StagedOutputs outputs(args.value("out"), ImageFormat::Nifti, progress);
            DescriptorPtr flat = makeDescriptor(lumoTeskTypeUnsigned, 8, {4, 4, 1});
            flat->dim = 2;
            SelleSkeletonizer thinning(flat.get(), false, false);
            outputs.commit();
            return 0;
        }};
    testing::internal::CaptureStderr();
    const int status = dispatch(refused, {"--out", dir / "out"});
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "angiolith: error: the library refused the input: Sorry, only 3D-Volumes are "
              "supported!\n");
    EXPECT_EQ(status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir / "out"));
    setFatalInputHandler(previous);
}

}  // namespace
}  // namespace angiolith::tool
