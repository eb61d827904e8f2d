#include "cli/OptionReaders.h"

#include "cli/Threads.h"
#include "cli/UserError.h"

namespace angiolith::tool {

std::optional<std::array<long, 3>> startOf(const Arguments& args, const Geometry& geometry) {
    if (!args.has("start")) return std::nullopt;
    const std::array<long, 3> start = args.integerTriple("start");
    for (int i = 0; i < 3; ++i) {
        if (start[i] < 0 || start[i] >= static_cast<long>(geometry.size[i])) {
            throw UserError("--start " + args.value("start") +
                            " lies outside the volume (voxel indices 0.." +
                            std::to_string(geometry.size[0] - 1) + ", 0.." +
                            std::to_string(geometry.size[1] - 1) + ", 0.." +
                            std::to_string(geometry.size[2] - 1) +
                            "); give a voxel inside it, near the root of the tree");
        }
    }
    return start;
}

ImageFormat outputFormatOf(const Arguments& args, const std::string& inputPath) {
    if (args.has("format")) {
        const std::string name = args.choice("format", {"nii.gz", "nii", "nrrd", "nhdr"}, "");
        return *formatOfName(name);
    }
    return formatOfPath(inputPath).value_or(ImageFormat::NiftiGz);
}

float relevanceOf(const Arguments& args) {
    return static_cast<float>(args.numberValue("relevance", 0.5));
}

LabelRule labelRuleOf(const Arguments& args) {
    return *labelRuleOf(args.choice("labels", {"segment", "type", "resection"}, "segment"));
}

ThinningOptions thinningOf(const Arguments& args) {
    ThinningOptions options;
    options.cleaningPasses = static_cast<unsigned int>(args.unsignedValue("cleaning-passes", 0));
    options.mostNeighboursFirst = args.has("most-neighbours-first");
    return options;
}

OptionDefinition outOption(const std::string& what) {
    return {"out", "DIR", "folder to write " + what + " into (created if missing)"};
}

OptionDefinition formatOption() {
    return {"format", "FORMAT",
            "format of the written volumes: nii.gz, nii, nrrd or nhdr (default: that of the "
            "input)"};
}

void applyThreads(const Arguments& args) {
    setWorkerThreads(static_cast<unsigned int>(args.unsignedValue("threads", 0)));
}

OptionDefinition threadsOption() {
    return {"threads", "N",
            "threads for the territories and for compressing the written volumes (default 0: "
            "every core); the results are the same for every number"};
}

OptionDefinition quietOption() { return {"quiet", "", "print no progress lines"}; }

OptionDefinition relevanceOption() {
    return {"relevance", "T",
            "cleaning threshold: a side branch stays when it reaches 1/(1-T) parent radii from "
            "its branching point (default 0.5: two radii)"};
}

OptionDefinition preserveCyclesOption() {
    return {"preserve-cycles", "", "keep side branches that close a loop with another vessel"};
}

OptionDefinition cleaningPassesOption() {
    return {"cleaning-passes", "N",
            "remove line ends during the first N thinning passes (default 0: plain thinning)"};
}

OptionDefinition mostNeighboursFirstOption() {
    return {"most-neighbours-first", "",
            "thin the candidates with the most object neighbours first"};
}

}  // namespace angiolith::tool
