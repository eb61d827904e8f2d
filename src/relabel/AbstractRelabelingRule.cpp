#include <angiolith/relabel/AbstractRelabelingRule.h>

// Defined out of line so that the vtable and type information live in the library only.
AbstractRelabelingRule::~AbstractRelabelingRule() = default;
