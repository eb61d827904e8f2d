#ifndef ANGIOLITH_EXTRACTION_VECTORADJACENCYMATRIX_H
#define ANGIOLITH_EXTRACTION_VECTORADJACENCYMATRIX_H

#include <angiolith/extraction/ShortVectorList.h>
#include <angiolith/extraction/detail/PackedVoxelMap.h>
#include <angiolith/tree/Vector3.h>

#include <vector>

/// A dense adjacency matrix over a list of voxels: node i is the i-th voxel of the list, and
/// each ordered pair of nodes holds one integer edge value (0 meaning no edge).
///
/// The matrix holds nodeCount squared integers, so it suits small graphs such as the clumps of
/// branch voxels it is made for.
class VectorAdjacencyMatrix {
public:
    /// Node index that stands for "not a node".
    static constexpr unsigned short kNoIndex = 65535;

    /// Builds an all-zero matrix over @p theNodeList (borrowed: it must outlive the matrix; a
    /// null list gives an empty matrix). A repeated voxel in the list is a fatal input error (by
    /// default the process ends with exit code 1; see setFatalInputHandler).
    explicit VectorAdjacencyMatrix(ShortVectorList* theNodeList);
    VectorAdjacencyMatrix(const VectorAdjacencyMatrix&) = delete;
    VectorAdjacencyMatrix& operator=(const VectorAdjacencyMatrix&) = delete;

    /// Frees the matrix and the index, not the node list.
    virtual ~VectorAdjacencyMatrix();
    virtual void setValueAt(const Vector3<short>& a, const Vector3<short>& b, int value);
    /// Stores the value; ignored when row or col is not a node index.
    virtual void setValueAt(unsigned short row, unsigned short col, int value);
    virtual int getValueAt(const Vector3<short>& a, const Vector3<short>& b);
    /// The stored value; for a row or col that is not a node index it reports on the standard
    /// output stream and returns 2147483647.
    virtual int getValueAt(unsigned short row, unsigned short col);
    /// Index of @p v, or 65535 when @p v is not a node.
    virtual unsigned short getIndex(const Vector3<short>& v);
    /// Node @p i; (0, 0, 0) for an index that is not a node.
    virtual Vector3<short> getVector(unsigned short i);
    virtual unsigned short getNodeCount();
    /// Whether every node is reached from node 0 over entries above 0 (a depth-first search
    /// with an explicit stack, so large graphs cannot overflow the call stack). An empty graph
    /// counts as connected.
    virtual bool isConnected();

private:
    unsigned short nodeCount;
    std::vector<int> matrix;
    ShortVectorList* nodeList;
    angiolith::detail::PackedVoxelMap<unsigned short> indexMap;
};

#endif
