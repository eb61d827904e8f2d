#include "cli/StagedOutputs.h"

#include "cli/PngPreview.h"
#include "cli/TreeFile.h"
#include "cli/VtpWriter.h"

namespace angiolith::tool {

StagedOutputs::StagedOutputs(const std::string& theFolder, ImageFormat theFormat,
                             Progress& theProgress)
    : folder(theFolder), format(theFormat), progress(theProgress) {}

void StagedOutputs::begin() {
    if (names.empty()) progress.start("write", folder.path());
}

void StagedOutputs::volume(const std::string& base, const Volume& volume) {
    begin();
    const std::string name = base + extensionOf(format);
    writeImage(folder.stagingPath(name), volume);
    names.push_back(name);
}

void StagedOutputs::tree(ArVesselTree& tree, const Geometry* geometry) {
    begin();
    writeTreeFile(folder.stagingPath("tree.txt"), tree);
    names.push_back("tree.txt");
    if (geometry != nullptr) {
        writeVtpFile(folder.stagingPath("tree.vtp"), worldLines(tree, *geometry));
        names.push_back("tree.vtp");
    }
}

void StagedOutputs::preview(const Geometry& geometry, const Volume* territories, const Volume* mask,
                            const ArVesselTree& tree) {
    begin();
    DescriptorPtr binary;
    if (territories == nullptr && mask != nullptr) binary = binarize(*mask->pic);
    writePng(folder.stagingPath("preview.png"),
             renderPreview(geometry, territories != nullptr ? territories->pic.get() : nullptr,
                           binary.get(), indexLines(tree, geometry)));
    names.push_back("preview.png");
}

void StagedOutputs::commit() {
    folder.commit();
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
    progress.done("write", list);
}

}  // namespace angiolith::tool
