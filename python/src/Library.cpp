#include "Library.h"

namespace angiolith::python {

std::unique_lock<std::mutex> libraryLock() {
    static std::mutex mutex;
    return std::unique_lock<std::mutex>(mutex);
}

}  // namespace angiolith::python
