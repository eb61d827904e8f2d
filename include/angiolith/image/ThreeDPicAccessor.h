#ifndef ANGIOLITH_IMAGE_THREEDPICACCESSOR_H
#define ANGIOLITH_IMAGE_THREEDPICACCESSOR_H

#include <angiolith/image/detail/AccessorInput.h>
#include <angiolith/image/detail/NeighbourOffsets.h>
#include <angiolith/image/lumoTeskDescriptor.h>

#include <cstdint>

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
        return x >= 0 && y >= 0 && z >= 0 && x <= static_cast<std::int64_t>(sizeX) - 1 &&
               y <= static_cast<std::int64_t>(sizeY) - 1 &&
               z <= static_cast<std::int64_t>(sizeZ) - 1;
    }

    unsigned int sizeX, sizeY, sizeZ;
    float voxelSizeX, voxelSizeY, voxelSizeZ;
    float originX, originY, originZ;
    bool owner;
    lumoTeskDescriptor* pic;
    T backgroundValue;
};

template <typename T>
ThreeDPicAccessor<T>::ThreeDPicAccessor(lumoTeskDescriptor* thePic, bool isOwner,
                                        T theBackgroundValue)
    : sizeX(0),
      sizeY(0),
      sizeZ(0),
      voxelSizeX(1.0f),
      voxelSizeY(1.0f),
      voxelSizeZ(1.0f),
      originX(0.0f),
      originY(0.0f),
      originZ(0.0f),
      owner(isOwner),
      pic(thePic),
      backgroundValue(theBackgroundValue) {
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
    // Element numbers are formed in 64 bits so that volumes beyond 2^32 elements stay correct.
    const std::uint64_t i =
        (static_cast<std::uint64_t>(z) * sizeY + static_cast<std::uint64_t>(y)) * sizeX +
        static_cast<std::uint64_t>(x);
    return static_cast<const T*>(pic->data)[i];
}

template <typename T>
void ThreeDPicAccessor<T>::setVoxel(const short& x, const short& y, const short& z,
                                    const T& value) {
    if (!inside(x, y, z) || pic->data == nullptr) return;
    const std::uint64_t i =
        (static_cast<std::uint64_t>(z) * sizeY + static_cast<std::uint64_t>(y)) * sizeX +
        static_cast<std::uint64_t>(x);
    static_cast<T*>(pic->data)[i] = value;
}

template <typename T>
T* ThreeDPicAccessor<T>::getNeighbours26(const short& x, const short& y, const short& z) const {
    T* out = new T[26];
    for (int k = 0; k < 26; ++k) {
        const int* d = angiolith::detail::kNeighbourOffsets26.d[k];
        out[k] = getVoxel(static_cast<short>(x + d[0]), static_cast<short>(y + d[1]),
                          static_cast<short>(z + d[2]));
    }
    return out;
}

template <typename T>
T* ThreeDPicAccessor<T>::getNeighbours6(const short& x, const short& y, const short& z) const {
    T* out = new T[6];
    for (int k = 0; k < 6; ++k) {
        const int* d = angiolith::detail::kFaceOffsets[k];
        out[k] = getVoxel(static_cast<short>(x + d[0]), static_cast<short>(y + d[1]),
                          static_cast<short>(z + d[2]));
    }
    return out;
}

#endif
