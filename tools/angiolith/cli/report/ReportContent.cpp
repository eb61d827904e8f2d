#include "cli/report/ReportContent.h"

#include "cli/TreeFile.h"
#include "cli/report/TissueOutline.h"

namespace angiolith::tool {

ReportContent reportContent(nlohmann::json territories, const std::vector<ArVesselTree>& trees,
                            const Volume& vesselIds, std::vector<std::uint8_t> previewPng) {
    ReportContent content;
    content.territories = std::move(territories);
    for (std::size_t t = 0; t < trees.size(); ++t) {
        for (Polyline& line : worldLines(trees[t], vesselIds.geometry)) {
            content.lines.push_back({static_cast<int>(t + 1), std::move(line)});
        }
    }
    content.outline = tissueOutline(vesselIds, kReportOutlinePoints);
    content.previewPng = std::move(previewPng);
    return content;
}

}  // namespace angiolith::tool
