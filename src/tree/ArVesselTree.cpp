// The one instantiation of the linked tree templates for vessels; ArVesselTree.h declares it
// extern for every other translation unit.

#include <angiolith/tree/ArVesselTree.h>
#include <angiolith/tree/detail/LinkedTreeImpl.h>

template class LinkedNode<ar<Vessel>>;
template class LinkedTree<ar<Vessel>>;
template class AbstractLinkedTreeIterator<ar<Vessel>>;
template class PreorderTreeIterator<ar<Vessel>>;
template class InorderTreeIterator<ar<Vessel>>;
template class PostorderTreeIterator<ar<Vessel>>;
template class LevelorderTreeIterator<ar<Vessel>>;
template class LeafTreeIterator<ar<Vessel>>;
template class ChildTreeIterator<ar<Vessel>>;
template class RootTreeIterator<ar<Vessel>>;
template class WalkTreeIterator<ar<Vessel>>;
