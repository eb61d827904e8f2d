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

/// A label volume and the rule that relabelled it.
struct RelabelledVolume {
    const Volume* labels;  ///< borrowed
    LabelRule rule;
};

/// Writes the outputs of a territory computation (@p territories as the territory stage left
/// them, voxels per id counted), in this order: with @p withTrees the tree files and the grid
/// file of provenance.grid with tree.vtp between them, vessel-ids and distances, the label files
/// of each of @p relabelled, territories.json and territories.csv (see territoriesJson for
/// @p resection), without @p withTrees tree.vtp, then preview.png (on provenance.grid, coloured
/// by @p previewLabels) and report.html. tree.vtp carries the planning arrays. Tissue that no
/// vessel of @p trees is given is added to the warnings. Returns the quantities measured.
Quantities writeTerritoryOutputs(StagedOutputs& outputs, const std::vector<ArVesselTree>& trees,
                                 const Territories& territories,
                                 const std::vector<RelabelledVolume>& relabelled,
                                 Provenance provenance, bool resection, const Volume& previewLabels,
                                 bool withTrees);

/// The options of @p args as JSON, by long name: numbers as numbers, flags as true.
nlohmann::json optionsJson(const Arguments& args);

/// Writes the label volume @p labels as labels-RULE, its colour tables labels-RULE.ctbl and
/// labels-RULE.label.txt and the segmentation labels-RULE.seg.nrrd.
void writeLabelFiles(StagedOutputs& outputs, const Volume& labels, LabelRule rule);

}  // namespace angiolith::tool::planning

#endif
