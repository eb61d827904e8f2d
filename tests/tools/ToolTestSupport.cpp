#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <expat.h>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <zlib.h>

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

std::pair<std::string, int> inflateMembers(const std::string& raw) {
    std::pair<std::string, int> result{"", 0};
    std::vector<char> sink(1 << 16);
    for (std::size_t at = 0; at < raw.size(); ++result.second) {
        z_stream z{};
        EXPECT_EQ(inflateInit2(&z, 16 + MAX_WBITS), Z_OK);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data() + at));
        z.avail_in = static_cast<uInt>(raw.size() - at);
        int status = Z_OK;
        while (status == Z_OK) {
            z.next_out = reinterpret_cast<Bytef*>(sink.data());
            z.avail_out = static_cast<uInt>(sink.size());
            status = inflate(&z, Z_NO_FLUSH);
            result.first.append(sink.data(), sink.size() - z.avail_out);
        }
        inflateEnd(&z);
        EXPECT_EQ(status, Z_STREAM_END);
        if (status != Z_STREAM_END) break;
        at = raw.size() - z.avail_in;
    }
    return result;
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

}  // namespace angiolith::tool::test
