#ifndef ANGIOLITH_PYTHON_CHAIN_H
#define ANGIOLITH_PYTHON_CHAIN_H

#include <pybind11/pybind11.h>

namespace angiolith::python {

/// Registers skeletonize, extract_tree, territories and relabel in @p module.
void bindChain(pybind11::module_& module);

}  // namespace angiolith::python

#endif
