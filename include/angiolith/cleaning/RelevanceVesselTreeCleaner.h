#ifndef ANGIOLITH_CLEANING_RELEVANCEVESSELTREECLEANER_H
#define ANGIOLITH_CLEANING_RELEVANCEVESSELTREECLEANER_H

#include <angiolith/cleaning/VesselTreeCleaner.h>
#include <angiolith/tree/ArVesselTree.h>
#include <angiolith/tree/Vector3.h>

/// Removes side subtrees that stay close to the point where they leave their parent vessel, and
/// then fuses every vessel that is left with a single child into one vessel with that child.
///
/// A side subtree leaving a parent vessel whose last centre-line sample lies at o with radius r
/// (half the sample's diameter) is irrelevant when every sample of the subtree (each vessel's
/// first sample, the branching point, excepted) at distance d from o has 1 - r/d below the
/// relevance threshold t, that is d < r / (1 - t) for t < 1. With the default t = 0.5 a side
/// branch must reach twice the parent's radius to stay; with t >= 1 every side subtree goes.
class RelevanceVesselTreeCleaner : public VesselTreeCleaner {
public:
    /// @param relevanceThreshold t above
    /// @param preserveCycles when true, a subtree holding a vessel that closes a cycle with a
    ///        vessel outside the subtree is kept however short it is
    explicit RelevanceVesselTreeCleaner(float relevanceThreshold = 0.5f,
                                        bool preserveCycles = false);
    RelevanceVesselTreeCleaner(const RelevanceVesselTreeCleaner& other);
    RelevanceVesselTreeCleaner& operator=(const RelevanceVesselTreeCleaner& other);
    ~RelevanceVesselTreeCleaner() override;

    /// Deletes the irrelevant side subtrees of @p tree (tested in preorder of their parents,
    /// siblings in child order), then calls joinVessels(tree). A null handle is ignored.
    void cleanTree(ArVesselTree tree) override;

    /// Fuses single-child chains, visiting the tree in postorder: a vessel with exactly one
    /// child receives the child's samples after its first and the child's cyclic id (when the
    /// child is cyclic); the child node is removed and its children become the vessel's.
    /// The vessel keeps its own id and attributes. A null handle is ignored.
    virtual void joinVessels(ArVesselTree tree);

private:
    /// Whether no sample of @p subTree is relevant against @p origin and @p radius (and, with
    /// preserveCycles, no vessel of it closes a cycle outside it).
    bool isDeletableSubTree(ArVesselTree subTree, const Vector3<float>& origin, float& radius,
                            float& threshold);

    float relevanceThreshold;
    bool preserveCycles;
};

#endif
