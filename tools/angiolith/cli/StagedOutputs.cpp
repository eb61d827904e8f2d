#include "cli/StagedOutputs.h"

#include "cli/GridFile.h"
#include "cli/PngPreview.h"

#include <algorithm>

namespace angiolith::tool {

namespace {

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

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
    volumeBases.push_back(base);
}

void StagedOutputs::forest(const Forest& forest, const Geometry* grid,
                           const std::vector<Polyline>* lines) {
    begin();
    for (std::size_t t = 0; t < forest.size(); ++t) {
        const std::string name = treeFileName(t + 1);
        ArVesselTree tree = forest[t];
        writeTreeFile(folder.stagingPath(name), tree);
        names.push_back(name);
    }
    if (grid != nullptr) {
        if (lines != nullptr) {
            writeVtpFile(folder.stagingPath("tree.vtp"), *lines);
        } else {
            writeVtpFile(folder.stagingPath("tree.vtp"), worldLines(forest, *grid));
        }
        writeGridFile(folder.stagingPath(kGridFileName), *grid);
        names.push_back("tree.vtp");
        names.push_back(kGridFileName);
    }
    wroteForest = true;
}

void StagedOutputs::file(const std::string& name,
                         const std::function<void(const std::string&)>& write) {
    begin();
    write(folder.stagingPath(name));
    names.push_back(name);
}

std::vector<std::uint8_t> StagedOutputs::preview(const Geometry& geometry,
                                                 const Volume* territories, const Volume* mask,
                                                 const Forest& forest) {
    begin();
    DescriptorPtr binary;
    if (territories == nullptr && mask != nullptr) binary = binarize(*mask->pic);
    std::vector<std::uint8_t> png =
        encodePng(renderPreview(geometry, territories != nullptr ? territories->pic.get() : nullptr,
                                binary.get(), indexLines(forest, geometry)));
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
    // Earlier versions of this run's outputs under other names: a volume in another format
    // (with an .nhdr's data file), the files of an earlier forest.
    const std::vector<std::string> staged = folder.stagedNames();
    std::vector<std::string> superseded;
    for (const std::string& existing : folder.existingNames()) {
        if (std::find(staged.begin(), staged.end(), existing) != staged.end()) continue;
        bool earlier = wroteForest && (treeNumberOf(existing) > 0 || existing == "tree.txt" ||
                                       existing == "tree.vtp" || existing == kGridFileName);
        for (const std::string& base : volumeBases) {
            for (const char* extension : {".nii.gz", ".nii", ".nrrd", ".nhdr", ".raw", ".raw.gz"}) {
                earlier = earlier || existing == base + extension;
            }
        }
        if (earlier && !startsWith(existing, ".")) superseded.push_back(existing);
    }
    folder.commit(superseded);
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
    progress.done("write", list);
}

}  // namespace angiolith::tool
