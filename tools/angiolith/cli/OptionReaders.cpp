#include "cli/OptionReaders.h"

#include "cli/Threads.h"
#include "cli/UserError.h"

namespace angiolith::tool {

std::vector<Voxel> startsOf(const Arguments& args, const Geometry& geometry) {
    std::vector<Voxel> starts;
    for (const std::string& text : args.all("start")) {
        const std::array<long, 3> start = args.integerTriple("start", text);
        for (int i = 0; i < 3; ++i) {
            if (start[i] < 0 || start[i] >= static_cast<long>(geometry.size[i])) {
                throw UserError("--start " + text + " lies outside the volume (voxel indices 0.." +
                                std::to_string(geometry.size[0] - 1) + ", 0.." +
                                std::to_string(geometry.size[1] - 1) + ", 0.." +
                                std::to_string(geometry.size[2] - 1) +
                                "); give a voxel inside it, near the root of a tree");
            }
        }
        starts.push_back(start);
    }
    return starts;
}

unsigned long minPartOf(const Arguments& args) {
    const unsigned long minPart = args.unsignedValue("min-part", kDefaultMinPart);
    if (minPart < 1) {
        throw UserError("--min-part needs a whole number of at least 1 (got '" +
                        args.value("min-part") + "'); see 'angiolith " + args.commandName() +
                        " --help'");
    }
    return minPart;
}

LabelChoice labelChoiceOf(const Arguments& args) {
    LabelChoice choice;
    choice.byLabel = args.has("by-label");
    if (args.has("label")) {
        if (choice.byLabel) {
            throw UserError(
                "--label and --by-label exclude each other; give one of them; see "
                "'angiolith " +
                args.commandName() + " --help'");
        }
        const unsigned long label = args.unsignedValue("label", 0);
        if (label < 1 || label > 65535) {
            throw UserError("--label needs a label from 1 to 65535 (got '" + args.value("label") +
                            "'); see 'angiolith " + args.commandName() + " --help'");
        }
        choice.label = static_cast<unsigned int>(label);
    }
    return choice;
}

ImageFormat outputFormatOf(const Arguments& args, const std::string& inputPath) {
    if (args.has("format")) {
        const std::string name = args.choice("format", {"nii.gz", "nii", "nrrd", "nhdr"}, "");
        return *formatOfName(name);
    }
    return formatOfPath(inputPath).value_or(ImageFormat::NiftiGz);
}

float relevanceOf(const Arguments& args) {
    const double relevance = args.numberValue("relevance", 0.5);
    if (!(relevance >= 0.0 && relevance < 1.0)) {
        throw UserError("--relevance needs a number from 0 up to (not including) 1 (got '" +
                        args.value("relevance") + "'); see 'angiolith " + args.commandName() +
                        " --help'");
    }
    return static_cast<float>(relevance);
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

OptionDefinition startOption() {
    return {"start", "X,Y,Z",
            "voxel near the root of a tree, once per tree (default: each tree's thickest end)"};
}

OptionDefinition minPartOption() {
    return {"min-part", "N",
            "leave out skeleton parts of fewer than N voxels, specks rather than vessels "
            "(default " +
                std::to_string(kDefaultMinPart) + ")"};
}

OptionDefinition labelOption() {
    return {"label", "N", "take only the voxels of label N of a label mask as vessels"};
}

OptionDefinition byLabelOption() {
    return {"by-label", "",
            "extract each label of a label mask as a vessel system of its own, its vessels "
            "typed by the label"};
}

}  // namespace angiolith::tool
