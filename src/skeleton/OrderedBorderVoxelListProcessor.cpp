#include "skeleton/NeighbourhoodTables.h"
#include "skeleton/VoxelNeighbourhood.h"

#include <angiolith/skeleton/OrderedBorderVoxelListProcessor.h>
#include <angiolith/skeleton/SelleBorderTypeEvaluator.h>

#include <iterator>

using angiolith::detail::read26Neighbourhood;

namespace {

using PointList = std::list<DistancePoint3D*>;

// Prefetches, while candidate `it` is tested, the neighbourhood of the next candidate and the
// point object of the one after it: both lie anywhere in memory.
void prefetchAhead(const VolumeAccessor<unsigned char>& volume, PointList::const_iterator it,
                   PointList::const_iterator end) {
    const auto next = std::next(it);
    if (next == end) return;
    const DistancePoint3D* p = *next;
    angiolith::detail::prefetch26Neighbourhood(volume, p->getX(), p->getY(), p->getZ());
    const auto after = std::next(next);
    if (after != end) __builtin_prefetch(*after);
}

}  // namespace

OrderedBorderVoxelListProcessor::OrderedBorderVoxelListProcessor(
    VolumeAccessor<unsigned char>* theVolume, VolumeAccessor<float>* theDistanceField,
    bool theMostNeighboursFirst)
    : BorderVoxelListProcessor(theVolume, theDistanceField),
      borderTypeEvaluator(new SelleBorderTypeEvaluator()),
      mostNeighboursFirst(theMostNeighboursFirst) {}

OrderedBorderVoxelListProcessor::~OrderedBorderVoxelListProcessor() { delete borderTypeEvaluator; }

void OrderedBorderVoxelListProcessor::setBorderTypeEvaluator(BorderTypeEvaluator* evaluator) {
    if (evaluator == borderTypeEvaluator) return;
    delete borderTypeEvaluator;
    borderTypeEvaluator = evaluator;
}

BorderTypeEvaluator* OrderedBorderVoxelListProcessor::getBorderTypeEvaluator() {
    return borderTypeEvaluator;
}

int OrderedBorderVoxelListProcessor::bucketIndex(unsigned char* nb) {
    int code = 0;
    if (borderTypeEvaluator != nullptr) {
        code = (borderTypeEvaluator->isBorderMinusY(nb) ? 1 : 0) |
               (borderTypeEvaluator->isBorderPlusY(nb) ? 2 : 0) |
               (borderTypeEvaluator->isBorderMinusX(nb) ? 4 : 0) |
               (borderTypeEvaluator->isBorderPlusX(nb) ? 8 : 0) |
               (borderTypeEvaluator->isBorderMinusZ(nb) ? 16 : 0) |
               (borderTypeEvaluator->isBorderPlusZ(nb) ? 32 : 0);
    }
    const int count = __builtin_popcount(angiolith::detail::objectMask(nb));
    // A simple point has a background neighbour (count <= 25). A replacement evaluator might
    // pass a fully surrounded voxel; its class is clamped so the bucket stays in range.
    const int neighbourClass = mostNeighboursFirst ? count + 1 : (count > 25 ? 0 : 25 - count);
    return neighbourClass * 64 + code;
}

std::list<DistancePoint3D*>* OrderedBorderVoxelListProcessor::processBorderVoxelList(
    std::list<DistancePoint3D*>* list) {
    if (list == nullptr) return nullptr;
    deletedVoxels = 0;
    auto* work = new std::list<DistancePoint3D*>(*list);
    // Without a deletability test (a caller set none) nothing can be deleted.
    if (simplePointEvaluator == nullptr) return work;
    std::list<DistancePoint3D*> rejected;
    unsigned char nb[26];
    for (;;) {
        unsigned int deletedThisSweep = 0;
        // Distribution: the list nodes move into the buckets, so a sweep allocates nothing.
        while (!work->empty()) {
            const auto it = work->begin();
            DistancePoint3D* p = *it;
            prefetchAhead(*volume, it, work->cend());
            read26Neighbourhood(*volume, p->getX(), p->getY(), p->getZ(), nb);
            if (simplePointEvaluator->isSimplePoint(nb)) {
                auto& bucket = buckets[bucketIndex(nb)];
                bucket.splice(bucket.end(), *work, it);
            } else {
                rejected.splice(rejected.end(), *work, it);
            }
        }
        // Deletion, highest bucket first; each candidate is re-tested against the volume as
        // the deletions so far have left it.
        for (int b = kBucketCount - 1; b >= 0; --b) {
            auto& bucket = buckets[b];
            for (auto it = bucket.begin(); it != bucket.end();) {
                DistancePoint3D* p = *it;
                prefetchAhead(*volume, it, bucket.cend());
                const short x = p->getX(), y = p->getY(), z = p->getZ();
                read26Neighbourhood(*volume, x, y, z, nb);
                if (simplePointEvaluator->isSimplePoint(nb)) {
                    volume->setVoxel(x, y, z, 0);
                    ++deletedThisSweep;
                    ++deletedVoxels;
                    it = bucket.erase(it);
                } else {
                    ++it;
                }
            }
        }
        for (auto& bucket : buckets) work->splice(work->end(), bucket);
        work->splice(work->end(), rejected);
        if (deletedThisSweep == 0) break;
    }
    return work;
}
