#ifndef ANGIOLITH_SKELETON_SKELETONIZER_H
#define ANGIOLITH_SKELETON_SKELETONIZER_H

#include <angiolith/image/VolumeAccessor.h>
#include <angiolith/image/lumoTeskDescriptor.h>
#include <angiolith/skeleton/BorderVoxelListProcessor.h>

/// Abstract frame of the skeletonizers: brings the host's binary segmentation into the one
/// element kind the thinning works on (unsigned 8-bit; every nonzero voxel is object), makes a
/// zero-filled float volume for the distance field, wraps both in VolumeAccessor objects and
/// creates the OrderedBorderVoxelListProcessor that performs the deletions. Subclasses
/// implement skeletonize().
///
/// Ownership: the skeletonizer owns its processor and the two accessors, but not their
/// descriptors: the working volume and the distance field outlive it, and the host releases
/// both with lumoTeskFree (getVolumePic(), getDistanceFieldPic()).
///
/// Copying is forbidden: a copy would share, and delete a second time, the processor and the
/// accessors.
class Skeletonizer {
public:
    /// @p pic: the segmentation, three-dimensional. Unsigned 8-bit input is used in place
    /// (thinning rewrites the caller's buffer); any other element kind is converted and the
    /// caller's descriptor is freed, so getVolumePic() is then the only handle to the volume.
    /// Null input, a dim other than 3, an input without an element buffer, extents beyond the
    /// 16-bit coordinate range or a failed conversion are fatal input errors (by default the
    /// process ends with exit code 1; see setFatalInputHandler); the caller's descriptor is then
    /// left untouched, and under a throwing handler nothing stays allocated.
    /// @p mostNeighboursFirst: passed to the OrderedBorderVoxelListProcessor.
    /// @p noDistanceField: make no distance volume; distances written during thinning are
    /// dropped and every distance read is 0.
    Skeletonizer(lumoTeskDescriptor* pic, bool mostNeighboursFirst, bool noDistanceField);
    Skeletonizer(const Skeletonizer&) = delete;
    Skeletonizer& operator=(const Skeletonizer&) = delete;

    /// Deletes the processor and the two accessors; frees neither descriptor.
    virtual ~Skeletonizer();
    /// Takes ownership of @p processor (built over getVolume() and getDistanceField()) and
    /// deletes the processor it replaces. Null and the processor already held are ignored.
    virtual void setBorderVoxelListProcessor(BorderVoxelListProcessor* processor);
    /// The working volume (unsigned 8-bit; not owned by the skeletonizer).
    virtual lumoTeskDescriptor* getVolumePic();
    /// The distance field (32-bit float; not owned), or null without a distance field.
    virtual lumoTeskDescriptor* getDistanceFieldPic();
    virtual VolumeAccessor<unsigned char>* getVolume();
    virtual VolumeAccessor<float>* getDistanceField();
    virtual BorderVoxelListProcessor* getBorderVoxelListProcessor();
    virtual void skeletonize() = 0;
    /// Sets the x spacing of the working volume and of the distance field.
    virtual void setVolumeVoxelSizeX(float s);
    virtual void setVolumeVoxelSizeY(float s);
    virtual void setVolumeVoxelSizeZ(float s);

protected:
    /// Null for null @p pic; @p pic itself when it already has (@p type, @p bits); otherwise
    /// lumoKralConvert's result, and @p pic is freed. When the conversion fails the result is
    /// null and @p pic is left as it was.
    lumoTeskDescriptor* convertVolume(lumoTeskDescriptor* pic, lumoTeskType_t type,
                                      unsigned int bits);

    BorderVoxelListProcessor* borderVoxelListProcessor;
    VolumeAccessor<unsigned char>* volume;
    VolumeAccessor<float>* distanceField;
    bool noDistanceField;
};

#endif
