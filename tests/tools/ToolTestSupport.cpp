#include "ToolTestSupport.h"

#include "cli/ImageIO.h"
#include "cli/planning/ForestWalk.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <expat.h>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace angiolith::tool::test {

namespace {

std::string quote(const std::string& word) {
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct VtpParser {
    VtpContent content;
    std::string array;  // name of the DataArray being read, "" outside one
    std::string text;
};

void onStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* parser = static_cast<VtpParser*>(data);
    auto attribute = [attributes](const char* key) -> std::string {
        for (int i = 0; attributes[i] != nullptr; i += 2) {
            if (std::strcmp(attributes[i], key) == 0) return attributes[i + 1];
        }
        return "";
    };
    if (std::strcmp(name, "VTKFile") == 0) parser->content.fileType = attribute("type");
    if (std::strcmp(name, "Piece") == 0) {
        parser->content.declaredPoints = std::stol(attribute("NumberOfPoints"));
        parser->content.declaredLines = std::stol(attribute("NumberOfLines"));
    }
    if (std::strcmp(name, "DataArray") == 0) {
        parser->array = attribute("Name").empty() ? "points" : attribute("Name");
        parser->text.clear();
    }
}

void onEnd(void* data, const XML_Char* name) {
    auto* parser = static_cast<VtpParser*>(data);
    if (std::strcmp(name, "DataArray") != 0) return;
    std::istringstream numbers(parser->text);
    std::vector<double>& values = parser->content.arrays[parser->array];
    for (double value = 0; numbers >> value;) values.push_back(value);
    parser->array.clear();
}

void onText(void* data, const XML_Char* text, int length) {
    auto* parser = static_cast<VtpParser*>(data);
    if (!parser->array.empty()) parser->text.append(text, static_cast<std::size_t>(length));
}

}  // namespace

VtpContent parseVtp(const std::string& xml) {
    VtpParser parser;
    XML_Parser expat = XML_ParserCreate(nullptr);
    XML_SetUserData(expat, &parser);
    XML_SetElementHandler(expat, onStart, onEnd);
    XML_SetCharacterDataHandler(expat, onText);
    parser.content.wellFormed =
        XML_Parse(expat, xml.data(), static_cast<int>(xml.size()), 1) == XML_STATUS_OK;
    XML_ParserFree(expat);
    return parser.content;
}

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/angiolith-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(dir, ignored);
}

ToolRun makePhantom(const std::string& folder, const std::string& size,
                    const std::vector<std::string>& extra) {
    std::vector<std::string> args = {"phantom", "--out", folder, "--size", size, "--quiet"};
    args.insert(args.end(), extra.begin(), extra.end());
    return runTool(args);
}

ToolRun runTool(const std::vector<std::string>& args, const std::string& terminateOnce) {
    TempDir capture;
    std::string command = quote(ANGIOLITH_TOOL_PATH);
    for (const std::string& arg : args) command += " " + quote(arg);
    command += " >" + quote(capture / "out") + " 2>" + quote(capture / "err");
    if (!terminateOnce.empty()) {
        // Polls for the pattern (left unquoted for the shell to expand) while the program runs;
        // the status is then the program's, 128 + 15 when the signal ended it.
        command += " & pid=$!; until ls -d " + terminateOnce +
                   " >/dev/null 2>&1 || ! kill -0 $pid 2>/dev/null; do sleep 0.01; done; "
                   "kill -TERM $pid 2>/dev/null; wait $pid 2>/dev/null";
    }
    ToolRun run;
    const int raw = std::system(command.c_str());
    if (raw != -1 && WIFEXITED(raw)) run.status = WEXITSTATUS(raw);
    run.out = readFile(capture / "out");
    run.err = readFile(capture / "err");
    return run;
}

nlohmann::json reportData(const std::string& page) {
    const std::size_t open = page.find(kReportDataOpen);
    EXPECT_NE(open, std::string::npos);
    const std::size_t from = open + sizeof kReportDataOpen - 1;
    return nlohmann::json::parse(page.substr(from, page.find("</script>", from) - from));
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
}

void writeTwoSystems(const std::string& folder, const std::string& size, Geometry frame) {
    const unsigned side = size == "tiny" ? 32 : 64;
    std::filesystem::create_directories(folder);
    Volume vessels, liver;
    for (unsigned part = 0; part < 2; ++part) {
        const std::string made = folder + "/p" + std::to_string(part);
        const ToolRun run = makePhantom(made, size, {"--seed", std::to_string(part + 2)});
        if (run.status != 0) throw std::runtime_error("phantom failed: " + run.err);
        const Volume v = readImage(made + "/vessels.nii.gz", "vessels");
        const Volume l = readImage(made + "/liver.nii.gz", "liver");
        if (part == 0) {
            frame.size = {2 * side, side, side};
            frame.spacing = v.geometry.spacing;
            vessels.geometry = liver.geometry = frame;
            vessels.pic = makeDescriptor(lumoTeskTypeUnsigned, 8, frame.size);
            liver.pic = makeDescriptor(lumoTeskTypeUnsigned, 8, frame.size);
        }
        const auto* from = static_cast<const std::uint8_t*>(v.pic->data);
        const auto* tissue = static_cast<const std::uint8_t*>(l.pic->data);
        auto* to = static_cast<std::uint8_t*>(vessels.pic->data);
        auto* toTissue = static_cast<std::uint8_t*>(liver.pic->data);
        for (unsigned i = 0; i < side * side * side; ++i) {
            const unsigned at = (i / side) * 2 * side + i % side + side * part;
            if (from[i] != 0) to[at] = static_cast<std::uint8_t>(1 + part);
            toTissue[at] = tissue[i];
        }
        std::filesystem::remove_all(made);
    }
    writeImage(folder + "/vessels.nrrd", vessels);
    writeImage(folder + "/liver.nrrd", liver);
}

std::string markups(const std::string& frame,
                    const std::vector<std::pair<std::string, Vec3>>& points) {
    using nlohmann::json;
    json controlPoints = json::array();
    for (const auto& [label, lps] : points) {
        const Vec3 p = frame == "RAS" ? flipRasLps(lps) : lps;
        controlPoints.push_back({{"id", std::to_string(controlPoints.size() + 1)},
                                 {"label", label},
                                 {"description", ""},
                                 {"position", {p[0], p[1], p[2]}},
                                 {"positionStatus", "defined"}});
    }
    json markup = {
        {"type", "Fiducial"}, {"coordinateUnits", "mm"}, {"controlPoints", controlPoints}};
    if (!frame.empty()) markup["coordinateSystem"] = frame;
    return json({{"@schema", "markups-schema-v1.0.3.json#"}, {"markups", {markup}}}).dump(2);
}

Vec3 pointOn(const std::vector<ArVesselTree>& trees, const Geometry& grid, int id, int sample,
             double towardsNext) {
    for (const planning::VesselEntry& e : planning::flatten(trees)) {
        if (e.vessel->getId() != id) continue;
        const auto& el = e.vessel->getElementsList();
        const auto& a = el[static_cast<std::size_t>(sample)].position;
        const auto& b = el[std::min(el.size() - 1, static_cast<std::size_t>(sample) + 1)].position;
        return grid.scaledIndexToWorld({a.x + towardsNext * (b.x - a.x),
                                        a.y + towardsNext * (b.y - a.y),
                                        a.z + towardsNext * (b.z - a.z)});
    }
    ADD_FAILURE() << "no vessel " << id;
    return {};
}

}  // namespace angiolith::tool::test
