#ifndef ANGIOLITH_TOOLS_CLI_REPORT_REPORTCONTENT_H
#define ANGIOLITH_TOOLS_CLI_REPORT_REPORTCONTENT_H

#include "cli/Volume.h"
#include "cli/report/ReportWriter.h"

#include <angiolith/tree/ArVesselTree.h>

#include <cstdint>
#include <vector>

namespace angiolith::tool {

/// At most this many points of the tissue's surface go into a report: enough for the liver's
/// shape, a few hundred kilobytes of page.
inline constexpr std::size_t kReportOutlinePoints = 20000;

/// What the report of @p trees over their territories shows: @p territories (the document of
/// territories.json), the centre lines of every tree in the world coordinates of the volumes'
/// grid (trees numbered from 1, as in territories.json), the surface of the tissue (the
/// non-zero voxels of @p vesselIds) and the projections image @p previewPng.
ReportContent reportContent(nlohmann::json territories, const std::vector<ArVesselTree>& trees,
                            const Volume& vesselIds, std::vector<std::uint8_t> previewPng);

}  // namespace angiolith::tool

#endif
