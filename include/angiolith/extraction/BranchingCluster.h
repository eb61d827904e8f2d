#ifndef ANGIOLITH_EXTRACTION_BRANCHINGCLUSTER_H
#define ANGIOLITH_EXTRACTION_BRANCHINGCLUSTER_H

#include <angiolith/extraction/EdgePriorityQueue.h>
#include <angiolith/extraction/PriorityEdge.h>
#include <angiolith/extraction/ShortVectorList.h>
#include <angiolith/extraction/VectorAdjacencyMatrix.h>
#include <angiolith/tree/Vector3.h>

#include <memory>

/// A clump of 26-connected branch voxels of a skeleton, with the exit voxels that touch it, as a
/// small undirected graph that reduce() turns into a spanning tree.
///
/// Edges are given up in a fixed order: exit edges first, then corner, edge and face
/// adjacencies between branch voxels; within one kind the edge whose midpoint lies farthest
/// from the reference voxel (the voxel the cluster was grown from) first. An edge is removed
/// when the graph stays connected without it, as in Kruskal's reverse-delete algorithm
/// (J. B. Kruskal, "On the shortest spanning subtree of a graph and the traveling salesman
/// problem", Proc. AMS 7(1), 1956). A walk through the clump then follows only the surviving
/// edges, so it neither creates spurious short vessels nor runs in circles inside the clump.
///
/// Every operation on node indices has a twin on node voxels that converts both voxels with
/// getIndex and calls the index form.
class BranchingCluster {
public:
    /// Takes ownership of @p nodes, whose first voxel becomes the reference voxel. A null or
    /// empty list, or one holding a voxel twice, is a fatal input error (setFatalInputHandler;
    /// by default the process ends with exit code 1); under a throwing handler the list is freed.
    explicit BranchingCluster(ShortVectorList* nodes);
    BranchingCluster(const BranchingCluster&) = delete;
    BranchingCluster& operator=(const BranchingCluster&) = delete;

    virtual float getEdgePriority(const unsigned short& a, const unsigned short& b);
    /// Squared distance of the midpoint of @p a and @p b from the reference voxel, computed in
    /// single precision.
    virtual float getEdgePriority(const Vector3<short>& a, const Vector3<short>& b);
    /// Deletes the matrix, the node list and any edge still queued.
    virtual ~BranchingCluster();
    /// Writes the edge both ways and queues it for reduce(). An index outside the node list, or
    /// @p edgeType NO_EDGE or unknown, is a fatal input error (by default the process ends with
    /// exit code 1); the cluster stays usable when the error throws.
    virtual void addEdge(unsigned short a, unsigned short b, EdgeType edgeType);
    virtual void addEdge(const Vector3<short>& a, const Vector3<short>& b, EdgeType edgeType);
    /// The stored edge; a stored value outside 0..5 is reported and answered with OTHER_EDGE.
    virtual EdgeType getEdge(unsigned short a, unsigned short b);
    virtual EdgeType getEdge(const Vector3<short>& a, const Vector3<short>& b);
    /// Whether the graph stays connected without the edge (an absent edge counts as
    /// removable). An index outside the node list is a fatal input error (by default the
    /// process ends with exit code 1).
    virtual bool isRemovableEdge(unsigned short a, unsigned short b);
    virtual bool isRemovableEdge(const Vector3<short>& a, const Vector3<short>& b);
    virtual void removeEdge(unsigned short a, unsigned short b);
    virtual void removeEdge(const Vector3<short>& a, const Vector3<short>& b);
    /// Empties the four queues, removing each edge whose removal keeps the graph connected;
    /// returns the number of removals.
    virtual int reduce();
    /// A new list (caller frees) of the nodes joined to @p v, in node order.
    virtual ShortVectorList* getNeighbours(const Vector3<short>& v);
    virtual bool contains(const Vector3<short>& v);

private:
    // The node list comes first: it is owned from the start of construction, so that a refused
    // list is freed, and the matrix that refers to it is destroyed before it.
    std::unique_ptr<ShortVectorList> nodeList;
    std::unique_ptr<VectorAdjacencyMatrix> adjacencyMatrix;
    Vector3<short> referenceNode;
    EdgePriorityQueue n6EdgeQueue;
    EdgePriorityQueue n18EdgeQueue;
    EdgePriorityQueue n26EdgeQueue;
    EdgePriorityQueue exitEdgeQueue;
};

#endif
