#include <angiolith/cleaning/RelevanceVesselTreeCleaner.h>

#include <cmath>
#include <set>
#include <vector>

namespace {

using VesselIterator = ar<TreeIterator<ar<Vessel>>>;

float distance(const Vector3<float>& a, const Vector3<float>& b) {
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    const float dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

}  // namespace

RelevanceVesselTreeCleaner::RelevanceVesselTreeCleaner(float relevanceThreshold,
                                                       bool preserveCycles)
    : relevanceThreshold(relevanceThreshold), preserveCycles(preserveCycles) {}

RelevanceVesselTreeCleaner::RelevanceVesselTreeCleaner(const RelevanceVesselTreeCleaner& other) =
    default;

RelevanceVesselTreeCleaner& RelevanceVesselTreeCleaner::operator=(
    const RelevanceVesselTreeCleaner& other) = default;

RelevanceVesselTreeCleaner::~RelevanceVesselTreeCleaner() = default;

void RelevanceVesselTreeCleaner::cleanTree(ArVesselTree tree) {
    if (tree.operator->() == nullptr) {
        return;
    }
    // The trailer stays one node behind the walker. Deleting a subtree below the
    // walker's node leaves the walker's precomputed successor stale, so the
    // walker is then rebuilt from the trailer: one step from the trailer lands on
    // the same node with a fresh successor.
    VesselIterator walker(tree->preorderIterator());
    VesselIterator trailer(tree->preorderIterator());
    bool firstPass = true;
    while (walker->hasNext()) {
        walker->next();
        if (!firstPass) {
            trailer->next();
        }
        firstPass = false;
        if (walker->isLeaf()) {
            continue;
        }

        const ar<Vessel> vessel = walker->getValue();
        const VesselElement end = vessel->getElement(vessel->getSize() - 1);
        const Vector3<float> origin = end.position;
        float radius = 0.5f * end.diameter;

        VesselIterator children(walker->childIterator());
        while (children->hasNext()) {
            children->next();
            const ArVesselTree subTree(children->getSubTree());
            if (isDeletableSubTree(subTree, origin, radius, relevanceThreshold)) {
                children->remove();
                walker = trailer->clone();
                walker->next();
                // Siblings already kept are tested again; they are kept again.
                children = walker->childIterator();
            }
        }
    }
    joinVessels(tree);
}

void RelevanceVesselTreeCleaner::joinVessels(ArVesselTree tree) {
    if (tree.operator->() == nullptr) {
        return;
    }
    // Postorder: a child's own chain is already fused when its parent is reached,
    // so a chain of single-child vessels collapses completely into its top
    // vessel.
    const VesselIterator it(tree->postorderIterator());
    while (it->hasNext()) {
        it->next();
        if (it->getNumberOfChildren() != 1) {
            continue;
        }
        const VesselIterator child(it->childIterator());
        if (!child->hasNext()) {
            continue;  // the only child entry is empty
        }
        const ar<Vessel> childVessel = child->next();
        const ar<Vessel> vessel = it->getValue();
        // Copied first: the child's samples stay valid even if both nodes hold the
        // same vessel.
        const std::vector<VesselElement> tail(childVessel->uniqueElementsBegin(),
                                              childVessel->uniqueElementsEnd());
        for (const VesselElement& element : tail) {
            vessel->add(element);
        }
        if (childVessel->isCyclic()) {
            vessel->setCyclicId(childVessel->getCyclicId());
        }
        child->removeAndLiftChildren();
    }
}

bool RelevanceVesselTreeCleaner::isDeletableSubTree(ArVesselTree subTree,
                                                    const Vector3<float>& origin, float& radius,
                                                    float& threshold) {
    std::set<int> ids;
    {
        const VesselIterator it(subTree->preorderIterator());
        while (it->hasNext()) {
            ids.insert(it->next()->getId());
        }
    }

    const VesselIterator it(subTree->postorderIterator());
    while (it->hasNext()) {
        const ar<Vessel> vessel = it->next();
        for (auto element = vessel->uniqueElementsBegin(); element != vessel->uniqueElementsEnd();
             ++element) {
            const float d = distance(element->position, origin);
            // The quotient is a float, the difference a double: at d = r / (1 - t)
            // exactly the sample counts as relevant.
            const double relevance = 1.0 - static_cast<double>(radius / d);
            if (relevance >= threshold) {
                return false;
            }
        }
        if (preserveCycles && vessel->isCyclic() && ids.count(vessel->getCyclicId()) == 0) {
            return false;
        }
    }
    return true;
}
