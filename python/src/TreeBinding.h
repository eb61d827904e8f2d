#ifndef ANGIOLITH_PYTHON_TREEBINDING_H
#define ANGIOLITH_PYTHON_TREEBINDING_H

#include "Arrays.h"

#include <angiolith/tree/ArVesselTree.h>

#include <memory>
#include <vector>

namespace angiolith::python {

/// A vessel tree held for Python: the library's tree handle, the axis order in which Python sees
/// its positions, and an index of its vessels in preorder with their parents and children,
/// rebuilt after every change of the tree's shape.
class TreeState {
public:
    TreeState(ArVesselTree tree, Axes axes);
    /// Releases the tree under the library lock.
    ~TreeState();
    TreeState(const TreeState&) = delete;
    TreeState& operator=(const TreeState&) = delete;

    struct Entry {
        Vessel* vessel;  ///< owned by the tree's node; valid until the shape changes
        int parent;      ///< index of the parent entry, -1 at the root
        std::vector<int> children;
    };

    /// The vessels in preorder. Call with the library lock held.
    const std::vector<Entry>& entries();
    /// Call with the library lock held, after the tree's shape changed: vessels taken before
    /// refuse further use.
    void changed();

    ArVesselTree& tree() { return handle; }
    Axes axes() const { return order; }
    unsigned long generation() const { return version; }

private:
    ArVesselTree handle;
    Axes order;
    unsigned long version = 0;
    bool indexed = false;
    std::vector<Entry> index;
};

/// The Python `Tree`: shares its state with the vessels taken from it.
struct PyTree {
    std::shared_ptr<TreeState> state;
};

/// Registers `Tree` and `Vessel` in @p module.
void bindTree(py::module_& module);

}  // namespace angiolith::python

#endif
