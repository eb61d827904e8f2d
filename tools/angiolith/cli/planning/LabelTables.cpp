#include "cli/planning/LabelTables.h"

#include "cli/NrrdIO.h"
#include "cli/planning/Quantities.h"

#include <algorithm>
#include <cstdint>
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
    std::vector<bool> present(65536, false);
    const auto* values = static_cast<const std::uint16_t*>(labels.pic->data);
    const unsigned long long n = labels.geometry.voxelCount();
    for (unsigned long long i = 0; i < n; ++i) present[values[i]] = true;
    std::vector<LabelEntry> entries;
    for (unsigned int v = 1; v < present.size(); ++v) {
        if (present[v]) entries.push_back(entryOf(v, rule));
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

    // Per label its bounding box of voxel indices: xmin xmax ymin ymax zmin zmax.
    std::vector<std::array<long, 6>> extent(65536, {0, -1, 0, -1, 0, -1});
    std::vector<bool> seen(65536, false);
    unsigned long long i = 0;
    for (long z = 0; z < long(g.size[2]); ++z) {
        for (long y = 0; y < long(g.size[1]); ++y) {
            for (long x = 0; x < long(g.size[0]); ++x, ++i) {
                const std::uint16_t v = values[i];
                if (narrow) {
                    static_cast<std::uint8_t*>(out.pic->data)[i] = static_cast<std::uint8_t>(v);
                } else {
                    static_cast<std::uint16_t*>(out.pic->data)[i] = v;
                }
                if (v == 0) continue;
                auto& box = extent[v];
                if (!seen[v]) {
                    box = {x, x, y, y, z, z};
                    seen[v] = true;
                }
                box = {std::min(box[0], x), std::max(box[1], x), std::min(box[2], y),
                       std::max(box[3], y), std::min(box[4], z), std::max(box[5], z)};
            }
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
