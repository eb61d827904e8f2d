#include "diagnostics/DiagnosticLine.h"
#include "skeleton/BorderOrder.h"

#include <angiolith/skeleton/SelleSkeletonizer.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace {

using angiolith::detail::BorderVoxelHashMapBase;
using angiolith::detail::packVoxelKey;

const char* const kNoNeighbours =
    "Error in Selle Skeletonizer::getNextNeighbour(...): Point has no neighbours!";

// The face directions in the order the front advances and neighbours are looked up:
// -x, +x, -y, +y, -z, +z.
constexpr int kFaceSteps[6][3] = {{-1, 0, 0}, {1, 0, 0},  {0, -1, 0},
                                  {0, 1, 0},  {0, 0, -1}, {0, 0, 1}};

// Axes (0 x, 1 y, 2 z) by ascending spacing, for each spacing order code of VolumeAccessor.
constexpr int kAxesBySpacing[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2},
                                      {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};

struct Vector {
    float x, y, z;
    float squaredLength() const { return x * x + y * y + z * z; }
};

// The vector a voxel at offset (dx, dy, dz) from q inherits from q.
Vector inherit(const DistancePoint3D& q, int dx, int dy, int dz, const float spacing[3]) {
    return Vector{q.getDistanceX() + static_cast<float>(dx < 0 ? -dx : dx) * spacing[0],
                  q.getDistanceY() + static_cast<float>(dy < 0 ? -dy : dy) * spacing[1],
                  q.getDistanceZ() + static_cast<float>(dz < 0 ? -dz : dz) * spacing[2]};
}

short shifted(short c, int d) { return static_cast<short>(c + d); }

// Position of the first nonzero byte of row[from, end), or end.
unsigned int nextObject(const unsigned char* row, unsigned int from, unsigned int end) {
    while (from + 8 <= end) {
        std::uint64_t word;
        std::memcpy(&word, row + from, sizeof word);
        if (word != 0) break;
        from += 8;
    }
    while (from < end && row[from] == 0) ++from;
    return from;
}

// Rank of a packed voxel key in storage order: z, then y, then x, each as a signed value.
std::uint64_t storageRank(std::uint64_t key) {
    constexpr std::uint64_t kFlipSigns = 0x800080008000ULL;  // order negative before positive
    return key ^ kFlipSigns;
}

using angiolith::detail::RankedPoint;
using angiolith::detail::sortByRank;

// Moves the entry of p from one map to the other without reallocating it; a point the source
// map does not hold is inserted as it is.
void moveEntry(BorderVoxelHashMap& from, BorderVoxelHashMap& to, DistancePoint3D* p) {
    const auto it =
        from.BorderVoxelHashMapBase::find(packVoxelKey(p->getX(), p->getY(), p->getZ()));
    if (it == from.end()) {
        to.insert(p);
    } else {
        to.BorderVoxelHashMapBase::insert(from.extract(it));
    }
}

}  // namespace

SelleSkeletonizer::SelleSkeletonizer(lumoTeskDescriptor* pic, bool mostNeighboursFirst,
                                     bool noDistanceField)
    : Skeletonizer(pic, mostNeighboursFirst, noDistanceField),
      iteration(1),
      minVoxelSize(volume->getMinVoxelSize()),
      borderVoxels(new BorderVoxelHashMap()),
      previousBorderVoxels(nullptr),
      skeletalVoxels(nullptr) {}

SelleSkeletonizer::~SelleSkeletonizer() {
    if (previousBorderVoxels != nullptr) {
        for (auto& entry : *previousBorderVoxels) {
            DistancePoint3D* p = entry.second;
            borderVoxels->erase(p->getX(), p->getY(), p->getZ());
            delete p;
        }
        previousBorderVoxels->clear();
    }
    borderVoxels->deleteAll();
    delete previousBorderVoxels;
    delete borderVoxels;
    delete skeletalVoxels;
}

void SelleSkeletonizer::skeletonize() { runPasses(nullptr); }

void SelleSkeletonizer::runPasses(const std::function<void()>& afterProcessing) {
    // A second run would find the first run's border voxels again; it does nothing instead.
    if (skeletalVoxels != nullptr) return;
    iteration = 1;
    init();
    bool stopFlag = false;
    for (;;) {
        divideNewBorder();
        delete skeletalVoxels;
        skeletalVoxels = borderVoxelListProcessor->processBorderVoxelList(&currentBorder);
        if (skeletalVoxels == nullptr) skeletalVoxels = new std::list<DistancePoint3D*>();
        if (afterProcessing) afterProcessing();
        computeNewBorder();
        ++iteration;
        if (borderVoxelListProcessor->getNumberOfDeletedVoxels() == 0) {
            // Ends at the second pass overall that deletes nothing; the flag is never cleared.
            if (stopFlag) break;
            stopFlag = true;
        }
    }
}

void SelleSkeletonizer::setVolumeVoxelSizeX(float s) {
    volume->setVoxelSizeX(s);
    updateMinVoxelSize();
}

void SelleSkeletonizer::setVolumeVoxelSizeY(float s) {
    volume->setVoxelSizeY(s);
    updateMinVoxelSize();
}

void SelleSkeletonizer::setVolumeVoxelSizeZ(float s) {
    volume->setVoxelSizeZ(s);
    updateMinVoxelSize();
}

void SelleSkeletonizer::updateMinVoxelSize() {
    switch (volume->getVoxelSizeOrder()) {
        case 0:
        case 1:
            minVoxelSize = volume->getVoxelSizeX();
            break;
        case 2:
        case 3:
            minVoxelSize = volume->getVoxelSizeY();
            break;
        default:
            minVoxelSize = volume->getVoxelSizeZ();
            break;
    }
}

bool SelleSkeletonizer::isBorderVoxel(unsigned char* const nb6) {
    for (int i = 0; i < 6; ++i) {
        if (nb6[i] == 0) return true;
    }
    return false;
}

std::list<DistancePoint3D*>* SelleSkeletonizer::getSkeletalVoxels() { return skeletalVoxels; }

void SelleSkeletonizer::init() {
    const unsigned int sizeX = volume->getSizeX(), sizeY = volume->getSizeY(),
                       sizeZ = volume->getSizeZ();
    const float spacing[3] = {volume->getVoxelSizeX(), volume->getVoxelSizeY(),
                              volume->getVoxelSizeZ()};
    const int* axes = kAxesBySpacing[volume->getVoxelSizeOrder() % 6];
    unsigned char* data = static_cast<unsigned char*>(volume->getPic()->data);
    const std::size_t plane = static_cast<std::size_t>(sizeX) * sizeY;
    unsigned char nb6[6];
    // Scanned in storage order: the classification of a voxel depends only on which face
    // neighbours are zero, and marking (1 or 3) never makes a voxel zero, so the order matters
    // only for the map's insertion order. Rows are skipped eight background voxels at a time.
    // Most rows of a vessel mask are empty: each is first compared as a whole with a row of
    // zeros (a vectorised comparison), and only rows holding object voxels are walked.
    const std::vector<unsigned char> emptyRow(sizeX, 0);
    for (unsigned int z = 0; z < sizeZ; ++z) {
        for (unsigned int y = 0; y < sizeY; ++y) {
            unsigned char* row =
                data + static_cast<std::size_t>(z) * plane + static_cast<std::size_t>(y) * sizeX;
            if (std::memcmp(row, emptyRow.data(), sizeX) == 0) continue;
            const bool innerRow = y > 0 && z > 0 && y + 1 < sizeY && z + 1 < sizeZ;
            for (unsigned int x = nextObject(row, 0, sizeX); x < sizeX;
                 x = nextObject(row, x + 1, sizeX)) {
                const short sx = static_cast<short>(x), sy = static_cast<short>(y),
                            sz = static_cast<short>(z);
                if (innerRow && x > 0 && x + 1 < sizeX) {
                    // Inside the grid the face neighbours are read straight from the buffer,
                    // in the accessor's order +z, -z, -x, +x, +y, -y.
                    const unsigned char* at = row + x;
                    nb6[0] = at[plane];
                    nb6[1] = *(at - plane);
                    nb6[2] = at[-1];
                    nb6[3] = at[1];
                    nb6[4] = at[sizeX];
                    nb6[5] = *(at - sizeX);
                } else {
                    volume->get6Neighbourhood(sx, sy, sz, nb6);
                }
                if (!isBorderVoxel(nb6)) {
                    row[x] = 3;
                    continue;
                }
                // Background on either side of an axis: +z/-z are 0/1, -x/+x 2/3, +y/-y 4/5.
                const bool touches[3] = {nb6[2] == 0 || nb6[3] == 0, nb6[4] == 0 || nb6[5] == 0,
                                         nb6[0] == 0 || nb6[1] == 0};
                auto* p = new DistancePoint3D(sx, sy, sz, 0.0f, 0.0f, 0.0f);
                for (int k = 0; k < 3; ++k) {
                    const int axis = axes[k];
                    if (!touches[axis]) continue;
                    if (axis == 0) p->setDistanceX(spacing[0]);
                    if (axis == 1) p->setDistanceY(spacing[1]);
                    if (axis == 2) p->setDistanceZ(spacing[2]);
                    break;
                }
                borderVoxels->insert(p);
                row[x] = 1;
                distanceField->setVoxel(sx, sy, sz, p->getDistance());
            }
        }
    }
}

void SelleSkeletonizer::divideNewBorder() {
    // The border is taken in storage order (z, then y, then x), which serves as the map's
    // iteration order: neighbouring candidates are then processed one after the other, and the
    // neighbourhood reads of the processor stay within a few cache lines and pages.
    std::vector<RankedPoint> ordered;
    ordered.reserve(borderVoxels->size());
    for (const auto& entry : *borderVoxels)
        ordered.push_back({storageRank(entry.first.packed()), entry.second});
    sortByRank(ordered);
    // The nodes of the last pass's lists are reused, so dividing allocates no list nodes.
    std::list<DistancePoint3D*> spare;
    spare.splice(spare.end(), currentBorder);
    spare.splice(spare.end(), remainingBorder);
    const float threshold = static_cast<float>(iteration) * minVoxelSize;
    for (const RankedPoint& entry : ordered) {
        DistancePoint3D* p = entry.point;
        auto& target = threshold >= p->getDistance() ? currentBorder : remainingBorder;
        if (spare.empty()) {
            target.push_back(p);
        } else {
            spare.front() = p;
            target.splice(target.end(), spare, spare.begin());
        }
    }
}

DistancePoint3D* SelleSkeletonizer::getNextDistancePoint3D(short x, short y, short z) {
    const float spacing[3] = {volume->getVoxelSizeX(), volume->getVoxelSizeY(),
                              volume->getVoxelSizeZ()};
    DistancePoint3D* best = nullptr;
    float bestLength = 0.0f;
    if (previousBorderVoxels != nullptr) {
        for (const auto& step : kFaceSteps) {
            DistancePoint3D* q = previousBorderVoxels->getDistancePoint3D(
                shifted(x, step[0]), shifted(y, step[1]), shifted(z, step[2]));
            if (q == nullptr) continue;
            const float length = inherit(*q, step[0], step[1], step[2], spacing).squaredLength();
            if (best == nullptr || length < bestLength) {
                best = q;
                bestLength = length;
            }
        }
    }
    if (best == nullptr) angiolith::detail::diagnosticLine(DiagnosticStream::Output, kNoNeighbours);
    return best;
}

void SelleSkeletonizer::computeNewBorder() {
    const float spacing[3] = {volume->getVoxelSizeX(), volume->getVoxelSizeY(),
                              volume->getVoxelSizeZ()};
    previousBorderVoxels = borderVoxels;
    borderVoxels = new BorderVoxelHashMap();
    borderVoxels->reserve(previousBorderVoxels->size());

    // Remaining border: shorten vectors in place, so later points already see the update.
    for (DistancePoint3D* p : remainingBorder) {
        const short x = p->getX(), y = p->getY(), z = p->getZ();
        DistancePoint3D* q = getNextDistancePoint3D(x, y, z);
        if (q == nullptr || !(q->getSquaredDistance() < p->getSquaredDistance())) continue;
        const Vector v = inherit(*q, x - q->getX(), y - q->getY(), z - q->getZ(), spacing);
        if (v.squaredLength() < p->getSquaredDistance()) {
            p->setDistanceXYZ(v.x, v.y, v.z);
            distanceField->setVoxel(x, y, z, p->getDistance());
        }
    }

    // Advance the front behind every point of the current border, deleted ones included.
    // Only previousBorderVoxels is consulted here, so the new points may enter the new map
    // before the old entries move over.
    // The volume is read and marked through its buffer; outside it every voxel reads 0.
    unsigned char* const data = static_cast<unsigned char*>(volume->getPic()->data);
    const long sizeX = volume->getSizeX(), sizeY = volume->getSizeY(), sizeZ = volume->getSizeZ();
    const auto cell = [&](short x, short y, short z) -> unsigned char* {
        if (x < 0 || y < 0 || z < 0 || x >= sizeX || y >= sizeY || z >= sizeZ) return nullptr;
        return data + ((static_cast<std::ptrdiff_t>(z) * sizeY + y) * sizeX + x);
    };
    for (DistancePoint3D* p : currentBorder) {
        const short px = p->getX(), py = p->getY(), pz = p->getZ();
        for (const auto& step : kFaceSteps) {
            const short x = shifted(px, step[0]), y = shifted(py, step[1]),
                        z = shifted(pz, step[2]);
            unsigned char* const at = cell(x, y, z);
            if (at == nullptr || *at != 3) continue;
            auto* n = new DistancePoint3D(x, y, z, 0.0f, 0.0f, 0.0f);
            DistancePoint3D* r = getNextDistancePoint3D(x, y, z);
            if (r != nullptr) {
                const Vector v = inherit(*r, x - r->getX(), y - r->getY(), z - r->getZ(), spacing);
                n->setDistanceXYZ(v.x, v.y, v.z);
            }
            borderVoxels->insert(n);
            *at = 1;
            distanceField->setVoxel(x, y, z, n->getDistance());
        }
    }

    // The remaining border and the survivors change maps; what is left in the old map are the
    // voxels deleted in this pass, whose points die with it.
    for (DistancePoint3D* p : remainingBorder) moveEntry(*previousBorderVoxels, *borderVoxels, p);
    for (DistancePoint3D* p : *skeletalVoxels) moveEntry(*previousBorderVoxels, *borderVoxels, p);
    previousBorderVoxels->deleteAll();
    delete previousBorderVoxels;
    previousBorderVoxels = nullptr;
}
