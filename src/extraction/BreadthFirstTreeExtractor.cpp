#include <angiolith/detail/Fatal.h>
#include <angiolith/extraction/BreadthFirstTreeExtractor.h>
#include <angiolith/tree/LinkedTree.h>
#include <angiolith/tree/TreeIterator.h>
#include <angiolith/tree/Vessel.h>

#include <memory>

namespace {

using angiolith::detail::fatalInput;
using VesselIterator = ar<TreeIterator<ar<Vessel>>>;

const char* const kTreeNullSkeleton =
    "Error in BreadthFirstTreeExtractor::getTree(): Parameter theSkelVol == NULL";
const char* const kTreeNullVoxels =
    "Error in BreadthFirstTreeExtractor::getTree(): Parameter skeletalVoxels == NULL";
const char* const kTreeNoStart =
    "Fehler in BreadthFirstTreeExtractor::getTree(): Kein Endpunkt im Volumen vorhanden!";
const char* const kFieldNullSkeleton =
    "Error in BreadthFirstTreeExtractor::getTreeDF(): Parameter theSkelVol == NULL";
const char* const kFieldNullField =
    "Error in BreadthFirstTreeExtractor::getTreeDF(): Parameter distanceField == NULL";
const char* const kFieldNoStart =
    "Fehler in BreadthFirstTreeExtractor::getTreeDF(): Kein Endpunkt im Volumen vorhanden!";
// UTF-8 text, unlike the other messages of the extraction.
const char* const kEmptyTree =
    "Fehler in BreadthFirstTreeExtractor::trackVessel(): leerer Baum \xC3\xBC"
    "bergeben!";
const char* const kBadElementCount =
    "Fehler in BreadthFirstTreeExtractor::trackVessel(): elementCount > 2 oder <= 0, das darf "
    "an dieser Stelle nicht sein, da maximal 2 Elemente enthalten sein sollten "
    "((verzweigungselement +) erstes vessel-element!";
const char* const kMissingDistanceValue =
    "BreadthFirstTreeExtractor::getDiameter(): fehlender Distanzwert";
const char* const kMissingDistances =
    "BreadthFirstTreeExtractor::getDiameter(): fehlende Distanzen!";

// Points a field of the extractor at an object of the current call and clears it when the call
// ends, normally or by an exception, so that the field never outlives the object.
template <typename T>
class FieldScope {
public:
    FieldScope(T*& field, T* value) : field(field) { field = value; }
    ~FieldScope() { field = nullptr; }
    FieldScope(const FieldScope&) = delete;
    FieldScope& operator=(const FieldScope&) = delete;

private:
    T*& field;
};

// Owns the queue of pending vessels for one call: deletes every vessel still waiting (after an
// exception in the tracking) and then the queue.
struct QueueOwner {
    std::unique_ptr<VesselPriorityQueue> queue{new VesselPriorityQueue};
    ~QueueOwner() {
        while (PriorityVessel* pending = queue->pop()) delete pending;
    }
};

Vector3<float> toPosition(const Vector3<short>& v) {
    return Vector3<float>{static_cast<float>(v.x), static_cast<float>(v.y),
                          static_cast<float>(v.z)};
}

// A voxel index stored as float back to the voxel: add one half, truncate towards zero.
short toIndex(float coordinate) {
    return static_cast<short>(static_cast<int>(static_cast<double>(coordinate) + 0.5));
}

}  // namespace

BreadthFirstTreeExtractor::BreadthFirstTreeExtractor()
    : skeleton(nullptr),
      distanceField(nullptr),
      distanceValues(nullptr),
      pathFinder(nullptr),
      vesselQueue(nullptr),
      vesselCounter(0) {}

BreadthFirstTreeExtractor::~BreadthFirstTreeExtractor() = default;

ArVesselTree BreadthFirstTreeExtractor::getTree(VolumeAccessor<unsigned char>* theSkelVol,
                                                std::list<DistancePoint3D*>* skeletalVoxels,
                                                Point3D* start) {
    if (theSkelVol == nullptr) fatalInput(kTreeNullSkeleton);
    if (skeletalVoxels == nullptr) fatalInput(kTreeNullVoxels);
    auto lookup = std::make_unique<BorderVoxelHashMap>();
    for (DistancePoint3D* point : *skeletalVoxels) lookup->insert(point);
    distanceField = nullptr;
    FieldScope<BorderVoxelHashMap> lookupScope(distanceValues, lookup.get());
    skeleton = theSkelVol;
    return extract(start, kTreeNoStart);
}

ArVesselTree BreadthFirstTreeExtractor::getTreeDF(VolumeAccessor<unsigned char>* theSkelVol,
                                                  VolumeAccessor<float>* theDistanceField,
                                                  Point3D* start) {
    if (theSkelVol == nullptr) fatalInput(kFieldNullSkeleton);
    if (theDistanceField == nullptr) fatalInput(kFieldNullField);
    distanceField = theDistanceField;
    distanceValues = nullptr;
    skeleton = theSkelVol;
    return extract(start, kFieldNoStart);
}

ArVesselTree BreadthFirstTreeExtractor::extract(Point3D* start, const char* noStartMessage) {
    Vector3<short> startVoxel{0, 0, 0};
    if (start != nullptr) startVoxel = Vector3<short>{start->getX(), start->getY(), start->getZ()};
    Vector3<short>* given = start != nullptr ? &startVoxel : nullptr;
    // The field is preferred when both sources are present, as in getDiameter.
    std::unique_ptr<PathFinder> finder =
        distanceField != nullptr
            ? std::make_unique<PathFinder>(skeleton, distanceField, given, false)
            : std::make_unique<PathFinder>(skeleton, distanceValues, given, false);
    ArVesselTree tree;
    {
        FieldScope<PathFinder> finderScope(pathFinder, finder.get());
        if (!pathFinder->hasStartPoint()) fatalInput(noStartMessage);
        const Vector3<short> p = pathFinder->getStartPoint();
        pathFinder->markVisited(p, 1);
        tree = vesselIt(p);
    }
    finder.reset();
    correctCoordinates(tree);
    return tree;
}

ArVesselTree BreadthFirstTreeExtractor::vesselIt(Vector3<short> start) {
    vesselCounter = 1;
    QueueOwner owner;
    FieldScope<VesselPriorityQueue> queueScope(vesselQueue, owner.queue.get());
    // Setting a spacing to itself makes the accessor recompute minVoxelSize from all three.
    skeleton->setVoxelSizeX(skeleton->getVoxelSizeX());

    ArVesselTree tree(new LinkedTree<ar<Vessel>>());
    ar<Vessel> root(new Vessel());
    root->setId(1);
    root->add(VesselElement{toPosition(start), getDiameter(start), 0.0f});
    tree->setRoot(root);

    VesselIterator it(tree->preorderIterator());
    it->next();
    auto first =
        std::make_unique<PriorityVessel>(ArVesselTree(it->getSubTree()), getDiameter(start), 1, 1);
    vesselQueue->push(first.get());
    first.release();
    while (!vesselQueue->isEmpty()) {
        std::unique_ptr<PriorityVessel> pending(vesselQueue->pop());
        trackVessel(pending->getSubTree(), pending->getVesselId(), pending->getParentId());
    }
    return tree;
}

void BreadthFirstTreeExtractor::trackVessel(ArVesselTree subTree, long vesselId, long parentId) {
    VesselIterator it(subTree->preorderIterator());
    if (!it->hasNext()) fatalInput(kEmptyTree);
    it->next();
    ar<Vessel> vessel = it->getValue();
    const int elementCount = vessel->getSize();
    if (elementCount > 2 || elementCount <= 0) fatalInput(kBadElementCount);
    const VesselElement last = vessel->getElement(elementCount - 1);
    Vector3<short> p{toIndex(last.position.x), toIndex(last.position.y), toIndex(last.position.z)};

    for (;;) {
        std::unique_ptr<VisitableNeighbours> nb(
            pathFinder->getUnvisitedNeighbours(p.x, p.y, p.z, vesselId, parentId));
        const unsigned count = nb->getNeighbourCount();
        if (count == 0) return;
        if (count == 1) {
            if (nb->isCyclic(0)) {
                vessel->setCyclicId(static_cast<int>(nb->getVesselId(0)));
                return;
            }
            Vector3<short> q = nb->getNeighbour(0);
            pathFinder->markVisited(q, vesselId);
            vessel->add(VesselElement{toPosition(q), getDiameter(q), 0.0f});
            p = q;
            continue;
        }
        for (unsigned i = 0; i < count; ++i) {
            if (nb->isCyclic(i)) {
                vessel->setCyclicId(static_cast<int>(nb->getVesselId(i)));
                continue;
            }
            Vector3<short> q = nb->getNeighbour(i);
            ++vesselCounter;
            const std::int32_t id = vesselCounter;
            pathFinder->markVisited(q, id);
            ar<Vessel> child(new Vessel());
            child->add(VesselElement{toPosition(p), getDiameter(p), 0.0f});
            child->add(VesselElement{toPosition(q), getDiameter(q), 0.0f});
            child->setId(id);
            it->addChild(child);
        }
        VesselIterator children(it->childIterator());
        while (children->hasNext()) {
            ar<Vessel> child = children->next();
            auto pending = std::make_unique<PriorityVessel>(ArVesselTree(children->getSubTree()),
                                                            child->getElement(0).diameter,
                                                            child->getId(), vesselId);
            vesselQueue->push(pending.get());
            pending.release();
        }
        return;
    }
}

float BreadthFirstTreeExtractor::getDiameter(Vector3<short>& voxel) {
    if (distanceField != nullptr) {
        const double d = distanceField->getVoxel(voxel.x, voxel.y, voxel.z);
        return static_cast<float>((d - 0.5 * static_cast<double>(skeleton->getVoxelSizeX())) * 2.0);
    }
    if (distanceValues != nullptr) {
        const DistancePoint3D* point =
            distanceValues->getDistancePoint3D(voxel.x, voxel.y, voxel.z);
        if (point == nullptr) fatalInput(kMissingDistanceValue);
        const double d = point->getDistance();
        return static_cast<float>((d - 0.5 * static_cast<double>(skeleton->getMinVoxelSize())) *
                                  2.0);
    }
    fatalInput(kMissingDistances);
}

void BreadthFirstTreeExtractor::correctCoordinates(ArVesselTree tree) {
    const float sx = skeleton->getVoxelSizeX();
    const float sy = skeleton->getVoxelSizeY();
    const float sz = skeleton->getVoxelSizeZ();
    VesselIterator it(tree->preorderIterator());
    while (it->hasNext()) {
        ar<Vessel> vessel = it->next();
        for (VesselElement& element : vessel->getElementsList()) {
            element.position.x *= sx;
            element.position.y *= sy;
            element.position.z *= sz;
        }
    }
}
