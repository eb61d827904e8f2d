#include <angiolith/cleaning/VesselTreeCleaner.h>

// Defined out of line so that the vtable and type information live in the
// library only.
VesselTreeCleaner::~VesselTreeCleaner() = default;
