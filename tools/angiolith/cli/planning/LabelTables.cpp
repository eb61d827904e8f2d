#include "cli/planning/LabelTables.h"

#include "cli/NrrdIO.h"
#include "cli/planning/Quantities.h"

#include <angiolith/detail/ParallelChunks.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <sstream>

namespace angiolith::tool::planning {

namespace {

// Twelve well-separated colours for segment numbers.
constexpr std::array<std::array<unsigned char, 3>, 12> kPalette{{{230, 25, 75},
                                                                 {60, 180, 75},
                                                                 {255, 225, 25},
                                                                 {0, 130, 200},
                                                                 {245, 130, 48},
                                                                 {145, 30, 180},
                                                                 {70, 240, 240},
                                                                 {240, 50, 230},
                                                                 {210, 245, 60},
                                                                 {250, 190, 212},
                                                                 {0, 128, 128},
                                                                 {170, 110, 40}}};
constexpr std::array<unsigned char, 3> kGrey{128, 128, 128};

LabelEntry entryOf(unsigned int value, LabelRule rule) {
    LabelEntry e;
    e.value = value;
    switch (rule) {
        case LabelRule::Segment:
            e.name = value == 1 ? "undefined" : "segment " + std::to_string(value);
            e.rgb = value == 1 ? kGrey : kPalette[value % kPalette.size()];
            break;
        case LabelRule::Type:
            e.name = value == 1   ? "hepatic"
                     : value == 2 ? "portal"
                                  : "type " + std::to_string(value);
            e.rgb = value == 1   ? std::array<unsigned char, 3>{0, 130, 200}
                    : value == 2 ? std::array<unsigned char, 3>{145, 30, 180}
                                 : kGrey;
            break;
        case LabelRule::Resection:
            e.name = value == static_cast<unsigned>(kResectionRemnant)    ? "remnant"
                     : value == static_cast<unsigned>(kResectionResected) ? "resected"
                     : value == static_cast<unsigned>(kResectionUndefined)
                         ? "undefined"
                         : "resection " + std::to_string(value);
            e.rgb = value == static_cast<unsigned>(kResectionRemnant)
                        ? std::array<unsigned char, 3>{60, 180, 75}
                    : value == static_cast<unsigned>(kResectionResected)
                        ? std::array<unsigned char, 3>{230, 25, 75}
                        : kGrey;
            break;
    }
    return e;
}

std::string underscored(std::string name) {
    std::replace(name.begin(), name.end(), ' ', '_');
    return name;
}

}  // namespace

std::vector<LabelEntry> labelsOf(const Volume& labels, LabelRule rule) {
    const std::vector<unsigned long long> counts = valueCounts16(*labels.pic);
    std::vector<LabelEntry> entries;
    for (unsigned int v = 1; v < counts.size(); ++v) {
        if (counts[v] > 0) entries.push_back(entryOf(v, rule));
    }
    return entries;
}

void writeColourTable(std::ostream& out, const std::vector<LabelEntry>& entries) {
    out << "# Colour table written by angiolith: value name R G B A\n";
    out << "0 background 0 0 0 0\n";
    for (const LabelEntry& e : entries) {
        out << e.value << " " << underscored(e.name) << " " << int(e.rgb[0]) << " " << int(e.rgb[1])
            << " " << int(e.rgb[2]) << " 255\n";
    }
}

void writeLabelDescriptions(std::ostream& out, const std::vector<LabelEntry>& entries) {
    out << "# Label descriptions written by angiolith\n"
           "# IDX: label value; R G B: colour (0..255); A: opacity (0..1);\n"
           "# VIS: label visibility; MSH: mesh visibility; LABEL: name\n";
    out << "    0     0    0    0        0  0  0    \"Clear Label\"\n";
    for (const LabelEntry& e : entries) {
        out << std::setw(5) << e.value << " " << std::setw(5) << int(e.rgb[0]) << " "
            << std::setw(4) << int(e.rgb[1]) << " " << std::setw(4) << int(e.rgb[2])
            << "        1  1  1    \"" << e.name << "\"\n";
    }
}

void writeSegmentation(const std::string& path, const Volume& labels,
                       const std::vector<LabelEntry>& entries) {
    const Geometry& g = labels.geometry;
    const auto* values = static_cast<const std::uint16_t*>(labels.pic->data);
    unsigned int largest = 0;
    for (const LabelEntry& e : entries) largest = std::max(largest, e.value);
    const bool narrow = largest <= 255;
    Volume out{makeDescriptor(lumoTeskTypeUnsigned, narrow ? 8 : 16, g.size), g};

    // Per label its bounding box of voxel indices: xmin xmax ymin ymax zmin zmax, gathered plane
    // by plane on the worker threads (a box per label and worker, merged afterwards) while the
    // values are copied into the segmentation's element kind.
    using Extent = std::array<long, 6>;
    constexpr Extent kNoVoxel{0, -1, 0, -1, 0, -1};
    const long nx = g.size[0], ny = g.size[1];
    const std::size_t planeSize = static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny);
    const unsigned workers = angiolith::detail::resolveThreads(workerThreads(), g.size[2]);
    std::vector<std::vector<Extent>> extents(workers, std::vector<Extent>(65536, kNoVoxel));
    angiolith::detail::parallelChunks(workers, g.size[2], [&](unsigned worker, std::size_t z) {
        std::vector<Extent>& boxes = extents[worker];
        const std::uint16_t* plane = values + z * planeSize;
        if (narrow) {
            auto* to = static_cast<std::uint8_t*>(out.pic->data) + z * planeSize;
            for (std::size_t i = 0; i < planeSize; ++i) to[i] = static_cast<std::uint8_t>(plane[i]);
        } else {
            std::memcpy(static_cast<std::uint16_t*>(out.pic->data) + z * planeSize, plane,
                        planeSize * sizeof(std::uint16_t));
        }
        for (long y = 0; y < ny; ++y) {
            const std::uint16_t* row = plane + y * nx;
            // Run by run of one value: a run widens its label's box once.
            for (long x = 0; x < nx;) {
                const std::uint16_t v = row[x];
                long last = x;
                while (last + 1 < nx && row[last + 1] == v) ++last;
                if (v != 0) {
                    Extent& box = boxes[v];
                    const long lz = static_cast<long>(z);
                    if (box[1] < 0) box = {x, last, y, y, lz, lz};
                    box = {std::min(box[0], x), std::max(box[1], last), std::min(box[2], y),
                           std::max(box[3], y), std::min(box[4], lz),   std::max(box[5], lz)};
                }
                x = last + 1;
            }
        }
    });
    std::vector<Extent>& extent = extents[0];
    for (unsigned w = 1; w < workers; ++w) {
        for (const LabelEntry& e : entries) {
            const Extent& b = extents[w][e.value];
            if (b[1] < 0) continue;
            Extent& box = extent[e.value];
            if (box[1] < 0) box = b;
            box = {std::min(box[0], b[0]), std::max(box[1], b[1]), std::min(box[2], b[2]),
                   std::max(box[3], b[3]), std::min(box[4], b[4]), std::max(box[5], b[5])};
        }
    }

    std::vector<std::pair<std::string, std::string>> fields;
    for (std::size_t s = 0; s < entries.size(); ++s) {
        const LabelEntry& e = entries[s];
        const std::string key = "Segment" + std::to_string(s) + "_";
        std::ostringstream colour, box;
        colour << std::setprecision(6) << e.rgb[0] / 255.0 << " " << e.rgb[1] / 255.0 << " "
               << e.rgb[2] / 255.0;
        const auto& b = extent[e.value];
        box << b[0] << " " << b[1] << " " << b[2] << " " << b[3] << " " << b[4] << " " << b[5];
        fields.emplace_back(key + "ID", "Segment_" + std::to_string(e.value));
        fields.emplace_back(key + "Name", e.name);
        fields.emplace_back(key + "NameAutoGenerated", "0");
        fields.emplace_back(key + "Color", colour.str());
        fields.emplace_back(key + "ColorAutoGenerated", "0");
        fields.emplace_back(key + "LabelValue", std::to_string(e.value));
        fields.emplace_back(key + "Layer", "0");
        fields.emplace_back(key + "Extent", box.str());
    }
    fields.emplace_back("Segmentation_MasterRepresentation", "Binary labelmap");
    fields.emplace_back("Segmentation_SourceRepresentation", "Binary labelmap");
    fields.emplace_back("Segmentation_ContainedRepresentationNames", "Binary labelmap|");
    fields.emplace_back("Segmentation_ReferenceImageExtentOffset", "0 0 0");
    writeNrrd(path, out, fields);
}

}  // namespace angiolith::tool::planning
