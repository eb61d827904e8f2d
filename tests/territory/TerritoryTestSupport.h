#ifndef ANGIOLITH_TESTS_TERRITORY_TERRITORYTESTSUPPORT_H
#define ANGIOLITH_TESTS_TERRITORY_TERRITORYTESTSUPPORT_H

#include "support/Descriptors.h"
#include "support/VesselTrees.h"

#include <angiolith/image/ThreeDPicAccessor.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace angiolith::test {

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
