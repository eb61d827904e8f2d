#ifndef ANGIOLITH_TOOLS_CLI_OPTIONREADERS_H
#define ANGIOLITH_TOOLS_CLI_OPTIONREADERS_H

#include "cli/Arguments.h"
#include "cli/Geometry.h"
#include "cli/ImageIO.h"
#include "cli/Stages.h"

#include <array>
#include <optional>
#include <string>

namespace angiolith::tool {

/// The readers of the options several commands share, and those options' definitions. Each
/// reader checks its value and throws UserError with a one-line message when it is wrong.

/// The --start voxel, when given. Throws UserError when it lies outside @p geometry.
std::optional<std::array<long, 3>> startOf(const Arguments& args, const Geometry& geometry);

/// The --format of the written volumes, by default that of @p inputPath.
ImageFormat outputFormatOf(const Arguments& args, const std::string& inputPath);

/// The --relevance threshold (0.5 when not given).
float relevanceOf(const Arguments& args);
/// The --labels rule (segment when not given).
LabelRule labelRuleOf(const Arguments& args);
/// The thinning options (--cleaning-passes, --most-neighbours-first).
ThinningOptions thinningOf(const Arguments& args);

/// Applies --threads (every core when not given) to the program's parallel steps.
void applyThreads(const Arguments& args);

/// The option descriptions several commands share.
OptionDefinition outOption(const std::string& what);
OptionDefinition formatOption();
OptionDefinition quietOption();
OptionDefinition relevanceOption();
OptionDefinition preserveCyclesOption();
OptionDefinition cleaningPassesOption();
OptionDefinition mostNeighboursFirstOption();
OptionDefinition threadsOption();

}  // namespace angiolith::tool

#endif
