#include "diagnostics/DiagnosticLine.h"

#include <angiolith/tree/VesselTreeTools.h>
#include <angiolith/tree/detail/LinkedTreeWalk.h>

namespace {

typedef ar<Vessel> VesselRef;

// A new vessel with the contents of @p source (null stays null).
VesselRef copyVessel(const VesselRef& source) {
    return source ? VesselRef(new Vessel(*source)) : VesselRef();
}

}  // namespace

ArVesselTree VesselTreeTools::Clone(ArVesselTree tree) {
    // A null handle is answered like a tree without root instead of being dereferenced.
    ar<TreeIterator<VesselRef>> walk(tree ? tree->preorderIterator() : nullptr);
    if (!walk || !walk->hasNext()) {
        angiolith::detail::diagnosticLine(
            DiagnosticStream::Output,
            "Error in VesselTreeTools::Clone( ArVesselTree tree ): tree has no root node!");
        return ArVesselTree();
    }
    walk->next();
    auto* copy = new LinkedTree<VesselRef>();
    ArVesselTree result(copy);
    // The tree's own structure copier, with a new vessel for each node.
    angiolith::detail::LinkedTreeWalk<VesselRef>::adoptRoot(
        *copy, angiolith::detail::LinkedTreeWalk<VesselRef>::copyStructure(walk->getCurrentNode(),
                                                                           nullptr, 3, copyVessel));
    return result;
}
