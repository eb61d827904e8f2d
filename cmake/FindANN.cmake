# Finds the ANN library for approximate nearest neighbour searching (Debian: libann-dev).
# Defines ANN_FOUND, ANN_INCLUDE_DIR, ANN_LIBRARY and the imported target ANN::ANN.
find_path(ANN_INCLUDE_DIR NAMES ANN/ANN.h)
find_library(ANN_LIBRARY NAMES ann ANN)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(ANN REQUIRED_VARS ANN_LIBRARY ANN_INCLUDE_DIR)

if(ANN_FOUND AND NOT TARGET ANN::ANN)
    add_library(ANN::ANN UNKNOWN IMPORTED)
    set_target_properties(ANN::ANN PROPERTIES
        IMPORTED_LOCATION "${ANN_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${ANN_INCLUDE_DIR}")
endif()
mark_as_advanced(ANN_INCLUDE_DIR ANN_LIBRARY)
