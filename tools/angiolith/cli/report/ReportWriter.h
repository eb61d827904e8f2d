#ifndef ANGIOLITH_TOOLS_CLI_REPORT_REPORTWRITER_H
#define ANGIOLITH_TOOLS_CLI_REPORT_REPORTWRITER_H

#include "cli/Geometry.h"
#include "cli/VtpWriter.h"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

namespace angiolith::tool {

/// One vessel's centre line as the report draws it: the number of its tree (as in
/// territories.json) and the line itself, in world coordinates (LPS, millimetres) with the
/// radius in millimetres at each point.
struct ReportLine {
    int tree = 1;
    Polyline line;
};

/// Everything the report shows.
struct ReportContent {
    /// The territories.json document: provenance, vessel rows, totals, resection, warnings.
    nlohmann::json territories = nlohmann::json::object();
    /// The centre lines, matched to the vessel rows by tree and id.
    std::vector<ReportLine> lines;
    /// Points on the tissue's surface (world LPS, millimetres), drawn as a faint cloud.
    std::vector<Vec3> outline;
    /// The projections image (preview.png) as PNG bytes; empty for none.
    std::vector<std::uint8_t> previewPng;
};

/// Writes the report page: one self-contained HTML file holding its style, its scripts (three.js
/// included, with its licence notice), the data and the image, so that it opens offline in any
/// current browser. Throws std::invalid_argument when a line's radii do not match its points.
void writeReport(std::ostream& out, const ReportContent& content);

/// The same into the file @p path. Throws std::runtime_error when it cannot be written.
void writeReportFile(const std::string& path, const ReportContent& content);

}  // namespace angiolith::tool

#endif
