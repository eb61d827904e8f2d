#ifndef ANGIOLITH_SKELETON_ORDEREDBORDERVOXELLISTPROCESSOR_H
#define ANGIOLITH_SKELETON_ORDEREDBORDERVOXELLISTPROCESSOR_H

#include <angiolith/skeleton/BorderTypeEvaluator.h>
#include <angiolith/skeleton/BorderVoxelListProcessor.h>

/// Deletes simple points in a fixed priority order, sweep after sweep until a sweep deletes
/// nothing. Each sweep sorts the simple candidates into 1792 buckets (28 neighbour-count
/// classes times 64 border-type codes) and tries them from the highest bucket down, re-testing
/// each candidate against the current volume at the moment of its deletion, so that two
/// neighbours that are each simple are never both deleted when the first deletion makes the
/// second non-simple. The ordering serves the distance-ordered thinning of D. Selle, B. Preim,
/// A. Schenk and H.-O. Peitgen, "Analysis of vasculature for liver surgical planning", IEEE
/// Transactions on Medical Imaging 21(11), 2002, pp. 1344-1357.
class OrderedBorderVoxelListProcessor : public BorderVoxelListProcessor {
public:
    /// With @p mostNeighboursFirst the candidates with the most object neighbours are tried
    /// first, otherwise those with the fewest. The border type evaluator is a
    /// SelleBorderTypeEvaluator.
    OrderedBorderVoxelListProcessor(VolumeAccessor<unsigned char>* volume,
                                    VolumeAccessor<float>* distanceField, bool mostNeighboursFirst);
    /// Deletes the border type evaluator.
    ~OrderedBorderVoxelListProcessor() override;
    std::list<DistancePoint3D*>* processBorderVoxelList(std::list<DistancePoint3D*>* list) override;
    /// Takes ownership of @p evaluator and deletes the one it replaces (unless it is the same).
    virtual void setBorderTypeEvaluator(BorderTypeEvaluator* evaluator);
    virtual BorderTypeEvaluator* getBorderTypeEvaluator();

protected:
    static constexpr int kBucketCount = 1792;

    /// Bucket 0 to 1791 of a simple point with neighbour values @p nb.
    int bucketIndex(unsigned char* nb);

    BorderTypeEvaluator* borderTypeEvaluator;
    std::list<DistancePoint3D*> buckets[kBucketCount];
    bool mostNeighboursFirst;
};

#endif
