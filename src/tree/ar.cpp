#include <angiolith/tree/ar.h>

std::map<void*, int> arBase::counter;
