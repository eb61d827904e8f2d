#include "diagnostics/DiagnosticLine.h"
#include "extraction/SkeletonAccess.h"

#include <angiolith/extraction/SkeletonGraphExtractor.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>

namespace {

using angiolith::detail::countNonZero;
using angiolith::detail::neighbourOf;
using angiolith::detail::SkeletonReader;

const char* const kNullSkeleton =
    "SkeletonGraphExtractor::labelSkeleton():  Parameter skelVol = NULL";
const char* const kNoEdgeVoxel = "Error in PathFinder::getNextEdgeVoxel(): no next neigbour found";
const char* const kMissingDistances = "PathFinder::getDistanceValue(): missing distances";
const char* const kMissingDistanceValue = "PathFinder::getDistanceValue(): missing distance value";
const char* const kBadIndexOut = "getVectorFromIndex(): falscher Index!";
const char* const kBadIndex = "getVectorFromIndex(): wrong index";

bool larger(const ComponentEntry& a, const ComponentEntry& b) {
    return a.voxelCount < b.voxelCount;
}

// Whether the voxel is a skeleton voxel with one or two skeleton neighbours.
bool isEndOrEdgeVoxel(const SkeletonReader& reader, int x, int y, int z) {
    if (reader.value(x, y, z) == 0) return false;
    unsigned char nb[26];
    reader.neighbours(
        Vector3<short>{static_cast<short>(x), static_cast<short>(y), static_cast<short>(z)}, nb);
    const int n = countNonZero(nb);
    return n == 1 || n == 2;
}

// One face of the cube shell: the plane coordinate is fixed, the outer and inner coordinates
// run from centre - r to centre + r. Positions outside the volume are skipped (they are never
// skeleton voxels), which keeps the visiting order of the inside positions.
struct Face {
    int axis;   // 0 x, 1 y, 2 z: the fixed coordinate
    int sign;   // +1 or -1
    int outer;  // axis of the outer loop
    int inner;  // axis of the inner loop
};

// z = c.z + r (x outer, y inner), z = c.z - r, y = c.y + r (x outer, z inner), y = c.y - r,
// x = c.x + r (y outer, z inner), x = c.x - r.
constexpr Face kFaces[6] = {{2, +1, 0, 1}, {2, -1, 0, 1}, {1, +1, 0, 2},
                            {1, -1, 0, 2}, {0, +1, 1, 2}, {0, -1, 1, 2}};

}  // namespace

namespace angiolith::detail {

void pathFinderFailure(const std::string& message) {
    diagnosticLine(DiagnosticStream::Error, message);
    throw std::runtime_error(message);
}

}  // namespace angiolith::detail

Vector3<short> getVectorFromIndex(short x, short y, short z, unsigned short index) {
    if (index > 25) {
        angiolith::detail::diagnosticLine(DiagnosticStream::Output, kBadIndexOut);
        angiolith::detail::pathFinderFailure(kBadIndex);
    }
    return neighbourOf(Vector3<short>{x, y, z}, index);
}

SkeletonGraphExtractor::SkeletonGraphExtractor(VolumeAccessor<unsigned char>* theVolume,
                                               VolumeAccessor<float>* theDistanceField,
                                               BorderVoxelHashMap* theDistanceValues,
                                               bool theLabelAllComponents)
    : volume(theVolume),
      distanceField(theDistanceField),
      distanceValues(theDistanceValues),
      hasStart(false),
      labelAllComponents(theLabelAllComponents),
      startPoint{0, 0, 0},
      clusterCounter(0) {}

SkeletonGraphExtractor::~SkeletonGraphExtractor() = default;

void SkeletonGraphExtractor::labelSkeleton(VolumeAccessor<unsigned char>* skelVol) {
    if (skelVol == nullptr) angiolith::detail::pathFinderFailure(kNullSkeleton);
    if (hasStart) {
        labelComponent(*skelVol, startPoint);
        markExitPoints(*skelVol, startPoint);
        componentHeap.clear();
        componentHeap.push_back(ComponentEntry{INT_MAX, startPoint});
    }
    if ((labelAllComponents || !hasStart) && !skelVol->isEmpty() &&
        skelVol->getPic()->data != nullptr) {
        // Scans the voxel block in z, y, x order (element order), jumping from one voxel of
        // value 1 to the next; labelling a component turns its voxels from 1 into labels as the
        // scan goes.
        const unsigned char* data = static_cast<const unsigned char*>(skelVol->getPic()->data);
        const std::size_t sx = skelVol->getSizeX(), sy = skelVol->getSizeY();
        const std::size_t total = sx * sy * skelVol->getSizeZ();
        for (std::size_t i = 0; i < total; ++i) {
            const void* hit = std::memchr(data + i, UNLABELED, total - i);
            if (hit == nullptr) break;
            i = static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - data);
            const Vector3<short> seed{static_cast<short>(i % sx), static_cast<short>(i / sx % sy),
                                      static_cast<short>(i / (sx * sy))};
            labelComponent(*skelVol, seed);
            markExitPoints(*skelVol, seed);
        }
    }
    if (!componentHeap.empty()) {
        hasStart = true;
        startPoint = componentHeap.front().point;
    }
}

Vector3<short> SkeletonGraphExtractor::labelComponent(VolumeAccessor<unsigned char>& vol,
                                                      const Vector3<short>& seed) {
    Vector3<short> representative = seed;
    float best = 0.0f;
    int count = 0;
    const SkeletonReader reader(vol);
    queue.clear();
    queue.push_back(seed);
    unsigned char nb[26];
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const Vector3<short> v = queue[head];
        if (reader.value(v.x, v.y, v.z) != UNLABELED) continue;
        ++count;
        reader.neighbours(v, nb);
        const int n = countNonZero(nb);
        for (int i = 0; i < 26; ++i) {
            if (nb[i] == UNLABELED) queue.push_back(neighbourOf(v, i));
        }
        const unsigned char label = n <= 1 ? ENDPOINT : (n == 2 ? EDGEPOINT : BRANCHPOINT);
        vol.setVoxel(v.x, v.y, v.z, label);
        if (label != BRANCHPOINT) {
            const float d = getDistanceValue(v.x, v.y, v.z);
            if (d > best) {
                best = d;
                representative = v;
            }
        }
    }
    queue.clear();
    componentHeap.push_back(ComponentEntry{count, representative});
    std::push_heap(componentHeap.begin(), componentHeap.end(), larger);
    return representative;
}

void SkeletonGraphExtractor::markExitPoints(VolumeAccessor<unsigned char>& vol,
                                            const Vector3<short>& seed) {
    // Every end or edge voxel of the seed's component that touches a branch voxel becomes an
    // exit voxel. The result depends only on the set of voxels reached, not on the order, so a
    // voxel is marked visited when it is queued; the marks are bits over the volume, cleared
    // again through the queue, which then holds every voxel visited exactly once.
    const SkeletonReader reader(vol);
    if (!reader.inside(seed.x, seed.y, seed.z)) return;
    const std::size_t words = reader.elementCount() / 64 + 1;
    if (visitedBits.size() < words) visitedBits.assign(words, 0);
    const auto mark = [&](const Vector3<short>& v) {
        const std::size_t i = reader.index(v.x, v.y, v.z);
        std::uint64_t& word = visitedBits[i / 64];
        const std::uint64_t bit = std::uint64_t{1} << (i % 64);
        if (word & bit) return false;
        word |= bit;
        return true;
    };
    queue.clear();
    queue.push_back(seed);
    mark(seed);
    unsigned char nb[26];
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const Vector3<short> v = queue[head];
        const bool notBranch = reader.value(v.x, v.y, v.z) != BRANCHPOINT;
        bool relabelled = false;
        reader.neighbours(v, nb);
        for (int i = 0; i < 26; ++i) {
            if (nb[i] == 0) continue;
            if (notBranch && nb[i] == BRANCHPOINT && !relabelled) {
                vol.setVoxel(v.x, v.y, v.z, EXITPOINT);
                relabelled = true;
            }
            const Vector3<short> q = neighbourOf(v, i);
            if (mark(q)) queue.push_back(q);
        }
    }
    for (const Vector3<short>& v : queue) {
        const std::size_t i = reader.index(v.x, v.y, v.z);
        visitedBits[i / 64] &= ~(std::uint64_t{1} << (i % 64));
    }
    queue.clear();
}

Vector3<short> SkeletonGraphExtractor::getNextEdgeVoxel(const Vector3<short>& p) {
    const VolumeAccessor<unsigned char>& vol = *volume;
    const SkeletonReader reader(vol);
    if (isEndOrEdgeVoxel(reader, p.x, p.y, p.z)) return p;
    const int centre[3] = {p.x, p.y, p.z};
    const int size[3] = {static_cast<int>(std::min<unsigned>(vol.getSizeX(), INT_MAX)),
                         static_cast<int>(std::min<unsigned>(vol.getSizeY(), INT_MAX)),
                         static_cast<int>(std::min<unsigned>(vol.getSizeZ(), INT_MAX))};
    for (int r = 1; r < size[0] || r < size[1] || r < size[2]; ++r) {
        for (const Face& f : kFaces) {
            const int plane = centre[f.axis] + f.sign * r;
            if (plane < 0 || plane >= size[f.axis]) continue;
            const int outerFrom = std::max(centre[f.outer] - r, 0);
            const int outerTo = std::min(centre[f.outer] + r, size[f.outer] - 1);
            const int innerFrom = std::max(centre[f.inner] - r, 0);
            const int innerTo = std::min(centre[f.inner] + r, size[f.inner] - 1);
            int c[3];
            c[f.axis] = plane;
            for (int a = outerFrom; a <= outerTo; ++a) {
                c[f.outer] = a;
                for (int b = innerFrom; b <= innerTo; ++b) {
                    c[f.inner] = b;
                    if (isEndOrEdgeVoxel(reader, c[0], c[1], c[2])) {
                        return Vector3<short>{static_cast<short>(c[0]), static_cast<short>(c[1]),
                                              static_cast<short>(c[2])};
                    }
                }
            }
        }
    }
    angiolith::detail::diagnosticLine(DiagnosticStream::Output, kNoEdgeVoxel);
    throw std::runtime_error(kNoEdgeVoxel);
}

float SkeletonGraphExtractor::getDistanceValue(const int& x, const int& y, const int& z) {
    if (distanceField != nullptr) {
        return distanceField->getVoxel(static_cast<short>(x), static_cast<short>(y),
                                       static_cast<short>(z));
    }
    if (distanceValues == nullptr) angiolith::detail::pathFinderFailure(kMissingDistances);
    const DistancePoint3D* point = distanceValues->getDistancePoint3D(
        static_cast<short>(x), static_cast<short>(y), static_cast<short>(z));
    if (point == nullptr) angiolith::detail::pathFinderFailure(kMissingDistanceValue);
    return point->getDistance();
}
