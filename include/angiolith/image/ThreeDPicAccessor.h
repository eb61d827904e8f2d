#ifndef ANGIOLITH_IMAGE_THREEDPICACCESSOR_H
#define ANGIOLITH_IMAGE_THREEDPICACCESSOR_H

#include <angiolith/image/detail/AccessorInput.h>
#include <angiolith/image/detail/NeighbourOffsets.h>
#include <angiolith/image/detail/VoxelGrid.h>
#include <angiolith/image/lumoTeskDescriptor.h>

/// Polymorphic typed access to a 3-D descriptor with voxel spacing and a world-coordinate
/// origin, used by the supplied-tissue classifier (tissue masks, vessel-ID and distance
/// volumes). The world position of voxel (i, j, k) is
/// (i * voxelSizeX + originX, j * voxelSizeY + originY, k * voxelSizeZ + originZ).
/// Positions outside the volume read `backgroundValue`; writes there are dropped.
///
/// Copying is forbidden: an owning accessor frees its descriptor exactly once.
/// @warning A descriptor with an extent of 0 is accepted: every position is then outside.
template <typename T>
class ThreeDPicAccessor {
public:
    /// Wraps @p pic (borrowed unless @p owner; note the argument order). A null descriptor or
    /// one whose dim is not 3 is a fatal input error (by default the process ends with exit code
    /// 1; see setFatalInputHandler); a refused descriptor stays the caller's, even with @p owner.
    ThreeDPicAccessor(lumoTeskDescriptor* pic, bool owner, T backgroundValue);
    ThreeDPicAccessor(const ThreeDPicAccessor&) = delete;
    ThreeDPicAccessor& operator=(const ThreeDPicAccessor&) = delete;

    /// Frees the descriptor with lumoTeskFree when the accessor owns it.
    virtual ~ThreeDPicAccessor();
    /// The voxel, or `backgroundValue` outside the volume or without element buffer.
    virtual T getVoxel(const short& x, const short& y, const short& z) const;
    /// Writes the voxel; ignored outside the volume or without element buffer.
    virtual void setVoxel(const short& x, const short& y, const short& z, const T& value);
    virtual bool isOwner() const { return owner; }
    virtual T getBackgroundValue() const { return backgroundValue; }
    /// The wrapped descriptor (borrowed: the accessor owns it only when isOwner()).
    virtual lumoTeskDescriptor* getPic() const { return pic; }
    /// A new array of the 26 neighbours (order as VolumeAccessor::get26Neighbourhood).
    /// Caller frees with delete[].
    virtual T* getNeighbours26(const short& x, const short& y, const short& z) const;
    /// A new array of the 6 face neighbours (+z, -z, -x, +x, +y, -y). Caller frees with delete[].
    virtual T* getNeighbours6(const short& x, const short& y, const short& z) const;
    virtual unsigned int getSizeX() const { return sizeX; }
    virtual unsigned int getSizeY() const { return sizeY; }
    virtual unsigned int getSizeZ() const { return sizeZ; }
    virtual void setVoxelSizeX(const float& s) { voxelSizeX = s; }
    virtual void setVoxelSizeY(const float& s) { voxelSizeY = s; }
    virtual void setVoxelSizeZ(const float& s) { voxelSizeZ = s; }
    virtual void setVoxelSize(const float& x, const float& y, const float& z) {
        voxelSizeX = x;
        voxelSizeY = y;
        voxelSizeZ = z;
    }
    virtual float getVoxelSizeX() const { return voxelSizeX; }
    virtual float getVoxelSizeY() const { return voxelSizeY; }
    virtual float getVoxelSizeZ() const { return voxelSizeZ; }
    virtual void setOriginX(const float& o) { originX = o; }
    virtual void setOriginY(const float& o) { originY = o; }
    virtual void setOriginZ(const float& o) { originZ = o; }
    virtual void setOrigin(const float& x, const float& y, const float& z) {
        originX = x;
        originY = y;
        originZ = z;
    }
    virtual float getOriginX() const { return originX; }
    virtual float getOriginY() const { return originY; }
    virtual float getOriginZ() const { return originZ; }

private:
    bool inside(int x, int y, int z) const {
        return angiolith::detail::insideGrid(x, y, z, sizeX, sizeY, sizeZ);
    }

    unsigned int sizeX = 0, sizeY = 0, sizeZ = 0;
    float voxelSizeX = 1.0f, voxelSizeY = 1.0f, voxelSizeZ = 1.0f;
    float originX = 0.0f, originY = 0.0f, originZ = 0.0f;
    bool owner;
    lumoTeskDescriptor* pic;
    T backgroundValue;
};

template <typename T>
ThreeDPicAccessor<T>::ThreeDPicAccessor(lumoTeskDescriptor* thePic, bool isOwner,
                                        T theBackgroundValue)
    : owner(isOwner), pic(thePic), backgroundValue(theBackgroundValue) {
    angiolith::detail::requireThreeDimensional(
        thePic, "ThreeDPicAccessor::ThreeDPicAccessor(...): thePic == null!",
        "ThreeDPicAccessor::ThreeDPicAccessor(...): pic->dim!=3! ");
    sizeX = thePic->n[0];
    sizeY = thePic->n[1];
    sizeZ = thePic->n[2];
}

template <typename T>
ThreeDPicAccessor<T>::~ThreeDPicAccessor() {
    if (owner) lumoTeskFree(pic);
}

template <typename T>
T ThreeDPicAccessor<T>::getVoxel(const short& x, const short& y, const short& z) const {
    if (!inside(x, y, z) || pic->data == nullptr) return backgroundValue;
    return static_cast<const T*>(pic->data)[angiolith::detail::gridIndex(x, y, z, sizeX, sizeY)];
}

template <typename T>
void ThreeDPicAccessor<T>::setVoxel(const short& x, const short& y, const short& z,
                                    const T& value) {
    if (!inside(x, y, z) || pic->data == nullptr) return;
    static_cast<T*>(pic->data)[angiolith::detail::gridIndex(x, y, z, sizeX, sizeY)] = value;
}

template <typename T>
T* ThreeDPicAccessor<T>::getNeighbours26(const short& x, const short& y, const short& z) const {
    T* out = new T[26];
    angiolith::detail::gatherNeighbours(
        angiolith::detail::kNeighbourOffsets26.d, 26, x, y, z, out,
        [this](short i, short j, short k) { return getVoxel(i, j, k); });
    return out;
}

template <typename T>
T* ThreeDPicAccessor<T>::getNeighbours6(const short& x, const short& y, const short& z) const {
    T* out = new T[6];
    angiolith::detail::gatherNeighbours(
        angiolith::detail::kFaceOffsets, 6, x, y, z, out,
        [this](short i, short j, short k) { return getVoxel(i, j, k); });
    return out;
}

#endif
