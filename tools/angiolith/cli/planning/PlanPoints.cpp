#include "cli/planning/PlanPoints.h"

#include "cli/ImageIO.h"
#include "cli/UserError.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

namespace angiolith::tool::planning {

namespace {

using nlohmann::json;

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

const char* const kActionsHelp = "use 'segment N', 'hepatic', 'portal' or 'cut'";

PlanAction requireAction(const std::string& label, const std::string& alternative,
                         const std::string& pointName, const std::string& path) {
    if (auto action = actionOf(label)) return *action;
    if (auto action = actionOf(alternative)) return *action;
    throw UserError("point '" + pointName + "' of '" + path + "' has the unknown action '" + label +
                    "'; " + kActionsHelp);
}

std::vector<PlanPoint> readMarkups(const std::string& path, const std::string& text,
                                   std::vector<std::string>* warnings) {
    json doc;
    try {
        doc = json::parse(text);
    } catch (const json::exception& error) {
        throw UserError("'" + path + "' is not valid JSON (" + error.what() +
                        "); save the point list again from the viewer as .mrk.json");
    }
    if (!doc.is_object() || !doc.contains("markups") || !doc["markups"].is_array()) {
        throw UserError("'" + path +
                        "' is JSON but not a markups file (it has no \"markups\" list); save "
                        "the point list from the viewer as .mrk.json");
    }
    std::vector<PlanPoint> points;
    for (const json& markup : doc["markups"]) {
        if (!markup.is_object()) continue;
        // A point list is of type "Fiducial"; the control points of a line, curve, angle, plane
        // or box shape it and are not actions.
        const json type = markup.value("type", json("Fiducial"));
        if (type != json("Fiducial")) {
            throw UserError("'" + path + "' holds a markup of type " + type.dump() +
                            ", not a point list; place the points in a point list and save it "
                            "as .mrk.json");
        }
        const json frame = markup.value("coordinateSystem", json());
        if (!frame.is_string()) {
            throw UserError("'" + path +
                            "' does not declare its frame (no \"coordinateSystem\" of LPS or "
                            "RAS); save it again from a current viewer");
        }
        const std::string frameName = frame.get<std::string>();
        if (frameName != "LPS" && frameName != "RAS") {
            throw UserError("'" + path + "' declares the frame '" + frameName +
                            "', which angiolith does not read; use LPS or RAS");
        }
        const json units = markup.value("coordinateUnits", json("mm"));
        if (units != json("mm")) {
            throw UserError("'" + path + "' gives coordinates in '" + units.dump() +
                            "'; angiolith reads millimetres (\"coordinateUnits\": \"mm\")");
        }
        const json controlPoints = markup.value("controlPoints", json::array());
        if (!controlPoints.is_array()) continue;
        for (const json& cp : controlPoints) {
            PlanPoint point;
            point.name = cp.is_object() && cp.value("label", json()).is_string()
                             ? cp["label"].get<std::string>()
                             : "point " + std::to_string(points.size() + 1);
            // A point still to be placed ("undefined") or being placed ("preview") has no
            // position yet (it is saved as 0,0,0): it is left out, and said so.
            const json status =
                cp.is_object() ? cp.value("positionStatus", json("defined")) : json("defined");
            if (status != json("defined")) {
                if (warnings != nullptr) {
                    warnings->push_back("point '" + point.name + "' of '" + path +
                                        "' is not placed (positionStatus " + status.dump() +
                                        "): left out");
                }
                continue;
            }
            const json position = cp.is_object() ? cp.value("position", json()) : json();
            if (!position.is_array() || position.size() != 3 ||
                !std::all_of(position.begin(), position.end(),
                             [](const json& v) { return v.is_number(); })) {
                throw UserError("point '" + point.name + "' of '" + path +
                                "' has no position of three numbers");
            }
            for (int i = 0; i < 3; ++i)
                point.lps[i] = position[static_cast<std::size_t>(i)].get<double>();
            if (frameName == "RAS") point.lps = flipRasLps(point.lps);
            const json description = cp.value("description", json(""));
            point.action = requireAction(
                point.name, description.is_string() ? description.get<std::string>() : "",
                point.name, path);
            points.push_back(point);
        }
    }
    return points;
}

// One x,y,z,action line; false when the first three fields are not numbers.
bool parseCsvLine(const std::string& line, Vec3& xyz, std::string& action) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    for (std::string field; std::getline(in, field, ',');) fields.push_back(trimmed(field));
    if (fields.size() != 4) return false;
    for (int i = 0; i < 3; ++i) {
        const std::string& f = fields[static_cast<std::size_t>(i)];
        char* end = nullptr;
        xyz[i] = std::strtod(f.c_str(), &end);
        if (f.empty() || end != f.c_str() + f.size() || !std::isfinite(xyz[i])) return false;
    }
    action = fields[3];
    return true;
}

std::vector<PlanPoint> readCsv(const std::string& path, const std::string& text) {
    // The older markups format is CSV too, but of other columns in a frame its header declares.
    if (lowered(text).rfind("# markups fiducial file version", 0) == 0) {
        throw UserError("'" + path +
                        "' is a fiducial CSV file (.fcsv), which angiolith does not read; save "
                        "the point list as .mrk.json, or write x,y,z,action lines in LPS");
    }
    std::vector<PlanPoint> points;
    std::istringstream in(text);
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        const std::string content = trimmed(line);
        if (content.empty() || content[0] == '#') continue;
        PlanPoint point;
        std::string action;
        if (!parseCsvLine(content, point.lps, action)) {
            if (points.empty() && lowered(content).find('x') == 0) continue;  // column names
            throw UserError("'" + path +
                            "' is neither a markups JSON file (.mrk.json) nor a CSV "
                            "file of x,y,z,action lines: line " +
                            std::to_string(number) + " reads '" + content + "'");
        }
        point.name = "line " + std::to_string(number);
        point.action = requireAction(action, "", point.name, path);
        points.push_back(point);
    }
    return points;
}

}  // namespace

std::optional<PlanAction> actionOf(const std::string& label) {
    const std::string text = lowered(trimmed(label));
    if (text == "cut") return PlanAction{PlanAction::Cut, 0};
    if (text == "hepatic") return PlanAction{PlanAction::Hepatic, 0};
    if (text == "portal") return PlanAction{PlanAction::Portal, 0};
    if (text.rfind("segment", 0) == 0) {
        const std::string number = trimmed(text.substr(7));
        if (number.empty() || number.size() > 5 ||
            !std::all_of(number.begin(), number.end(),
                         [](unsigned char c) { return std::isdigit(c) != 0; })) {
            return std::nullopt;
        }
        const int segment = std::stoi(number);
        if (segment < 1 || segment > 65535) return std::nullopt;
        return PlanAction{PlanAction::Segment, segment};
    }
    return std::nullopt;
}

std::vector<PlanPoint> readPlanPoints(const std::string& path, std::vector<std::string>* warnings) {
    requireReadableFile(path, "point file");
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    std::string text = content.str();
    // Spreadsheets and some editors start UTF-8 text with a byte order mark.
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    const auto first = text.find_first_not_of(" \t\r\n");
    const bool looksJson = first != std::string::npos && text[first] == '{';
    std::vector<PlanPoint> points =
        looksJson ? readMarkups(path, text, warnings) : readCsv(path, text);
    if (points.empty()) {
        throw UserError("'" + path +
                        "' holds no point; place points on the centre lines and "
                        "save them as .mrk.json or as x,y,z,action lines");
    }
    return points;
}

}  // namespace angiolith::tool::planning
