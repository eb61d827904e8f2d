#include "cli/Command.h"
#include "cli/OptionReaders.h"
#include "cli/StageRunners.h"
#include "cli/StagedOutputs.h"
#include "cli/UserError.h"
#include "phantom/VesselPhantom.h"

#include <iostream>

namespace angiolith::tool {

namespace {

phantom::PhantomOptions presetOf(const std::string& size) {
    if (size == "tiny") return phantom::PhantomOptions::tiny();
    if (size == "medium") return phantom::PhantomOptions::medium();
    if (size == "ct") return phantom::PhantomOptions::ct();
    return phantom::PhantomOptions::small();
}

int makePhantomFiles(const Arguments& args) {
    Progress progress(std::cout, args.has("quiet"));
    phantom::PhantomOptions options =
        presetOf(args.choice("size", {"tiny", "small", "medium", "ct"}, "small"));
    options.seed = static_cast<unsigned>(args.unsignedValue("seed", options.seed));
    options.surfaceBumps = args.has("bumps");
    options.tissue = true;
    Geometry geometry;
    geometry.size = {options.sizeX, options.sizeY, options.sizeZ};
    if (args.has("spacing")) {
        const auto spacing = args.numberTriple("spacing");
        for (double s : spacing) {
            if (!(s > 0.0)) {
                throw UserError("--spacing needs three positive numbers (got '" +
                                args.value("spacing") + "'); see 'angiolith phantom --help'");
            }
        }
        options.spacingX = static_cast<float>(spacing[0]);
        options.spacingY = static_cast<float>(spacing[1]);
        options.spacingZ = static_cast<float>(spacing[2]);
    }
    geometry.spacing = {options.spacingX, options.spacingY, options.spacingZ};
    if (args.has("origin")) {
        const auto origin = args.numberTriple("origin");
        geometry.origin = {origin[0], origin[1], origin[2]};
    }
    const ImageFormat format = args.has("format") ? outputFormatOf(args, "") : ImageFormat::NiftiGz;
    StagedOutputs outputs(args.value("out"), format, progress);

    progress.start("phantom", sizeText(geometry.size) + " voxels");
    phantom::Phantom made = phantom::makePhantom(options);
    const Volume vessels{DescriptorPtr(made.takeVessels()), geometry};
    const Volume liver{DescriptorPtr(made.takeTissue()), geometry};
    progress.done("phantom", std::to_string(made.truth.size()) + " vessels, " +
                                 std::to_string(countNonZero(*vessels.pic)) +
                                 " vessel voxels, root voxel " + std::to_string(made.rootVoxel.x) +
                                 "," + std::to_string(made.rootVoxel.y) + "," +
                                 std::to_string(made.rootVoxel.z));
    outputs.volume("vessels", vessels);
    outputs.volume("liver", liver);
    outputs.commit();
    return 0;
}

}  // namespace

Command phantomCommand() {
    CommandDefinition definition;
    definition.name = "phantom";
    definition.summary =
        "write a synthetic vessel tree and liver mask to try the other commands on";
    definition.options = {
        outOption("vessels and liver"),
        {"size", "SIZE", "tiny (32^3), small (64^3, default), medium (256^3) or ct (512x512x256)"},
        {"seed", "N", "seed of the random tree (default 1); equal seeds, equal files"},
        {"spacing", "X,Y,Z", "voxel spacing in mm (default 1,1,1)"},
        {"origin", "X,Y,Z", "world position of voxel 0,0,0 in mm, LPS (default 0,0,0)"},
        {"bumps", "", "add short spurs on the vessel surfaces, for the cleaning"},
        formatOption(),
        quietOption()};
    definition.required = {"out"};
    definition.description =
        "Writes vessels (the vessel mask) and liver (the tissue mask, vessels included),\n"
        "unsigned 8-bit 0/1 masks on one grid, as NIfTI (.nii.gz) unless --format says\n"
        "otherwise. Its progress line names the root voxel, which 'run --start' takes.";
    definition.example =
        "  angiolith phantom --out demo --size small --seed 1\n"
        "  angiolith run demo/vessels.nii.gz --tissue demo/liver.nii.gz --out demo/result";
    return {definition, makePhantomFiles};
}

}  // namespace angiolith::tool
