#include "diagnostics/DiagnosticLine.h"

#include <angiolith/detail/Fatal.h>
#include <angiolith/extraction/VectorAdjacencyMatrix.h>

#include <climits>
#include <string>

VectorAdjacencyMatrix::VectorAdjacencyMatrix(ShortVectorList* theNodeList)
    : nodeCount(static_cast<unsigned short>(theNodeList == nullptr ? 0 : theNodeList->size())),
      matrix(static_cast<std::size_t>(nodeCount) * nodeCount, 0),
      nodeList(theNodeList) {
    if (nodeList == nullptr) return;
    for (std::size_t i = 0; i < nodeList->size(); ++i) {
        const Vector3<short>& v = (*nodeList)[i];
        if (!indexMap.insert(v, static_cast<unsigned short>(i))) {
            angiolith::detail::fatalInput(
                "ERror in VectorAdjacencyMatrix::VectorAdjacencyMatrix(ShortVectorList* "
                "theNodeList): vector (" +
                std::to_string(v.x) + "," + std::to_string(v.y) + "," + std::to_string(v.z) +
                ") could not be inserted!");
        }
    }
}

VectorAdjacencyMatrix::~VectorAdjacencyMatrix() = default;

void VectorAdjacencyMatrix::setValueAt(const Vector3<short>& a, const Vector3<short>& b,
                                       int value) {
    setValueAt(getIndex(a), getIndex(b), value);
}

void VectorAdjacencyMatrix::setValueAt(unsigned short row, unsigned short col, int value) {
    if (row >= nodeCount || col >= nodeCount) return;
    matrix[static_cast<std::size_t>(row) * nodeCount + col] = value;
}

int VectorAdjacencyMatrix::getValueAt(const Vector3<short>& a, const Vector3<short>& b) {
    return getValueAt(getIndex(a), getIndex(b));
}

int VectorAdjacencyMatrix::getValueAt(unsigned short row, unsigned short col) {
    if (row >= nodeCount || col >= nodeCount) {
        angiolith::detail::diagnosticLine(
            DiagnosticStream::Output,
            "Error in VectorAdjacencyMatrix::getValueAt(...): incorrect row or column value!");
        return INT_MAX;
    }
    return matrix[static_cast<std::size_t>(row) * nodeCount + col];
}

unsigned short VectorAdjacencyMatrix::getIndex(const Vector3<short>& v) {
    const unsigned short* index = indexMap.find(v);
    return index == nullptr ? kNoIndex : *index;
}

Vector3<short> VectorAdjacencyMatrix::getVector(unsigned short i) {
    if (i >= nodeCount) return Vector3<short>{0, 0, 0};
    return (*nodeList)[i];
}

unsigned short VectorAdjacencyMatrix::getNodeCount() { return nodeCount; }

bool VectorAdjacencyMatrix::isConnected() {
    if (nodeCount == 0) return true;
    std::vector<char> marked(nodeCount, 0);
    std::vector<unsigned short> stack;
    stack.reserve(nodeCount);
    marked[0] = 1;
    stack.push_back(0);
    unsigned int reached = 1;
    while (!stack.empty()) {
        const unsigned short j = stack.back();
        stack.pop_back();
        const int* row = matrix.data() + static_cast<std::size_t>(j) * nodeCount;
        for (unsigned short k = 0; k < nodeCount; ++k) {
            if (row[k] > 0 && !marked[k]) {
                marked[k] = 1;
                ++reached;
                stack.push_back(k);
            }
        }
    }
    return reached == nodeCount;
}
