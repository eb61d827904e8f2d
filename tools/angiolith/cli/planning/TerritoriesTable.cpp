#include "cli/planning/TerritoriesTable.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <iomanip>
#include <sstream>

namespace angiolith::tool::planning {

namespace {

using nlohmann::json;

const char* const kVesselColumns[] = {
    "tree",      "id",          "parent",         "type",          "segment",
    "resection", "length_mm",   "mean_radius_mm", "min_radius_mm", "own_voxels",
    "own_ml",    "own_percent", "subtree_voxels", "subtree_ml",    "subtree_percent"};

// Rounds to a fixed number of decimals, so that the files carry no float noise.
double rounded(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

json vesselRow(const Quantities& q, const VesselFigures& f) {
    json row = json::object();
    row["tree"] = f.tree;
    row["id"] = f.id;
    row["parent"] = f.parent ? json(*f.parent) : json(nullptr);
    row["type"] = f.type;
    row["segment"] = f.segment;
    row["resection"] = f.resection;
    row["length_mm"] = rounded(f.lengthMm, 3);
    row["mean_radius_mm"] = rounded(f.meanRadiusMm, 3);
    row["min_radius_mm"] = rounded(f.minRadiusMm, 3);
    row["own_voxels"] = f.ownVoxels;
    row["own_ml"] = rounded(q.ml(f.ownVoxels), 4);
    row["own_percent"] = rounded(q.percent(f.ownVoxels), 3);
    row["subtree_voxels"] = f.subtreeVoxels;
    row["subtree_ml"] = rounded(q.ml(f.subtreeVoxels), 4);
    row["subtree_percent"] = rounded(q.percent(f.subtreeVoxels), 3);
    return row;
}

json totalsRows(const Quantities& q, const std::vector<Total>& totals, const char* key) {
    json rows = json::array();
    for (const Total& t : totals) {
        json row = json::object();
        row[key] = t.key;
        row["voxels"] = t.voxels;
        row["ml"] = rounded(q.ml(t.voxels), 4);
        row["percent"] = rounded(q.percent(t.voxels), 3);
        rows.push_back(row);
    }
    return rows;
}

std::string utcNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::ostringstream text;
    text << std::put_time(&utc, "%Y-%m-%dT%H:%M:%SZ");
    return text.str();
}

json gridJson(const Geometry& g) {
    json directions = json::array();
    for (const Vec3& row : g.direction) directions.push_back({row[0], row[1], row[2]});
    return {{"size", {g.size[0], g.size[1], g.size[2]}},
            {"spacing", {g.spacing[0], g.spacing[1], g.spacing[2]}},
            {"origin", {g.origin[0], g.origin[1], g.origin[2]}},
            {"directions", directions},
            {"frame", "LPS"}};
}

}  // namespace

json territoriesJson(const Quantities& q, const Provenance& p, bool resection) {
    // nlohmann::ordered_json would keep the key order; the contract fixes keys, not order, and
    // the plain json sorts them, which keeps the files stable for comparison.
    json doc = json::object();
    doc["tool"] = {{"name", "angiolith"}, {"version", ANGIOLITH_TOOL_VERSION}};
    doc["created"] = utcNow();
    doc["command"] = p.command;
    doc["inputs"] = {{"vessels", p.vessels ? json(*p.vessels) : json(nullptr)},
                     {"tissue", p.tissue},
                     {"trees", p.trees},
                     {"points", p.points ? json(*p.points) : json(nullptr)}};
    doc["grid"] = gridJson(p.grid);
    doc["options"] = p.options;
    doc["tissue"] = {{"voxels", q.tissueVoxels}, {"volume_ml", rounded(q.ml(q.tissueVoxels), 4)}};
    json vessels = json::array();
    for (const VesselFigures& f : q.vessels) vessels.push_back(vesselRow(q, f));
    doc["vessels"] = vessels;
    doc["totals"] = {{"trees", totalsRows(q, q.trees, "tree")},
                     {"segments", totalsRows(q, q.segments, "segment")},
                     {"resection", totalsRows(q, q.resections, "resection")}};
    if (resection) {
        const unsigned long long resected = q.resectedVoxels();
        const unsigned long long remnant = q.tissueVoxels - resected;
        doc["resection"] = {{"resected_ml", rounded(q.ml(resected), 4)},
                            {"resected_percent", rounded(q.percent(resected), 3)},
                            {"remnant_ml", rounded(q.ml(remnant), 4)},
                            {"remnant_percent", rounded(q.percent(remnant), 3)}};
    } else {
        doc["resection"] = nullptr;
    }
    doc["warnings"] = p.warnings;
    return doc;
}

void writeTerritoriesCsv(std::ostream& out, const Quantities& q) {
    bool first = true;
    for (const char* column : kVesselColumns) {
        out << (first ? "" : ",") << column;
        first = false;
    }
    out << "\n";
    for (const VesselFigures& f : q.vessels) {
        const json row = vesselRow(q, f);
        first = true;
        for (const char* column : kVesselColumns) {
            out << (first ? "" : ",");
            if (!row[column].is_null()) out << row[column].dump();
            first = false;
        }
        out << "\n";
    }
    out << "\ntotal,key,voxels,ml,percent\n";
    auto totals = [&](const char* name, const std::vector<Total>& list) {
        for (const Total& t : list) {
            out << name << "," << t.key << "," << t.voxels << ","
                << json(rounded(q.ml(t.voxels), 4)).dump() << ","
                << json(rounded(q.percent(t.voxels), 3)).dump() << "\n";
        }
    };
    totals("tree", q.trees);
    totals("segment", q.segments);
    totals("resection", q.resections);
}

}  // namespace angiolith::tool::planning
