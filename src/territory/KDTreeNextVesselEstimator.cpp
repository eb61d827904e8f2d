#include "diagnostics/DiagnosticLine.h"
#include "territory/AnnSearchLock.h"
#include "territory/CellCandidateCache.h"

#include <angiolith/territory/KDTreeNextVesselEstimator.h>

#include <ANN/ANN.h>

#include <climits>
#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>

namespace {

const char* const kMeasureNull =
    "Error in KDTreeNextVesselEstimator::setDistanceMeasure(...): measure == NULL";
const char* const kListNull =
    "Error in KDTreeNextVesselEstimator::setVesselElementLIst(): theList == NULL!";
const char* const kListEmpty =
    "Error in KDTreeNextVesselEstimator::setVesselElementList: theList->size() == 0!";
const char* const kEmptyTreeLine =
    "Empty vessel tree provided in KDTreeNextVesselEstimator::initANN. Aborting";
const char* const kEmptyTree = "Empty vessel tree provided in KDTreeNextVesselEstimator::initANN.";
const char* const kTooMany =
    "Error in KDTreeNextVesselEstimator::setVesselElementList: too many samples";
const char* const kNoList =
    "Error in KDTreeNextVesselEstimator::getNextVessel(...): no vessel element list set";

// Neighbours asked for per query (fewer when there are fewer samples).
constexpr int kNeighbours = 3;
// ANN bucket size: one point per leaf.
constexpr int kBucketSize = 1;

// Picks the nearest of @p count results, and among equally near ones the smallest index, i.e. the
// sample earliest in the list. Returns the position within the result arrays.
int pickEarliestNearest(const int* indices, const double* squaredDistances, int count) {
    double bestDistance = std::numeric_limits<double>::max();
    int bestIndex = INT_MAX;
    int best = 0;
    for (int i = 0; i < count; ++i) {
        if (squaredDistances[i] < bestDistance ||
            (squaredDistances[i] == bestDistance && indices[i] < bestIndex)) {
            bestDistance = squaredDistances[i];
            bestIndex = indices[i];
            best = i;
        }
    }
    return best;
}

}  // namespace

KDTreeNextVesselEstimator::KDTreeNextVesselEstimator()
    : elementList(nullptr),
      distanceMeasure(nullptr),
      initialised(false),
      k(0),
      dimension(3),
      dataPoints(nullptr),
      queryPoint(nullptr),
      nnIndices(nullptr),
      nnDistances(nullptr),
      kdTree(nullptr),
      cellCache(std::make_unique<angiolith::detail::CellCandidateCache>()) {}

KDTreeNextVesselEstimator::~KDTreeNextVesselEstimator() {
    releaseANN();
    delete distanceMeasure;
}

AbstractDistanceMeasure* KDTreeNextVesselEstimator::getDistanceMeasure() { return distanceMeasure; }

void KDTreeNextVesselEstimator::setDistanceMeasure(AbstractDistanceMeasure* measure) {
    if (measure == nullptr) throw std::runtime_error(kMeasureNull);
    distanceMeasure = measure;
}

VesselElementList* KDTreeNextVesselEstimator::getVesselElementList() { return elementList; }

void KDTreeNextVesselEstimator::setVesselElementList(VesselElementList* list) {
    if (list == nullptr) throw std::runtime_error(kListNull);
    if (list->empty()) throw std::runtime_error(kListEmpty);
    // ANN numbers its points with int.
    if (list->size() > static_cast<std::size_t>(INT_MAX)) throw std::length_error(kTooMany);
    releaseANN();
    elementList = list;
    initANN();
}

void KDTreeNextVesselEstimator::releaseANN() {
    if (!initialised) return;
    initialised = false;
    {
        const angiolith::detail::AnnSearchLock lock;
        angiolith::detail::touchAnnState();
        delete kdTree;
    }
    kdTree = nullptr;
    annDeallocPt(queryPoint);
    annDeallocPts(dataPoints);
    delete[] nnIndices;
    nnIndices = nullptr;
    delete[] nnDistances;
    nnDistances = nullptr;
}

void KDTreeNextVesselEstimator::initANN() {
    const std::size_t n = elementList->size();
    if (n == 0) {
        angiolith::detail::diagnosticLine(DiagnosticStream::Error, kEmptyTreeLine);
        throw std::logic_error(kEmptyTree);
    }
    const int count = static_cast<int>(n);
    k = count < kNeighbours ? count : kNeighbours;
    dimension = 3;

    // Everything is built under RAII first and handed to the members only when complete, so that
    // a failed allocation leaves the estimator uninitialised and leak-free.
    struct PointsDeleter {
        void operator()(ANNpointArray p) const { annDeallocPts(p); }
    };
    struct PointDeleter {
        void operator()(ANNpoint p) const { annDeallocPt(p); }
    };
    std::unique_ptr<ANNcoord, PointDeleter> query(annAllocPt(dimension, 0.0));
    std::unique_ptr<ANNpoint, PointsDeleter> points(annAllocPts(count, dimension));
    std::unique_ptr<int[]> indices(new int[k]);
    std::unique_ptr<double[]> distances(new double[k]);
    vesselIds.clear();
    vesselIds.resize(n);

    int i = 0;
    for (const VesselElementID& sample : *elementList) {
        points.get()[i][0] = sample.position.x;
        points.get()[i][1] = sample.position.y;
        points.get()[i][2] = sample.position.z;
        // Ids beyond 16 bits wrap modulo 65536, as the vessel-ID volumes hold 16-bit values.
        vesselIds[i] = static_cast<unsigned short>(sample.vesselId);
        ++i;
    }
    std::unique_ptr<ANNkd_tree> tree;
    {
        const angiolith::detail::AnnSearchLock lock;
        angiolith::detail::touchAnnState();
        tree.reset(new ANNkd_tree(points.get(), count, dimension, kBucketSize, ANN_KD_SUGGEST));
    }
    cellCache->reset(tree.get(), points.get());
    kdTree = tree.release();
    queryPoint = query.release();
    dataPoints = points.release();
    nnIndices = indices.release();
    nnDistances = distances.release();
    initialised = true;
}

void KDTreeNextVesselEstimator::searchTree(int& bestIndex, double& bestDistance) {
    const angiolith::detail::AnnSearchLock lock;
    angiolith::detail::touchAnnState();
    kdTree->annkSearch(queryPoint, k, nnIndices, nnDistances, 0.0);
    const int first = pickEarliestNearest(nnIndices, nnDistances, k);
    bestIndex = nnIndices[first];
    bestDistance = nnDistances[first];
    if (k < static_cast<int>(vesselIds.size()) && nnDistances[k - 1] == bestDistance) {
        // All k answers are tied, so further samples may lie at the same distance and the search
        // may have kept later ones. Collect every sample within the tie radius and take the
        // earliest of the nearest.
        angiolith::detail::touchAnnState();
        const int within = kdTree->annkFRSearch(queryPoint, bestDistance, 0, nullptr, nullptr);
        if (within > k) {
            if (tieIndices.size() < static_cast<std::size_t>(within)) {
                tieIndices.resize(within);
                tieDistances.resize(within);
            }
            angiolith::detail::touchAnnState();
            const int found = kdTree->annkFRSearch(queryPoint, bestDistance, within,
                                                   tieIndices.data(), tieDistances.data());
            const int tie = pickEarliestNearest(tieIndices.data(), tieDistances.data(),
                                                found < within ? found : within);
            if (tieDistances[tie] < bestDistance ||
                (tieDistances[tie] == bestDistance && tieIndices[tie] < bestIndex)) {
                bestIndex = tieIndices[tie];
                bestDistance = tieDistances[tie];
            }
        }
    }
}

TissueElement* KDTreeNextVesselEstimator::getNextVessel(TissueElement* element) {
    if (!initialised) throw std::runtime_error(kNoList);
    const float* position = element->getPosition();
    queryPoint[0] = position[0];
    queryPoint[1] = position[1];
    queryPoint[2] = position[2];
    int bestIndex = 0;
    double bestDistance = 0.0;
    if (!cellCache->find(queryPoint, bestIndex, bestDistance)) {
        searchTree(bestIndex, bestDistance);
    }
    element->setVesselId(vesselIds[bestIndex]);
    element->setDistance(static_cast<float>(std::sqrt(bestDistance)));
    return element;
}
