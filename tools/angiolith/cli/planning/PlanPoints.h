#ifndef ANGIOLITH_TOOLS_CLI_PLANNING_PLANPOINTS_H
#define ANGIOLITH_TOOLS_CLI_PLANNING_PLANPOINTS_H

#include "cli/Geometry.h"

#include <optional>
#include <string>
#include <vector>

namespace angiolith::tool::planning {

/// What a point placed on a centre line asks for.
struct PlanAction {
    enum Kind { Segment, Hepatic, Portal, Cut } kind = Cut;
    int segment = 0;  ///< for Segment: the segment number, 1 to 65535
};

/// The action a label names: "segment N", "hepatic", "portal" or "cut" (case and surrounding
/// spaces ignored); none for anything else.
std::optional<PlanAction> actionOf(const std::string& label);

/// One point of a plan, in world millimetres in the LPS frame.
struct PlanPoint {
    std::string name;  ///< its label in the viewer, or "line N" of a CSV file
    Vec3 lps{0, 0, 0};
    PlanAction action;
};

/// Reads the points of a plan from @p path: a markups JSON file as a viewer saves a point list
/// (".mrk.json": markups[].controlPoints[] with "position" and "label", in the frame that its
/// "coordinateSystem" declares, "LPS" or "RAS"; a point's action is its label, or its
/// description when the label names none), or a CSV file of lines x,y,z,action in LPS
/// millimetres (a first line of column names is skipped; '#' starts a comment line). A UTF-8
/// byte order mark is ignored. Markups points not placed (a "positionStatus" other than
/// "defined") are left out, each with a line in @p warnings (borrowed; may be null). Throws
/// UserError with a one-line message for a file in neither format, a markup that is not a point
/// list, a frame that is not declared or not LPS or RAS, an unknown action and a file without
/// points.
std::vector<PlanPoint> readPlanPoints(const std::string& path,
                                      std::vector<std::string>* warnings = nullptr);

}  // namespace angiolith::tool::planning

#endif
