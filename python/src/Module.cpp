#include "Chain.h"
#include "LibraryMessages.h"
#include "TreeBinding.h"

#include <angiolith/diagnostics/Diagnostics.h>

PYBIND11_MODULE(angiolith, m) {
    m.doc() = R"doc(
Angiolith: vessel-tree analysis of 3-D images on NumPy arrays.

The chain: skeletonize(mask) -> extract_tree(skeleton, distance_field) -> Tree.clean() ->
territories(tree, tissue_mask) -> relabel(vessel_ids, tree). Arrays are indexed [x, y, z] as
nibabel gives them (axes='xyz', the default) or [z, y, x] as SimpleITK and scikit-image give
them (axes='zyx'); spacings and voxel indices follow the same order, and both orders give the
same results. Results are new arrays owned by Python. Bad input raises ValueError or TypeError.)doc";
    // A fatal input error of the library raises ValueError instead of ending the interpreter; its
    // diagnostic lines go to Python's logging.
    angiolith::python::installLibraryHooks();
    pybind11::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const FatalInputException& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        }
    });
    angiolith::python::bindChain(m);
    angiolith::python::bindTree(m);
}
