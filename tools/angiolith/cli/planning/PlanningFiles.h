#ifndef ANGIOLITH_TOOLS_CLI_PLANNING_PLANNINGFILES_H
#define ANGIOLITH_TOOLS_CLI_PLANNING_PLANNINGFILES_H

#include "cli/Arguments.h"
#include "cli/StagedOutputs.h"
#include "cli/Stages.h"
#include "cli/planning/Quantities.h"
#include "cli/planning/TerritoriesTable.h"

#include <angiolith/tree/ArVesselTree.h>

#include <string>
#include <vector>

namespace angiolith::tool::planning {

/// Measures @p trees over their territories @p vesselIds and writes territories.json,
/// territories.csv (see territoriesJson for @p resection) and tree.vtp with the planning
/// arrays. Tissue that no vessel of the trees is given is added to the warnings. With
/// @p document (borrowed), the content of territories.json is also put there (for the report).
Quantities writeTerritoryFiles(StagedOutputs& outputs, const std::vector<ArVesselTree>& trees,
                               const Volume& vesselIds, Provenance provenance, bool resection,
                               nlohmann::json* document = nullptr);

/// The options of @p args as JSON, by long name: numbers as numbers, flags as true.
nlohmann::json optionsJson(const Arguments& args);

/// Writes the label volume @p labels as labels-RULE, its colour tables labels-RULE.ctbl and
/// labels-RULE.label.txt and the segmentation labels-RULE.seg.nrrd.
void writeLabelFiles(StagedOutputs& outputs, const Volume& labels, LabelRule rule);

}  // namespace angiolith::tool::planning

#endif
