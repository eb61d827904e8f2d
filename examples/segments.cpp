#include <angiolith/angiolith.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

using PicPtr = std::unique_ptr<lumoTeskDescriptor, decltype(&lumoTeskFree)>;

// vessels: a 3-D mask of any element kind; liver: an unsigned 8-bit 3-D mask on the same grid
// (non-zero is object). Takes both masks over; the caller frees the result with lumoTeskFree.
lumoTeskDescriptor* segmentsOf(lumoTeskDescriptor* vessels, lumoTeskDescriptor* liver) {
    SelleSkeletonizer skeletonizer(vessels, false, false);  // frees `vessels` if it must convert it
    // The thinning leaves its working volume and its distance field to the caller.
    PicPtr volume(skeletonizer.getVolumePic(), lumoTeskFree);
    PicPtr distances(skeletonizer.getDistanceFieldPic(), lumoTeskFree);
    skeletonizer.setVolumeVoxelSizeX(0.7f);
    skeletonizer.setVolumeVoxelSizeY(0.7f);
    skeletonizer.setVolumeVoxelSizeZ(1.5f);
    skeletonizer.skeletonize();

    BreadthFirstTreeExtractor extractor;  // positions in mm, diameters from distances
    ArVesselTree tree =
        extractor.getTree(skeletonizer.getVolume(), skeletonizer.getSkeletalVoxels(), nullptr);
    RelevanceVesselTreeCleaner(0.5f, false).cleanTree(tree);
    std::ofstream file("tree.txt");
    file << tree;  // the tree text format

    auto* tissue = new ThreeDPicAccessor<unsigned char>(liver, true, 0);  // frees `liver`
    tissue->setVoxelSize(0.7f, 0.7f, 1.5f);
    SuppliedTissueClassifier classifier(tissue, tree);  // takes the accessor over
    classifier.computeSuppliedTissue();                 // vessel-ID and distance volumes

    IdToSegmentRelabelingRule rule(tree);
    return VesselIDRelabeling::relabel(classifier.getVesselIDVolume()->getPic(), &rule, true);
}

// A 40^3 unsigned 8-bit mask of the voxels for which inside(x, y, z) holds.
template <typename Inside>
lumoTeskDescriptor* mask(Inside inside) {
    const unsigned n = 40;
    PicPtr pic(lumoTeskNew(), lumoTeskFree);
    auto* data = static_cast<unsigned char*>(std::calloc(n * n * n, 1));
    if (!pic || data == nullptr) {
        std::free(data);
        return nullptr;
    }
    pic->data = data;
    pic->type = lumoTeskTypeUnsigned;
    pic->bits = 8;
    pic->dim = 3;
    pic->n[0] = pic->n[1] = pic->n[2] = n;
    for (unsigned z = 0; z < n; ++z)
        for (unsigned y = 0; y < n; ++y)
            for (unsigned x = 0; x < n; ++x) data[(z * n + y) * n + x] = inside(x, y, z) ? 1 : 0;
    return pic.release();
}

// A vessel trunk with one side branch inside a block of liver.
int main() {
    PicPtr vessels(mask([](int x, int y, int z) {
                       const bool trunk = std::abs(x - 20) <= 2 && y >= 4 && y <= 35;
                       const bool branch = std::abs(y - 20) <= 2 && x >= 20 && x <= 35;
                       return std::abs(z - 20) <= 2 && (trunk || branch);
                   }),
                   lumoTeskFree);
    PicPtr liver(mask([](int x, int y, int z) {
                     return x >= 2 && x <= 37 && y >= 2 && y <= 37 && z >= 10 && z <= 30;
                 }),
                 lumoTeskFree);
    if (!vessels || !liver) return 1;
    PicPtr segments(segmentsOf(vessels.release(), liver.release()), lumoTeskFree);
    if (!segments) return 1;
    const auto* labels = static_cast<const unsigned short*>(segments->data);
    unsigned labelled = 0;
    for (unsigned i = 0; i < _lumoTeskElements(segments.get()); ++i) labelled += labels[i] != 0;
    std::printf("%u liver voxels labelled\n", labelled);
    return labelled > 0 ? 0 : 1;
}
