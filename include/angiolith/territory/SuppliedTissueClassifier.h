#ifndef ANGIOLITH_TERRITORY_SUPPLIEDTISSUECLASSIFIER_H
#define ANGIOLITH_TERRITORY_SUPPLIEDTISSUECLASSIFIER_H

#include <angiolith/image/ThreeDPicAccessor.h>
#include <angiolith/territory/AbstractDistanceMeasure.h>
#include <angiolith/territory/AbstractNextVesselEstimator.h>
#include <angiolith/territory/AbstractVesselTreeSampler.h>
#include <angiolith/tree/ArVesselTree.h>
#include <angiolith/tree/Vessel.h>

/// Computes vascular territories: every voxel of a tissue mask that is not background is assigned
/// to the vessel whose nearest centre-line sample lies closest (a discrete Voronoi partition of the
/// tissue by the centre-line samples), giving a vessel-ID volume (unsigned 16-bit, 0 outside the
/// tissue) and optionally a distance volume (float, the distance to that sample).
///
/// The samples come from a sampler (default EntireVesselTreeSampler), are mapped into the tissue
/// volume's world coordinates by the upper three rows of a 4 x 4 transform (default identity) and
/// are searched by a next-vessel estimator (default KDTreeNextVesselEstimator with a
/// EuclideanDistanceMeasure). The world position of voxel (i, j, k) is
/// (i * voxelSizeX + originX, j * voxelSizeY + originY, k * voxelSizeZ + originZ) in single
/// precision, from the tissue accessor's spacing and origin.
///
/// The sample set is taken at the first computation and kept for the life of the estimator:
/// changing the tree, the sampler or the transform afterwards takes effect only once a new
/// estimator is set.
///
/// Two ways to the same answer. When the estimator is the library's KDTreeNextVesselEstimator
/// itself (not a subclass) with the Euclidean measure, the mask is read through the library's own
/// accessor class and every sample lies exactly on the world position of a voxel of the mask (as
/// for centre lines extracted from a mask on the same grid, at index times spacing), all voxels
/// are assigned at once by an exact Euclidean feature transform over the grid, in time linear in
/// the voxels and on several threads if asked. Otherwise the estimator is queried voxel by voxel
/// in z, y, x order. Both give the same volumes byte for byte: the nearest sample by squared
/// distance in double precision, and among equally near samples the one earliest in the list. (A
/// subclass of KDTreeNextVesselEstimator is always queried voxel by voxel, which is how the tests
/// compare the two.)
///
/// Threads: a classifier starts none unless setNumberOfThreads asks for more than one; the
/// voxel-by-voxel queries always run on the calling thread.
///
/// Copying is forbidden: a classifier owns its estimator, sampler and (by default) its volumes,
/// and two classifiers sharing them would delete them twice.
///
/// Threads: a classifier is used by one thread at a time; classifiers on different threads may
/// run at once (their k-d tree searches take turns on one process-wide lock).
///
/// @warning BACKGROUND is one process-wide value that every constructor overwrites (atomically):
/// classifiers over tissue volumes with different background values must not be used
/// interleaved, on one thread or on several.
class SuppliedTissueClassifier {
public:
    /// Background value of the tissue mask, set by every constructor from the tissue volume;
    /// also the background of the volumes the classifier creates.
    static unsigned char BACKGROUND;

    /// Takes ownership of @p volume unless setOwnerOfTissueVolume(false) follows; shares @p tree.
    /// Throws std::runtime_error for a null volume.
    SuppliedTissueClassifier(const ThreeDPicAccessor<unsigned char>* volume,
                             const ArVesselTree& tree);
    SuppliedTissueClassifier(const SuppliedTissueClassifier&) = delete;
    SuppliedTissueClassifier& operator=(const SuppliedTissueClassifier&) = delete;
    /// Deletes the owned volumes, the sample list held by the estimator, the estimator (with its
    /// measure) and the sampler.
    ~SuppliedTissueClassifier();

    /// Samples the tree (first time per estimator only), then assigns every tissue voxel. Replaces
    /// the result volumes, deleting the old ones when owned. Throws std::runtime_error (or the
    /// estimator's exceptions) on failure; the volumes then stay as far as they were written.
    void computeSuppliedTissue();

    /// The vessel-ID volume of the last computation, or null (the classifier's unless
    /// setOwnerOfVesselIDVolume(false)).
    ThreeDPicAccessor<unsigned short>* getVesselIDVolume() const;
    /// The distance volume of the last computation when distances are enabled, else null.
    ThreeDPicAccessor<float>* getDistanceVolume() const;
    void setCalculateDistanceVolume(bool calculate);

    bool isOwnerOfTissueVolume() const;
    bool isOwnerOfVesselIDVolume() const;
    bool isOwnerOfDistanceVolume() const;
    void setOwnerOfTissueVolume(bool owner);
    void setOwnerOfVesselIDVolume(bool owner);
    void setOwnerOfDistanceVolume(bool owner);

    /// Copies the sixteen values of @p matrix (borrowed), row by row. Only the upper three rows
    /// are applied to the sample positions.
    void setVesselElementTransform(double (*const matrix)[4]);
    /// Deletes the current sampler and takes ownership of @p sampler. Throws for null.
    void setVesselTreeSampler(AbstractVesselTreeSampler* sampler);
    /// Deletes the measure last handed to the estimator through the classifier (if any), takes
    /// ownership of @p measure and hands it to the estimator. Throws for null.
    void setDistanceMeasure(AbstractDistanceMeasure* measure);
    /// Deletes the sample list held by the current estimator and the estimator itself (with its
    /// measure), and takes ownership of @p estimator; the next computation samples anew. Throws
    /// for null.
    void setNextVesselEstimator(AbstractNextVesselEstimator* estimator);

    /// Threads for the grid transform of computeSuppliedTissue: 1 (the default) starts none,
    /// 0 means one per hardware thread. The result is the same for every number.
    void setNumberOfThreads(unsigned int n);
    unsigned int getNumberOfThreads() const;

    /// The distance volume cut to the territories of every vessel in @p tree (caller frees).
    ThreeDPicAccessor<float>* cutVolume(const ArVesselTree& tree) const;
    /// The distance volume cut to the territories of the vessels in @p list (caller frees).
    ThreeDPicAccessor<float>* cutVolume(const VesselElementList& list) const;
    /// @p distanceVolume restricted to the voxels whose id in @p vesselIDVolume belongs to a
    /// vessel of @p tree; 0 elsewhere. The result (caller frees) has the distance volume's
    /// extents. Throws std::runtime_error for a tree without samples.
    static ThreeDPicAccessor<float>* cutVolume(ThreeDPicAccessor<float>& distanceVolume,
                                               ThreeDPicAccessor<unsigned short>& vesselIDVolume,
                                               const ArVesselTree& tree);
    /// @p distanceVolume restricted to the voxels whose id in @p vesselIDVolume is the (non-zero)
    /// vessel id of some sample in @p list; 0 elsewhere. The result (caller frees) has the
    /// distance volume's extents. Throws std::runtime_error for an empty list.
    /// @warning When the two volumes differ in element count, only the elements they have in
    /// common are compared; the rest of the result is 0.
    static ThreeDPicAccessor<float>* cutVolume(ThreeDPicAccessor<float>& distanceVolume,
                                               ThreeDPicAccessor<unsigned short>& vesselIDVolume,
                                               const VesselElementList& list);

private:
    static ThreeDPicAccessor<unsigned short>* createVesselIDVolume(const unsigned& x,
                                                                   const unsigned& y,
                                                                   const unsigned& z);
    static ThreeDPicAccessor<float>* createDistanceVolume(const unsigned& x, const unsigned& y,
                                                          const unsigned& z);
    void sampleTree();
    /// Assigns every tissue voxel by the grid transform when it applies; false when it does not.
    bool assignOnGrid();

    const ThreeDPicAccessor<unsigned char>* tissueVolume;
    ThreeDPicAccessor<unsigned short>* vesselIDVolume;
    ThreeDPicAccessor<float>* distanceVolume;
    AbstractNextVesselEstimator* nextVesselEstimator;
    AbstractDistanceMeasure* distanceMeasure;
    AbstractVesselTreeSampler* vesselTreeSampler;
    ArVesselTree tree;
    double vesselElementTransform[4][4];
    bool calculateDistanceVolume;
    bool ownerOfTissueVolume;
    bool ownerOfVesselIDVolume;
    bool ownerOfDistanceVolume;
    /// Not among the classic members: threads the grid transform may use.
    unsigned int numberOfThreads;
};

#endif
