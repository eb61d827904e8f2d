#include "cli/Forest.h"

#include "cli/TreeFile.h"

#include <angiolith/extraction/BreadthFirstTreeExtractor.h>
#include <angiolith/image/VolumeAccessor.h>
#include <angiolith/image/detail/NeighbourOffsets.h>
#include <angiolith/skeleton/DistancePoint3D.h>
#include <angiolith/skeleton/Point3D.h>
#include <angiolith/tree/LinkedTree.h>
#include <angiolith/tree/TreeIterator.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <limits>
#include <list>
#include <memory>
#include <set>
#include <sstream>
#include <tuple>
#include <utility>

namespace angiolith::tool {

namespace {

using angiolith::detail::kNeighbourOffsets26;

// The skeleton's value at element @p i (unsigned 8- or 16-bit).
unsigned int valueAt(const lumoTeskDescriptor& pic, std::size_t i) {
    if (pic.bits == 16) return static_cast<const std::uint16_t*>(pic.data)[i];
    return static_cast<const std::uint8_t*>(pic.data)[i];
}

// Element number of @p v on a grid of @p n voxels, or -1 outside it.
long long elementOf(const std::array<unsigned int, 3>& n, const Voxel& v) {
    for (int i = 0; i < 3; ++i) {
        if (v[i] < 0 || v[i] >= static_cast<long>(n[i])) return -1;
    }
    return (static_cast<long long>(v[2]) * n[1] + v[1]) * n[0] + v[0];
}

// Calls @p visit with each of the 26 neighbours of @p v inside the grid.
template <typename F>
void forNeighbours(const std::array<unsigned int, 3>& n, const Voxel& v, F&& visit) {
    for (const auto& d : kNeighbourOffsets26.d) {
        const Voxel w{v[0] + d[0], v[1] + d[1], v[2] + d[2]};
        const long long e = elementOf(n, w);
        if (e >= 0) visit(w, static_cast<std::size_t>(e));
    }
}

float distanceAt(const Volume& distances, const Voxel& v) {
    return static_cast<const float*>(
        distances.pic->data)[static_cast<std::size_t>(elementOf(distances.geometry.size, v))];
}

double squaredMm(const Voxel& a, const Voxel& b, const Vec3& spacing) {
    double sum = 0.0;
    for (int i = 0; i < 3; ++i) {
        const double d = static_cast<double>(a[i] - b[i]) * spacing[i];
        sum += d * d;
    }
    return sum;
}

// Neighbours of each voxel of @p part within the part, by voxel.
std::vector<int> degreesOf(const SkeletonPart& part, const std::array<unsigned int, 3>& n) {
    std::vector<Voxel> sorted = part.voxels;
    std::sort(sorted.begin(), sorted.end());
    std::vector<int> degrees;
    degrees.reserve(part.voxels.size());
    for (const Voxel& v : part.voxels) {
        int degree = 0;
        forNeighbours(n, v, [&](const Voxel& w, std::size_t) {
            degree += std::binary_search(sorted.begin(), sorted.end(), w) ? 1 : 0;
        });
        degrees.push_back(degree);
    }
    return degrees;
}

// Moves every sample of @p vessel, extracted from a box starting at voxel @p lo, onto the whole
// grid. Positions are recomputed as the extraction computes them, index times spacing in single
// precision, so that they equal those of an extraction on the whole grid to the last bit. The
// vessel's thinned copy of its centre line is rebuilt on its next use.
void shift(Vessel& vessel, const Voxel& lo, const std::array<float, 3>& spacing) {
    std::vector<VesselElement>& elements = vessel.getElementsList();
    for (VesselElement& e : elements) {
        float* position[3] = {&e.position.x, &e.position.y, &e.position.z};
        for (int i = 0; i < 3; ++i) {
            const long index = std::lround(*position[i] / spacing[i]) + lo[i];
            *position[i] = static_cast<float>(index) * spacing[i];
        }
    }
    if (!elements.empty()) {
        // Taking the last sample off and back on marks the centre line as changed.
        const VesselElement last = elements.back();
        Vessel::iterator end = vessel.elementsEnd() - 1;
        vessel.remove(end);
        vessel.add(last);
    }
}

}  // namespace

SkeletonParts findSkeletonParts(const Volume& skeleton, unsigned long minPart) {
    const auto& n = skeleton.geometry.size;
    const lumoTeskDescriptor& pic = *skeleton.pic;
    const std::size_t count = static_cast<std::size_t>(skeleton.geometry.voxelCount());
    std::vector<bool> seen(count, false);
    SkeletonParts parts;
    std::size_t i = 0;
    for (long z = 0; z < static_cast<long>(n[2]); ++z) {
        for (long y = 0; y < static_cast<long>(n[1]); ++y) {
            for (long x = 0; x < static_cast<long>(n[0]); ++x, ++i) {
                const unsigned int label = valueAt(pic, i);
                if (label == 0 || seen[i]) continue;
                SkeletonPart part;
                part.label = label;
                std::vector<Voxel> stack{{x, y, z}};
                seen[i] = true;
                while (!stack.empty()) {
                    const Voxel v = stack.back();
                    stack.pop_back();
                    part.voxels.push_back(v);
                    forNeighbours(n, v, [&](const Voxel& w, std::size_t e) {
                        if (!seen[e] && valueAt(pic, e) == label) {
                            seen[e] = true;
                            stack.push_back(w);
                        }
                    });
                }
                std::sort(part.voxels.begin(), part.voxels.end(),
                          [](const Voxel& a, const Voxel& b) {
                              return std::tie(a[2], a[1], a[0]) < std::tie(b[2], b[1], b[0]);
                          });
                if (part.voxels.size() < minPart) {
                    ++parts.smallParts;
                    parts.smallVoxels += part.voxels.size();
                    continue;
                }
                const std::vector<int> degrees = degreesOf(part, n);
                if (std::none_of(degrees.begin(), degrees.end(), [](int d) { return d <= 2; })) {
                    ++parts.closedParts;
                    continue;
                }
                parts.kept.push_back(std::move(part));
            }
        }
    }
    // Found in scan order of first voxels; a stable sort keeps that order among equal sizes.
    std::stable_sort(parts.kept.begin(), parts.kept.end(),
                     [](const SkeletonPart& a, const SkeletonPart& b) {
                         return a.voxels.size() > b.voxels.size();
                     });
    return parts;
}

std::optional<Voxel> rootOf(const SkeletonPart& part, const Volume& distances,
                            const std::optional<Voxel>& near) {
    const std::vector<int> degrees = degreesOf(part, distances.geometry.size);
    const bool hasEnd = std::find(degrees.begin(), degrees.end(), 1) != degrees.end() ||
                        std::find(degrees.begin(), degrees.end(), 0) != degrees.end();
    std::optional<Voxel> best;
    double bestScore = 0.0;
    for (std::size_t k = 0; k < part.voxels.size(); ++k) {
        const bool candidate =
            near ? degrees[k] <= 2 : (hasEnd ? degrees[k] <= 1 : degrees[k] == 2);
        if (!candidate) continue;
        // Nearest to the start, or thickest: both as "larger is better".
        const double score = near ? -squaredMm(part.voxels[k], *near, distances.geometry.spacing)
                                  : static_cast<double>(distanceAt(distances, part.voxels[k]));
        if (!best || score > bestScore) {
            best = part.voxels[k];
            bestScore = score;
        }
    }
    return best;
}

std::size_t partNearest(const SkeletonParts& parts, const Voxel& voxel, const Vec3& spacing) {
    std::size_t best = 0;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (std::size_t p = 0; p < parts.kept.size(); ++p) {
        for (const Voxel& v : parts.kept[p].voxels) {
            const double d = squaredMm(v, voxel, spacing);
            if (d < bestDistance) {
                bestDistance = d;
                best = p;
            }
        }
    }
    return best;
}

ArVesselTree extractPart(const SkeletonPart& part, const Volume& distances, const Voxel& root,
                         std::optional<int> type) {
    // The part alone, cropped to its bounding box: the extraction then costs the part's size,
    // not the grid's, and sees no other part.
    Voxel lo = part.voxels.front(), hi = part.voxels.front();
    for (const Voxel& v : part.voxels) {
        for (int i = 0; i < 3; ++i) {
            lo[i] = std::min(lo[i], v[i]);
            hi[i] = std::max(hi[i], v[i]);
        }
    }
    const std::array<unsigned int, 3> size{static_cast<unsigned int>(hi[0] - lo[0] + 1),
                                           static_cast<unsigned int>(hi[1] - lo[1] + 1),
                                           static_cast<unsigned int>(hi[2] - lo[2] + 1)};
    DescriptorPtr box = makeDescriptor(lumoTeskTypeUnsigned, 8, size);
    VolumeAccessor<unsigned char> volume(box.get(), 0, false);
    const Vec3& spacing = distances.geometry.spacing;
    volume.setVoxelSizeX(static_cast<float>(spacing[0]));
    volume.setVoxelSizeY(static_cast<float>(spacing[1]));
    volume.setVoxelSizeZ(static_cast<float>(spacing[2]));
    std::vector<std::unique_ptr<DistancePoint3D>> owned;
    std::list<DistancePoint3D*> points;
    auto local = [&](const Voxel& v, int i) { return static_cast<short>(v[i] - lo[i]); };
    for (const Voxel& v : part.voxels) {
        volume.setVoxel(local(v, 0), local(v, 1), local(v, 2), 1);
        owned.push_back(std::make_unique<DistancePoint3D>(local(v, 0), local(v, 1), local(v, 2),
                                                          distanceAt(distances, v), 0.0f, 0.0f));
        points.push_back(owned.back().get());
    }
    Point3D start(local(root, 0), local(root, 1), local(root, 2));

    // The path finder writes the text of its exception to the error stream as well; the tool
    // reports it once, in its own one-line message.
    BreadthFirstTreeExtractor extractor;
    std::ostringstream libraryErrors;
    std::streambuf* const errors = std::cerr.rdbuf(libraryErrors.rdbuf());
    ArVesselTree tree;
    try {
        tree = extractor.getTree(&volume, &points, &start);
        std::cerr.rdbuf(errors);
    } catch (...) {
        std::cerr.rdbuf(errors);
        throw;
    }
    const std::array<float, 3> sizes{volume.getVoxelSizeX(), volume.getVoxelSizeY(),
                                     volume.getVoxelSizeZ()};
    forEachVessel(tree, [&](Vessel& vessel) {
        shift(vessel, lo, sizes);
        if (type) vessel.getProperties().type = static_cast<VesselProperties::NType>(*type);
    });
    return tree;
}

void numberForest(std::vector<ArVesselTree>& trees) {
    // Each tree's ids move up by the largest id of the trees before it: the first tree keeps
    // the library's numbering, and ids stay unique across the forest.
    int offset = 0;
    for (ArVesselTree& tree : trees) {
        int largest = 0;
        forEachVessel(tree, [&](Vessel& vessel) {
            largest = std::max(largest, vessel.getId());
            if (offset == 0) return;
            vessel.setId(vessel.getId() + offset);
            if (vessel.isCyclic()) vessel.setCyclicId(vessel.getCyclicId() + offset);
        });
        offset += largest;
    }
}

ArVesselTree joinForest(const std::vector<ArVesselTree>& trees) {
    int largest = 0;
    for (const ArVesselTree& tree : trees) {
        forEachVessel(tree, [&](Vessel& vessel) { largest = std::max(largest, vessel.getId()); });
    }
    ArVesselTree joined = new LinkedTree<ar<Vessel>>();
    ar<Vessel> root = new Vessel();
    root->setId(largest + 1);
    joined->setRoot(root);
    for (const ArVesselTree& tree : trees) {
        ar<TreeIterator<ar<Vessel>>> at = joined->preorderIterator();
        at->next();
        at->addSubTree(*tree);
    }
    return joined;
}

int loopsOf(const ArVesselTree& tree) {
    std::set<int> ids;
    std::set<std::pair<int, int>> closures;
    forEachVessel(tree, [&](Vessel& vessel) {
        ids.insert(vessel.getId());
        if (vessel.isCyclic()) {
            closures.insert(std::minmax(vessel.getId(), vessel.getCyclicId()));
        }
    });
    // Both vessels where a loop closes usually carry the mark, each naming the other: one loop.
    // A mark that names a vessel no longer in the tree (the cleaning removed it) is a broken loop.
    return static_cast<int>(std::count_if(closures.begin(), closures.end(), [&](const auto& c) {
        return ids.count(c.first) != 0 && ids.count(c.second) != 0;
    }));
}

}  // namespace angiolith::tool
