#include "cli/StagedOutputs.h"

#include "cli/PngPreview.h"
#include "cli/TreeFile.h"
#include "cli/VtpWriter.h"

#include <algorithm>

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

void StagedOutputs::file(const std::string& name,
                         const std::function<void(const std::string&)>& write) {
    begin();
    write(folder.stagingPath(name));
    // A file written again (tree.vtp with further arrays) is listed once.
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
}

std::vector<std::uint8_t> StagedOutputs::preview(const Geometry& geometry,
                                                 const Volume* territories, const Volume* mask,
                                                 const ArVesselTree& tree) {
    begin();
    DescriptorPtr binary;
    if (territories == nullptr && mask != nullptr) binary = binarize(*mask->pic);
    std::vector<std::uint8_t> png =
        encodePng(renderPreview(geometry, territories != nullptr ? territories->pic.get() : nullptr,
                                binary.get(), indexLines(tree, geometry)));
    writeFileBytes(folder.stagingPath("preview.png"), png);
    names.push_back("preview.png");
    return png;
}

void StagedOutputs::report(const ReportContent& content) {
    begin();
    writeReportFile(folder.stagingPath("report.html"), content);
    names.insert(names.begin(), "report.html");
}

void StagedOutputs::commit() {
    folder.commit();
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
    progress.done("write", list);
}

}  // namespace angiolith::tool
