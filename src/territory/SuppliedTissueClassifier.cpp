#include "detail/HugePages.h"
#include "territory/GridNearestSample.h"

#include <angiolith/image/detail/ElementKinds.h>
#include <angiolith/territory/EntireVesselTreeSampler.h>
#include <angiolith/territory/EuclideanDistanceMeasure.h>
#include <angiolith/territory/KDTreeNextVesselEstimator.h>
#include <angiolith/territory/SuppliedTissueClassifier.h>
#include <angiolith/territory/TissueElement.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <typeinfo>
#include <vector>

unsigned char SuppliedTissueClassifier::BACKGROUND = 0;

namespace {

// BACKGROUND is one process-wide value that every constructor writes: accessed atomically, so
// that classifiers constructed and run on different threads do not race on it (with equal
// background values, as usual, they then work independently).
std::atomic_ref<unsigned char> backgroundValue() {
    return std::atomic_ref<unsigned char>(SuppliedTissueClassifier::BACKGROUND);
}

using angiolith::detail::adviseHugePages;

const char* const kVolumeNull =
    "Error in SuppliedTissueClassifier::SuppliedTissueClassifier(): volume == NULL";
const char* const kSamplerNull =
    "Error in SuppliedTissueClassifier::setVesselTreeSampler(...): sampler == NULL";
const char* const kMeasureNull =
    "Error in SuppliedTissueClassifier::setDistanceMeasure(...): measure == NULL";
const char* const kEstimatorNull =
    "Error in SuppliedTissueClassifier::setNextVesselEstimator(...): estimator == NULL";
const char* const kElementListNull =
    "Error in SuppliedTissueClassifier::cumputeSuppliedTissue(...): elementList == NULL";
const char* const kTreeCutNoDistance =
    "Error in SuppliedTissueClassifier::cutVolume(ArTree): distanceVolume == NULL";
const char* const kTreeCutNoIds =
    "Error in SuppliedTissueClassifier::cutVolume(ArTree): vesselIDVolume == NULL";
const char* const kListCutNoDistance =
    "Error in SuppliedTissueClassifier::cutVolume(VesselElementList): distanceVolume == NULL";
const char* const kListCutNoIds =
    "Error in SuppliedTissueClassifier::cutVolume(VesselElementList): vesselIDVolume == NULL";
const char* const kCutEmptyList =
    "Error in SuppliedTissueClassifier::getCroppedVolume(const VesselElementList&): "
    "list.size() == 0 !";
const char* const kCutEmptyTree =
    "Error in SuppliedTissueClassifier::cutVolume(DistanceVolume, VesselIDVolume, ArTree): "
    "elements->size() == 0 !";
const char* const kIdAllocation =
    "Error in SuppliedTissueClassifier::createVesselIDVolume(): failed to allocate memory!";
const char* const kDistanceAllocation =
    "Error in SuppliedTissueClassifier::createDistanceVolume(): failed to allocate memory!";

// A zero-filled 3-D descriptor of the given kind wrapped in an accessor that owns it, with
// background BACKGROUND, spacing 1 and origin 0.
template <typename T>
ThreeDPicAccessor<T>* createVolume(unsigned x, unsigned y, unsigned z,
                                   const char* allocationError) {
    angiolith::detail::DescriptorPtr pic = angiolith::detail::makeZeroVolume<T>(x, y, z);
    if (!pic) throw std::runtime_error(allocationError);
    adviseHugePages(pic->data, static_cast<std::size_t>(x) * y * z * sizeof(T));
    auto* volume = new ThreeDPicAccessor<T>(
        pic.get(), true, static_cast<T>(backgroundValue().load(std::memory_order_relaxed)));
    pic.release();
    return volume;
}

}  // namespace

SuppliedTissueClassifier::SuppliedTissueClassifier(const ThreeDPicAccessor<unsigned char>* volume,
                                                   const ArVesselTree& theTree)
    : tissueVolume(volume),
      vesselIDVolume(nullptr),
      distanceVolume(nullptr),
      nextVesselEstimator(nullptr),
      distanceMeasure(nullptr),
      vesselTreeSampler(nullptr),
      tree(theTree),
      vesselElementTransform{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}},
      calculateDistanceVolume(true),
      ownerOfTissueVolume(true),
      ownerOfVesselIDVolume(true),
      ownerOfDistanceVolume(true),
      numberOfThreads(1) {
    if (volume == nullptr) throw std::runtime_error(kVolumeNull);
    backgroundValue().store(volume->getBackgroundValue(), std::memory_order_relaxed);
    auto estimator = std::make_unique<KDTreeNextVesselEstimator>();
    auto measure = std::make_unique<EuclideanDistanceMeasure>();
    auto sampler = std::make_unique<EntireVesselTreeSampler>();
    estimator->setDistanceMeasure(measure.get());
    distanceMeasure = measure.release();
    nextVesselEstimator = estimator.release();
    vesselTreeSampler = sampler.release();
}

SuppliedTissueClassifier::~SuppliedTissueClassifier() {
    if (ownerOfTissueVolume) delete tissueVolume;
    if (ownerOfVesselIDVolume) delete vesselIDVolume;
    // An owned distance volume is deleted even when distances were switched off after it was
    // computed; otherwise it would leak.
    if (ownerOfDistanceVolume) delete distanceVolume;
    delete nextVesselEstimator->getVesselElementList();
    delete nextVesselEstimator;
    delete vesselTreeSampler;
}

void SuppliedTissueClassifier::sampleTree() {
    std::unique_ptr<VesselElementList> list(vesselTreeSampler->getVesselTreeSamples(tree));
    if (!list) throw std::runtime_error(kElementListNull);
    const double(&m)[4][4] = vesselElementTransform;
    for (VesselElementID& sample : *list) {
        const double x = sample.position.x;
        const double y = sample.position.y;
        const double z = sample.position.z;
        sample.position.x = static_cast<float>(m[0][0] * x + m[0][1] * y + m[0][2] * z + m[0][3]);
        sample.position.y = static_cast<float>(m[1][0] * x + m[1][1] * y + m[1][2] * z + m[1][3]);
        sample.position.z = static_cast<float>(m[2][0] * x + m[2][1] * y + m[2][2] * z + m[2][3]);
    }
    nextVesselEstimator->setVesselElementList(list.get());
    list.release();
}

void SuppliedTissueClassifier::computeSuppliedTissue() {
    if (nextVesselEstimator->getVesselElementList() == nullptr) sampleTree();

    const lumoTeskDescriptor* tissuePic = tissueVolume->getPic();
    const unsigned nx = tissuePic->n[0];
    const unsigned ny = tissuePic->n[1];
    const unsigned nz = tissuePic->n[2];
    if (vesselIDVolume != nullptr && ownerOfVesselIDVolume) delete vesselIDVolume;
    vesselIDVolume = nullptr;
    vesselIDVolume = createVesselIDVolume(nx, ny, nz);
    if (distanceVolume != nullptr && ownerOfDistanceVolume) delete distanceVolume;
    distanceVolume = nullptr;
    if (calculateDistanceVolume) distanceVolume = createDistanceVolume(nx, ny, nz);

    const int sizeX = static_cast<int>(tissueVolume->getSizeX());
    const int sizeY = static_cast<int>(tissueVolume->getSizeY());
    const int sizeZ = static_cast<int>(tissueVolume->getSizeZ());
    const float voxelSizeX = tissueVolume->getVoxelSizeX();
    const float voxelSizeY = tissueVolume->getVoxelSizeY();
    const float voxelSizeZ = tissueVolume->getVoxelSizeZ();
    const float originX = tissueVolume->getOriginX();
    const float originY = tissueVolume->getOriginY();
    const float originZ = tissueVolume->getOriginZ();

    if (assignOnGrid()) return;

    // The mask is read through its accessor. When it is exactly the library's accessor class the
    // read is bound statically (same function, no per-voxel dispatch); a host subclass is read
    // through its own override.
    const bool plainAccessor = typeid(*tissueVolume) == typeid(ThreeDPicAccessor<unsigned char>);
    // The result volumes are this classifier's own fresh buffers of the descriptor's extents and
    // are written directly; positions beyond them (only a host accessor reporting other sizes
    // than its descriptor has) are not written, as the accessors would drop them too.
    auto* ids = static_cast<unsigned short*>(vesselIDVolume->getPic()->data);
    float* distances =
        distanceVolume != nullptr ? static_cast<float*>(distanceVolume->getPic()->data) : nullptr;
    const unsigned char background = backgroundValue().load(std::memory_order_relaxed);
    TissueElement element;
    for (int z = 0; z < sizeZ; ++z) {
        const short sz = static_cast<short>(z);
        const float worldZ = static_cast<float>(z) * voxelSizeZ + originZ;
        for (int y = 0; y < sizeY; ++y) {
            const short sy = static_cast<short>(y);
            const float worldY = static_cast<float>(y) * voxelSizeY + originY;
            const bool rowInside = static_cast<unsigned>(y) < ny && static_cast<unsigned>(z) < nz;
            const std::size_t row =
                rowInside ? (static_cast<std::size_t>(z) * ny + static_cast<unsigned>(y)) * nx : 0;
            for (int x = 0; x < sizeX; ++x) {
                const short sx = static_cast<short>(x);
                const unsigned char value =
                    plainAccessor
                        ? tissueVolume->ThreeDPicAccessor<unsigned char>::getVoxel(sx, sy, sz)
                        : tissueVolume->getVoxel(sx, sy, sz);
                if (value == background) continue;
                element.setPosition(static_cast<float>(x) * voxelSizeX + originX, worldY, worldZ);
                element.setTissueValue(value);
                element.setDistance(0.0f);
                element.setVesselId(0);
                nextVesselEstimator->getNextVessel(&element);
                if (!rowInside || static_cast<unsigned>(x) >= nx) continue;
                ids[row + static_cast<unsigned>(x)] = element.getVesselId();
                if (distances != nullptr)
                    distances[row + static_cast<unsigned>(x)] = element.getDistance();
            }
        }
    }
}

bool SuppliedTissueClassifier::assignOnGrid() {
    // Only the library's own k-d tree search with the Euclidean measure (or none) answers exactly
    // as the grid transform does; a host's subclass or other estimator, or a host accessor that
    // reads the mask its own way, is asked voxel by voxel.
    const AbstractDistanceMeasure* measure = nextVesselEstimator->getDistanceMeasure();
    if (typeid(*nextVesselEstimator) != typeid(KDTreeNextVesselEstimator) ||
        (measure != nullptr && typeid(*measure) != typeid(EuclideanDistanceMeasure)) ||
        typeid(*tissueVolume) != typeid(ThreeDPicAccessor<unsigned char>)) {
        return false;
    }
    const lumoTeskDescriptor* tissuePic = tissueVolume->getPic();
    if (tissuePic == nullptr || tissuePic->data == nullptr || tissuePic->dim != 3 ||
        tissuePic->bits != 8 || tissueVolume->getSizeX() != tissuePic->n[0] ||
        tissueVolume->getSizeY() != tissuePic->n[1] ||
        tissueVolume->getSizeZ() != tissuePic->n[2]) {
        return false;
    }
    const VesselElementList* samples = nextVesselEstimator->getVesselElementList();
    if (samples == nullptr) return false;
    const angiolith::detail::VoxelGrid grid{
        {tissuePic->n[0], tissuePic->n[1], tissuePic->n[2]},
        {tissueVolume->getVoxelSizeX(), tissueVolume->getVoxelSizeY(),
         tissueVolume->getVoxelSizeZ()},
        {tissueVolume->getOriginX(), tissueVolume->getOriginY(), tissueVolume->getOriginZ()}};
    angiolith::detail::GridNearestSample transform;
    if (!transform.place(*samples, grid)) return false;
    float* distances =
        distanceVolume != nullptr ? static_cast<float*>(distanceVolume->getPic()->data) : nullptr;
    try {
        transform.assign(static_cast<const unsigned char*>(tissuePic->data),
                         backgroundValue().load(std::memory_order_relaxed),
                         static_cast<unsigned short*>(vesselIDVolume->getPic()->data), distances,
                         numberOfThreads);
    } catch (...) {
        // The distance volume served as scratch: a failed computation leaves it zero rather
        // than holding sample numbers.
        if (distances != nullptr) {
            std::memset(distances, 0,
                        sizeof(float) * static_cast<std::size_t>(tissuePic->n[0]) *
                            tissuePic->n[1] * tissuePic->n[2]);
        }
        throw;
    }
    return true;
}

void SuppliedTissueClassifier::setNumberOfThreads(unsigned int n) { numberOfThreads = n; }

unsigned int SuppliedTissueClassifier::getNumberOfThreads() const { return numberOfThreads; }

ThreeDPicAccessor<unsigned short>* SuppliedTissueClassifier::getVesselIDVolume() const {
    return vesselIDVolume;
}

ThreeDPicAccessor<float>* SuppliedTissueClassifier::getDistanceVolume() const {
    return calculateDistanceVolume ? distanceVolume : nullptr;
}

void SuppliedTissueClassifier::setCalculateDistanceVolume(bool calculate) {
    calculateDistanceVolume = calculate;
}

bool SuppliedTissueClassifier::isOwnerOfTissueVolume() const { return ownerOfTissueVolume; }
bool SuppliedTissueClassifier::isOwnerOfVesselIDVolume() const { return ownerOfVesselIDVolume; }
bool SuppliedTissueClassifier::isOwnerOfDistanceVolume() const { return ownerOfDistanceVolume; }
void SuppliedTissueClassifier::setOwnerOfTissueVolume(bool owner) { ownerOfTissueVolume = owner; }
void SuppliedTissueClassifier::setOwnerOfVesselIDVolume(bool owner) {
    ownerOfVesselIDVolume = owner;
}
void SuppliedTissueClassifier::setOwnerOfDistanceVolume(bool owner) {
    ownerOfDistanceVolume = owner;
}

void SuppliedTissueClassifier::setVesselElementTransform(double (*const matrix)[4]) {
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            vesselElementTransform[row][column] = matrix[row][column];
        }
    }
}

void SuppliedTissueClassifier::setVesselTreeSampler(AbstractVesselTreeSampler* sampler) {
    if (sampler == nullptr) throw std::runtime_error(kSamplerNull);
    // Setting the current sampler again must not delete it.
    if (sampler == vesselTreeSampler) return;
    delete vesselTreeSampler;
    vesselTreeSampler = sampler;
}

void SuppliedTissueClassifier::setDistanceMeasure(AbstractDistanceMeasure* measure) {
    if (measure == nullptr) throw std::runtime_error(kMeasureNull);
    if (measure != distanceMeasure) delete distanceMeasure;
    distanceMeasure = measure;
    nextVesselEstimator->setDistanceMeasure(measure);
}

void SuppliedTissueClassifier::setNextVesselEstimator(AbstractNextVesselEstimator* estimator) {
    if (estimator == nullptr) throw std::runtime_error(kEstimatorNull);
    // Setting the current estimator again must not delete it.
    if (estimator == nextVesselEstimator) return;
    delete nextVesselEstimator->getVesselElementList();
    delete nextVesselEstimator;
    distanceMeasure = nullptr;
    nextVesselEstimator = estimator;
}

ThreeDPicAccessor<float>* SuppliedTissueClassifier::cutVolume(const ArVesselTree& cutTree) const {
    if (distanceVolume == nullptr) throw std::runtime_error(kTreeCutNoDistance);
    if (vesselIDVolume == nullptr) throw std::runtime_error(kTreeCutNoIds);
    return cutVolume(*distanceVolume, *vesselIDVolume, cutTree);
}

ThreeDPicAccessor<float>* SuppliedTissueClassifier::cutVolume(const VesselElementList& list) const {
    if (distanceVolume == nullptr) throw std::runtime_error(kListCutNoDistance);
    if (vesselIDVolume == nullptr) throw std::runtime_error(kListCutNoIds);
    return cutVolume(*distanceVolume, *vesselIDVolume, list);
}

ThreeDPicAccessor<float>* SuppliedTissueClassifier::cutVolume(
    ThreeDPicAccessor<float>& distances, ThreeDPicAccessor<unsigned short>& ids,
    const ArVesselTree& cutTree) {
    EntireVesselTreeSampler sampler;
    const std::unique_ptr<VesselElementList> samples(sampler.getVesselTreeSamples(cutTree));
    if (samples->empty()) throw std::runtime_error(kCutEmptyTree);
    return cutVolume(distances, ids, *samples);
}

ThreeDPicAccessor<float>* SuppliedTissueClassifier::cutVolume(
    ThreeDPicAccessor<float>& distances, ThreeDPicAccessor<unsigned short>& ids,
    const VesselElementList& list) {
    if (list.empty()) throw std::runtime_error(kCutEmptyList);
    unsigned short maxId = 0;
    for (const VesselElementID& sample : list) {
        maxId = std::max(maxId, static_cast<unsigned short>(sample.vesselId));
    }
    std::vector<bool> selected(static_cast<std::size_t>(maxId) + 1, false);
    for (const VesselElementID& sample : list) {
        const auto id = static_cast<unsigned short>(sample.vesselId);
        if (id != 0) selected[id] = true;
    }

    const lumoTeskDescriptor* distancePic = distances.getPic();
    ThreeDPicAccessor<float>* result =
        createDistanceVolume(distancePic->n[0], distancePic->n[1], distancePic->n[2]);
    // Volumes of different sizes are compared over the elements they have in common only, so
    // that neither is read nor the result written beyond its end.
    const lumoTeskDescriptor* idPic = ids.getPic();
    const unsigned count = std::min(_lumoTeskElements(idPic), _lumoTeskElements(distancePic));
    const auto* idData = static_cast<const unsigned short*>(idPic->data);
    const auto* distanceData = static_cast<const float*>(distancePic->data);
    auto* resultData = static_cast<float*>(result->getPic()->data);
    for (unsigned i = 0; i < count; ++i) {
        const unsigned short id = idData[i];
        if (id != 0 && id <= maxId && selected[id]) resultData[i] = distanceData[i];
    }
    return result;
}

ThreeDPicAccessor<unsigned short>* SuppliedTissueClassifier::createVesselIDVolume(
    const unsigned& x, const unsigned& y, const unsigned& z) {
    return createVolume<unsigned short>(x, y, z, kIdAllocation);
}

ThreeDPicAccessor<float>* SuppliedTissueClassifier::createDistanceVolume(const unsigned& x,
                                                                         const unsigned& y,
                                                                         const unsigned& z) {
    return createVolume<float>(x, y, z, kDistanceAllocation);
}
