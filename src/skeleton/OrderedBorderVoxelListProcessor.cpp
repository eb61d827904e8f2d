#include "skeleton/NeighbourhoodTables.h"
#include "skeleton/VoxelNeighbourhood.h"

#include <angiolith/skeleton/OrderedBorderVoxelListProcessor.h>
#include <angiolith/skeleton/SelleBorderTypeEvaluator.h>

#include <algorithm>
#include <cstddef>
#include <vector>

using angiolith::detail::read26Neighbourhood;

namespace {

// A candidate of one processing call with its voxel, read from the point once.
struct Candidate {
    DistancePoint3D* point;
    short x, y, z;
};

// Asks the cache for the neighbourhood of the candidate tried next: candidates lie anywhere in
// the volume.
void prefetchNeighbourhood(const VolumeAccessor<unsigned char>& volume, const Candidate& c) {
    angiolith::detail::prefetch26Neighbourhood(volume, c.x, c.y, c.z);
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
    // Without a deletability test (a caller set none) nothing can be deleted.
    if (simplePointEvaluator == nullptr) return new std::list<DistancePoint3D*>(*list);

    // The sweeps run over arrays rather than over the member bucket lists (which stay empty):
    // each sweep files the simple candidates by bucket with a stable counting sort, so every
    // bucket keeps the candidates' order, and only the survivors get list nodes at the end.
    // The candidates meet the evaluators in exactly the order the bucket lists give.
    constexpr int kRejected = -1;
    std::vector<Candidate> work;
    work.reserve(list->size());
    for (DistancePoint3D* p : *list) work.push_back({p, p->getX(), p->getY(), p->getZ()});
    std::vector<Candidate> filed(work.size()), next;
    std::vector<int> bucketOf(work.size());
    std::vector<unsigned char> gone(work.size());
    std::vector<std::size_t> first(kBucketCount + 1);
    next.reserve(work.size());
    unsigned char nb[26];
    for (;;) {
        const std::size_t n = work.size();
        // Distribution, in list order.
        std::fill(first.begin(), first.end(), 0);
        for (std::size_t i = 0; i < n; ++i) {
            if (i + 1 < n) prefetchNeighbourhood(*volume, work[i + 1]);
            const Candidate& c = work[i];
            read26Neighbourhood(*volume, c.x, c.y, c.z, nb);
            bucketOf[i] = simplePointEvaluator->isSimplePoint(nb) ? bucketIndex(nb) : kRejected;
            if (bucketOf[i] != kRejected) ++first[static_cast<std::size_t>(bucketOf[i]) + 1];
        }
        for (int b = 0; b < kBucketCount; ++b) first[b + 1] += first[b];
        std::vector<std::size_t> end(first.begin(), first.end() - 1);
        for (std::size_t i = 0; i < n; ++i) {
            if (bucketOf[i] != kRejected)
                filed[end[static_cast<std::size_t>(bucketOf[i])]++] = work[i];
        }
        const std::size_t simple = first[kBucketCount];
        std::fill(gone.begin(), gone.begin() + static_cast<std::ptrdiff_t>(simple), 0);
        // Deletion, highest bucket first; each candidate is re-tested against the volume as
        // the deletions so far have left it.
        unsigned int deletedThisSweep = 0;
        for (int b = kBucketCount - 1; b >= 0; --b) {
            for (std::size_t k = first[b]; k < first[b + 1]; ++k) {
                if (k + 1 < first[b + 1]) prefetchNeighbourhood(*volume, filed[k + 1]);
                const Candidate& c = filed[k];
                read26Neighbourhood(*volume, c.x, c.y, c.z, nb);
                if (simplePointEvaluator->isSimplePoint(nb)) {
                    volume->setVoxel(c.x, c.y, c.z, 0);
                    ++deletedThisSweep;
                    ++deletedVoxels;
                    gone[k] = 1;
                }
            }
        }
        // Rebuild: the buckets' remaining candidates in ascending bucket order, then the
        // rejected ones in order.
        next.clear();
        for (std::size_t k = 0; k < simple; ++k) {
            if (gone[k] == 0) next.push_back(filed[k]);
        }
        for (std::size_t i = 0; i < n; ++i) {
            if (bucketOf[i] == kRejected) next.push_back(work[i]);
        }
        work.swap(next);
        if (deletedThisSweep == 0) break;
    }
    auto* result = new std::list<DistancePoint3D*>();
    for (const Candidate& c : work) result->push_back(c.point);
    return result;
}
