#include "diagnostics/DiagnosticLine.h"

#include <angiolith/detail/Fatal.h>
#include <angiolith/extraction/BranchingCluster.h>

namespace {

// Messages of this file are Windows-1252 text: "\xFC" is the byte of "ü".
const char* const kNullNodes = "BranchingCluster(ShortVectorList*) mit Parameter == 0 aufgerufen!";
const char* const kEmptyNodes = "BranchingCluster(ShortVectorList*) mit leerem vector aufgerufen!";
const char* const kBadAddIndex =
    "BranchingCluster::addEdge() :: ung\xFCltiger Index \xFC"
    "bergeben! ";
const char* const kBadEdgeType =
    "BranchingCluster::addEdge():  ung\xFCltiger edgeType \xFC"
    "bergeben!";
const char* const kBadRemovableIndex =
    "BranchingCluster::isRemovableEdge() :: ung\xFCltiger Index \xFC"
    "bergeben! ";
const char* const kUnsupportedEdge =
    "BranchingCluster::getEdge(): Nicht unterst\xFCtzter EdgeType! Gebe OTHER_EDGE zur\xFC"
    "ck";

ShortVectorList* checkedNodes(ShortVectorList* nodes) {
    if (nodes == nullptr) angiolith::detail::fatalInput(kNullNodes);
    if (nodes->empty()) angiolith::detail::fatalInput(kEmptyNodes);
    return nodes;
}

void drain(EdgePriorityQueue& queue) {
    while (PriorityEdge* edge = queue.pop()) delete edge;
}

}  // namespace

BranchingCluster::BranchingCluster(ShortVectorList* nodes)
    : nodeList(nodes),
      adjacencyMatrix(new VectorAdjacencyMatrix(checkedNodes(nodes))),
      referenceNode((*nodes)[0]) {}

float BranchingCluster::getEdgePriority(const unsigned short& a, const unsigned short& b) {
    return getEdgePriority(nodeList->at(a), nodeList->at(b));
}

float BranchingCluster::getEdgePriority(const Vector3<short>& a, const Vector3<short>& b) {
    const float mx = static_cast<float>(a.x + b.x) * 0.5f;
    const float my = static_cast<float>(a.y + b.y) * 0.5f;
    const float mz = static_cast<float>(a.z + b.z) * 0.5f;
    const float dx = static_cast<float>(referenceNode.x) - mx;
    const float dy = static_cast<float>(referenceNode.y) - my;
    const float dz = static_cast<float>(referenceNode.z) - mz;
    const float sx = dx * dx;
    const float sy = dy * dy;
    const float sz = dz * dz;
    return sx + sy + sz;
}

BranchingCluster::~BranchingCluster() {
    drain(n6EdgeQueue);
    drain(n18EdgeQueue);
    drain(n26EdgeQueue);
    drain(exitEdgeQueue);
}

void BranchingCluster::addEdge(unsigned short a, unsigned short b, EdgeType edgeType) {
    if (a >= nodeList->size() || b >= nodeList->size()) {
        angiolith::detail::diagnosticLine(DiagnosticStream::Output,
                                          std::to_string(a) + "  " + std::to_string(b));
        angiolith::detail::fatalInput(kBadAddIndex);
    }
    adjacencyMatrix->setValueAt(a, b, edgeType);
    adjacencyMatrix->setValueAt(b, a, edgeType);
    const float priority = getEdgePriority(a, b);
    EdgePriorityQueue* queue = nullptr;
    switch (edgeType) {
        case N6_EDGE:
            queue = &n6EdgeQueue;
            break;
        case N18_EDGE:
            queue = &n18EdgeQueue;
            break;
        case N26_EDGE:
            queue = &n26EdgeQueue;
            break;
        case EXIT_EDGE:
            queue = &exitEdgeQueue;
            break;
        case OTHER_EDGE:
            return;
        default:
            angiolith::detail::fatalInput(kBadEdgeType);
    }
    queue->push(new PriorityEdge((*nodeList)[a], a, (*nodeList)[b], b, edgeType, priority));
}

void BranchingCluster::addEdge(const Vector3<short>& a, const Vector3<short>& b,
                               EdgeType edgeType) {
    addEdge(adjacencyMatrix->getIndex(a), adjacencyMatrix->getIndex(b), edgeType);
}

EdgeType BranchingCluster::getEdge(unsigned short a, unsigned short b) {
    const int value = adjacencyMatrix->getValueAt(a, b);
    if (value < NO_EDGE || value > OTHER_EDGE) {
        angiolith::detail::diagnosticLine(DiagnosticStream::Output, kUnsupportedEdge);
        return OTHER_EDGE;
    }
    return static_cast<EdgeType>(value);
}

EdgeType BranchingCluster::getEdge(const Vector3<short>& a, const Vector3<short>& b) {
    return getEdge(adjacencyMatrix->getIndex(a), adjacencyMatrix->getIndex(b));
}

bool BranchingCluster::isRemovableEdge(unsigned short a, unsigned short b) {
    if (a >= nodeList->size() || b >= nodeList->size()) {
        angiolith::detail::fatalInput(kBadRemovableIndex);
    }
    const int value = adjacencyMatrix->getValueAt(a, b);
    adjacencyMatrix->setValueAt(a, b, NO_EDGE);
    adjacencyMatrix->setValueAt(b, a, NO_EDGE);
    const bool connected = adjacencyMatrix->isConnected();
    adjacencyMatrix->setValueAt(a, b, value);
    adjacencyMatrix->setValueAt(b, a, value);
    return connected;
}

bool BranchingCluster::isRemovableEdge(const Vector3<short>& a, const Vector3<short>& b) {
    return isRemovableEdge(adjacencyMatrix->getIndex(a), adjacencyMatrix->getIndex(b));
}

void BranchingCluster::removeEdge(unsigned short a, unsigned short b) {
    adjacencyMatrix->setValueAt(a, b, NO_EDGE);
    adjacencyMatrix->setValueAt(b, a, NO_EDGE);
}

void BranchingCluster::removeEdge(const Vector3<short>& a, const Vector3<short>& b) {
    removeEdge(adjacencyMatrix->getIndex(a), adjacencyMatrix->getIndex(b));
}

int BranchingCluster::reduce() {
    int removals = 0;
    for (EdgePriorityQueue* queue : {&exitEdgeQueue, &n26EdgeQueue, &n18EdgeQueue, &n6EdgeQueue}) {
        while (PriorityEdge* edge = queue->pop()) {
            const unsigned short a = edge->getFirstIndex();
            const unsigned short b = edge->getSecondIndex();
            delete edge;
            if (isRemovableEdge(a, b)) {
                removeEdge(a, b);
                ++removals;
            }
        }
    }
    return removals;
}

ShortVectorList* BranchingCluster::getNeighbours(const Vector3<short>& v) {
    const unsigned short index = adjacencyMatrix->getIndex(v);
    auto neighbours = std::make_unique<ShortVectorList>();
    const unsigned short count = adjacencyMatrix->getNodeCount();
    for (unsigned short j = 0; j < count; ++j) {
        if (j != index && getEdge(index, j) != NO_EDGE) neighbours->push_back((*nodeList)[j]);
    }
    return neighbours.release();
}

bool BranchingCluster::contains(const Vector3<short>& v) {
    return adjacencyMatrix->getIndex(v) < VectorAdjacencyMatrix::kNoIndex;
}
