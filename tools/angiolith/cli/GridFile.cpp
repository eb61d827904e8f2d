#include "cli/GridFile.h"

#include "cli/ImageIO.h"
#include "cli/TreeFile.h"
#include "cli/UserError.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <stdexcept>

namespace angiolith::tool {

namespace {

constexpr const char* kFormat = "angiolith grid";

bool finiteTriple(const Vec3& v) {
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

}  // namespace

void writeGridFile(const std::string& path, const Geometry& geometry) {
    const nlohmann::json grid = {{"format", kFormat},         {"version", 1},
                                 {"size", geometry.size},     {"spacing", geometry.spacing},
                                 {"origin", geometry.origin}, {"direction", geometry.direction}};
    std::ofstream out(path);
    // The JSON writer prints every double with the digits that read it back exactly.
    if (out) out << grid.dump(2) << "\n";
    out.close();
    if (!out) throw std::runtime_error("cannot write '" + path + "'");
}

Geometry readGridFile(const std::string& path) {
    requireReadableFile(path, "grid file");
    std::ifstream in(path);
    Geometry g;
    try {
        const nlohmann::json grid = nlohmann::json::parse(in);
        if (grid.at("format") != kFormat || grid.at("version") != 1) {
            throw std::invalid_argument("not an angiolith grid of version 1");
        }
        g.size = grid.at("size").get<std::array<unsigned int, 3>>();
        g.spacing = grid.at("spacing").get<Vec3>();
        g.origin = grid.at("origin").get<Vec3>();
        g.direction = grid.at("direction").get<std::array<Vec3, 3>>();
    } catch (const std::exception&) {
        throw UserError("the grid file '" + path +
                        "' is damaged; extract the trees again or restore the file");
    }
    const bool positive = g.spacing[0] > 0 && g.spacing[1] > 0 && g.spacing[2] > 0;
    if (g.voxelCount() == 0 || !positive || !finiteTriple(g.spacing) || !finiteTriple(g.origin) ||
        !finiteTriple(g.direction[0]) || !finiteTriple(g.direction[1]) ||
        !finiteTriple(g.direction[2])) {
        throw UserError("the grid file '" + path +
                        "' describes no valid grid; extract the trees again or restore the file");
    }
    return g;
}

std::optional<Geometry> gridOfForest(const std::string& forestPath) {
    const std::filesystem::path grid =
        std::filesystem::path(forestFolder(forestPath)) / kGridFileName;
    std::error_code error;
    if (!std::filesystem::exists(grid, error)) return std::nullopt;
    return readGridFile(grid.string());
}

}  // namespace angiolith::tool
