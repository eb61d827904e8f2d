#ifndef ANGIOLITH_TERRITORY_KDTREENEXTVESSELESTIMATOR_H
#define ANGIOLITH_TERRITORY_KDTREENEXTVESSELESTIMATOR_H

#include <angiolith/territory/AbstractNextVesselEstimator.h>

#include <memory>
#include <vector>

class ANNkd_tree;

namespace angiolith::detail {
class CellCandidateCache;
}

/// Finds the nearest centre-line sample by an exact k-nearest-neighbour search in a k-d tree
/// (ANN: D. M. Mount, S. Arya, "ANN: A Library for Approximate Nearest Neighbor Searching", 1998;
/// S. Arya et al., "An optimal algorithm for approximate nearest neighbor searching in fixed
/// dimensions", J. ACM 45(6), 1998), built once per sample list with bucket size 1 and the
/// suggested split rule, searched with error bound 0.
///
/// The answer is the nearest sample; among samples at exactly the same distance the one that
/// comes first in the list wins, however many are tied. The reported id is the low 16 bits of the
/// sample's vessel id, the distance the square root of the squared distance in double precision.
///
/// Queries that come in coherent order (the voxels of a volume in raster order) are mostly
/// answered from per-cell candidate sets drawn from the same k-d tree, with identical results.
///
/// Threads: an estimator is used by one thread at a time. ANN keeps the state of a search in
/// global variables, so every construction, deletion and search of an ANN k-d tree in the
/// library holds one process-wide lock; estimators on different threads may therefore run at
/// once, their searches taking turns (answers from the candidate sets need no lock).
class KDTreeNextVesselEstimator : public AbstractNextVesselEstimator {
public:
    KDTreeNextVesselEstimator();
    KDTreeNextVesselEstimator(const KDTreeNextVesselEstimator&) = delete;
    KDTreeNextVesselEstimator& operator=(const KDTreeNextVesselEstimator&) = delete;

    /// The owned measure (null until one is set).
    AbstractDistanceMeasure* getDistanceMeasure() override;
    /// Releases the search structure and deletes the measure; the sample list stays its owner's.
    ~KDTreeNextVesselEstimator() override;
    /// Takes ownership of @p measure. The measure it replaces is not deleted (whoever handed it
    /// over keeps track of it). Throws std::runtime_error for null.
    void setDistanceMeasure(AbstractDistanceMeasure* measure) override;
    /// Borrows @p list (never deleted here) and builds the search structure over its samples,
    /// replacing any earlier one. Throws std::runtime_error for a null or empty list, leaving the
    /// estimator unchanged.
    void setVesselElementList(VesselElementList* list) override;
    /// The borrowed sample list, or null.
    VesselElementList* getVesselElementList() override;
    /// Writes the nearest sample's vessel id and distance into @p element (borrowed) and returns
    /// it. Throws std::runtime_error when no sample list was set. Allocates nothing unless more
    /// samples than ever before lie exactly at the nearest distance.
    TissueElement* getNextVessel(TissueElement* element) override;

private:
    void initANN();
    void releaseANN();
    void searchTree(int& bestIndex, double& bestDistance);

    VesselElementList* elementList;
    AbstractDistanceMeasure* distanceMeasure;
    std::vector<unsigned short> vesselIds;
    bool initialised;
    int k;
    int dimension;
    double** dataPoints;
    double* queryPoint;
    int* nnIndices;
    double* nnDistances;
    ANNkd_tree* kdTree;
    /// Scratch for the rare query at which more than k samples are tied for the nearest distance;
    /// kept so that such queries reuse it instead of allocating.
    std::vector<int> tieIndices;
    std::vector<double> tieDistances;
    /// Candidate sets of space cells, so that coherent queries need few tree searches.
    std::unique_ptr<angiolith::detail::CellCandidateCache> cellCache;
};

#endif
