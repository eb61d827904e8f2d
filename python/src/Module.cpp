#include "Chain.h"
#include "TreeBinding.h"

// The library's hook for fatal input errors, when the library offers it: the module raises
// instead of ending the interpreter.
#if __has_include(<angiolith/diagnostics/Diagnostics.h>)
#include <angiolith/diagnostics/Diagnostics.h>
#define ANGIOLITH_PYTHON_FATAL_HOOK 1
#endif

PYBIND11_MODULE(angiolith, m) {
    m.doc() = R"doc(
Angiolith: vessel-tree analysis of 3-D images on NumPy arrays.

The chain: skeletonize(mask) -> extract_tree(skeleton, distance_field) -> Tree.clean() ->
territories(tree, tissue_mask) -> relabel(vessel_ids, tree). Arrays are indexed [x, y, z] as
nibabel gives them (axes='xyz', the default) or [z, y, x] as SimpleITK and scikit-image give
them (axes='zyx'); spacings and voxel indices follow the same order, and both orders give the
same results. Results are new arrays owned by Python. Bad input raises ValueError or TypeError.)doc";
#ifdef ANGIOLITH_PYTHON_FATAL_HOOK
    setFatalInputHandler(&throwFatalInputException);
    pybind11::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const FatalInputException& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        }
    });
#endif
    angiolith::python::bindChain(m);
    angiolith::python::bindTree(m);
}
