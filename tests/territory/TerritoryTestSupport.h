#ifndef ANGIOLITH_TESTS_TERRITORY_TERRITORYTESTSUPPORT_H
#define ANGIOLITH_TESTS_TERRITORY_TERRITORYTESTSUPPORT_H

#include <angiolith/image/ThreeDPicAccessor.h>
#include <angiolith/image/detail/ElementKinds.h>
#include <angiolith/image/lumoTeskDescriptor.h>
#include <angiolith/tree/ArVesselTree.h>
#include <angiolith/tree/LinkedTree.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace angiolith::test {

/// A new vessel with the given id, attributes and centre-line positions (diameter 1, scalar 5).
inline ar<Vessel> makeVessel(int id, VesselProperties::NType type, int segment, int resectionStatus,
                             const std::vector<Vector3<float>>& positions) {
    ar<Vessel> vessel(new Vessel());
    vessel->setId(id);
    vessel->getProperties().type = type;
    vessel->getProperties().segment = segment;
    vessel->getProperties().resectionStatus = resectionStatus;
    for (const auto& p : positions) vessel->add(VesselElement{p, 1.0f, 5.0f});
    return vessel;
}

/// A tree whose root is @p vessels[0]; @p parents[i] is the index of vessel i's parent (i > 0),
/// which must come before i. With parents listed in order, preorder follows the rule "a vessel's
/// subtree comes right after it", so tests state the preorder they expect explicitly.
inline ArVesselTree makeTree(const std::vector<ar<Vessel>>& vessels,
                             const std::vector<int>& parents) {
    ArVesselTree tree(new LinkedTree<ar<Vessel>>());
    if (vessels.empty()) return tree;
    tree->setRoot(vessels[0]);
    for (std::size_t i = 1; i < vessels.size(); ++i) {
        ar<TreeIterator<ar<Vessel>>> it(tree->preorderIterator());
        while (it->hasNext()) {
            if (it->next() == vessels[static_cast<std::size_t>(parents[i])]) break;
        }
        it->addChild(vessels[i]);
    }
    return tree;
}

/// A zero-filled 3-D descriptor for elements of type T (unsigned integer or float) of the given
/// extents (caller frees).
template <typename T>
lumoTeskDescriptor* makePic(unsigned nx, unsigned ny, unsigned nz) {
    return angiolith::detail::makeZeroVolume<T>(nx, ny, nz).release();
}

/// The element buffer of @p accessor's descriptor.
template <typename T>
T* dataOf(const ThreeDPicAccessor<T>& accessor) {
    return static_cast<T*>(accessor.getPic()->data);
}

/// The text of the std::runtime_error that @p call throws, or a note that it threw none.
template <typename Call>
std::string messageOf(Call call) {
    try {
        call();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "no std::runtime_error";
}

}  // namespace angiolith::test

#endif
