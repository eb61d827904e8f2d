#include "cli/VtpWriter.h"

#include <cstddef>
#include <fstream>
#include <iomanip>
#include <stdexcept>

namespace angiolith::tool {

void writeVtp(std::ostream& out, const std::vector<Polyline>& lines) {
    std::size_t pointCount = 0, lineCount = 0;
    for (const Polyline& line : lines) {
        if (line.points.empty()) continue;
        pointCount += line.points.size();
        ++lineCount;
    }
    // Nine significant digits give every float back exactly.
    out << std::setprecision(9);
    out << "<?xml version=\"1.0\"?>\n"
        << "<!-- Vessel centre lines written by angiolith: millimetres in the LPS frame "
           "(x left, y posterior, z superior). -->\n"
        << "<VTKFile type=\"PolyData\" version=\"1.0\" byte_order=\"LittleEndian\" "
           "header_type=\"UInt64\">\n"
        << "  <PolyData>\n"
        << "    <Piece NumberOfPoints=\"" << pointCount << "\" NumberOfVerts=\"0\" NumberOfLines=\""
        << lineCount << "\" NumberOfStrips=\"0\" NumberOfPolys=\"0\">\n";

    out << "      <PointData Scalars=\"radius\">\n"
        << "        <DataArray type=\"Float32\" Name=\"radius\" format=\"ascii\">\n";
    for (const Polyline& line : lines) {
        for (double r : line.radii) out << "          " << static_cast<float>(r) << "\n";
    }
    out << "        </DataArray>\n      </PointData>\n";

    out << "      <CellData Scalars=\"vesselId\">\n"
        << "        <DataArray type=\"Int32\" Name=\"vesselId\" format=\"ascii\">\n";
    for (const Polyline& line : lines) {
        if (!line.points.empty()) out << "          " << line.vesselId << "\n";
    }
    out << "        </DataArray>\n";
    const std::size_t extras = lines.empty() ? 0 : lines.front().cellData.size();
    for (std::size_t a = 0; a < extras; ++a) {
        out << "        <DataArray type=\"Float32\" Name=\"" << lines.front().cellData[a].first
            << "\" format=\"ascii\">\n";
        for (const Polyline& line : lines) {
            if (line.points.empty()) continue;
            out << "          "
                << static_cast<float>(a < line.cellData.size() ? line.cellData[a].second : 0.0)
                << "\n";
        }
        out << "        </DataArray>\n";
    }
    out << "      </CellData>\n";

    out << "      <Points>\n"
        << "        <DataArray type=\"Float32\" NumberOfComponents=\"3\" format=\"ascii\">\n";
    for (const Polyline& line : lines) {
        for (const Vec3& p : line.points) {
            out << "          " << static_cast<float>(p[0]) << " " << static_cast<float>(p[1])
                << " " << static_cast<float>(p[2]) << "\n";
        }
    }
    out << "        </DataArray>\n      </Points>\n";

    out << "      <Lines>\n"
        << "        <DataArray type=\"Int64\" Name=\"connectivity\" format=\"ascii\">\n";
    std::size_t next = 0;
    for (const Polyline& line : lines) {
        if (line.points.empty()) continue;
        out << "         ";
        for (std::size_t i = 0; i < line.points.size(); ++i) out << " " << next++;
        out << "\n";
    }
    out << "        </DataArray>\n"
        << "        <DataArray type=\"Int64\" Name=\"offsets\" format=\"ascii\">\n";
    std::size_t offset = 0;
    for (const Polyline& line : lines) {
        if (line.points.empty()) continue;
        offset += line.points.size();
        out << "          " << offset << "\n";
    }
    out << "        </DataArray>\n      </Lines>\n"
        << "    </Piece>\n  </PolyData>\n</VTKFile>\n";
}

void writeVtpFile(const std::string& path, const std::vector<Polyline>& lines) {
    std::ofstream out(path);
    if (out) writeVtp(out, lines);
    out.close();
    if (!out) throw std::runtime_error("cannot write '" + path + "'");
}

}  // namespace angiolith::tool
