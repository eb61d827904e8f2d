#include "diagnostics/DiagnosticLine.h"

#include <angiolith/tree/VesselTreeTools.h>

#include <utility>
#include <vector>

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
    ArVesselTree copy(new LinkedTree<VesselRef>());
    copy->setRoot(copyVessel(walk->getValue()));
    ar<TreeIterator<VesselRef>> copyWalk(copy->preorderIterator());
    copyWalk->next();

    // Copied node by node with an explicit stack, so that deep trees cannot exhaust the call
    // stack; each node keeps its children's order and each vessel is copied once.
    std::vector<std::pair<Node<VesselRef>*, Node<VesselRef>*>> work{
        {walk->getCurrentNode(), copyWalk->getCurrentNode()}};
    while (!work.empty()) {
        auto [from, to] = work.back();
        work.pop_back();
        const int count = from->getNumberOfChildren();
        for (int i = 0; i < count; ++i) {
            Node<VesselRef>* child = from->getChild(i);
            if (child == nullptr) {
                continue;
            }
            auto* childCopy = new LinkedNode<VesselRef>(copyVessel(child->getValue()),
                                                        static_cast<LinkedNode<VesselRef>*>(to), 3);
            to->addChild(childCopy);
            work.emplace_back(child, childCopy);
        }
    }
    return copy;
}
