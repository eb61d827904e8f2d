#ifndef ANGIOLITH_IMAGE_VOLUMEACCESSOR_H
#define ANGIOLITH_IMAGE_VOLUMEACCESSOR_H

#include <angiolith/image/detail/AccessorInput.h>
#include <angiolith/image/detail/NeighbourOffsets.h>
#include <angiolith/image/detail/VoxelGrid.h>
#include <angiolith/image/lumoTeskDescriptor.h>

/// Typed, non-virtual access to the voxels of a 3-D descriptor, used in the thinning's and the
/// extractor's inner loops. Every position outside the volume reads `outsideValue`; writes there
/// are dropped. The element kind of the descriptor must match T (unsigned 8-bit for
/// `unsigned char`, 32-bit float for `float`); the accessor does not check it.
///
/// Copying is forbidden: an owning accessor frees its descriptor exactly once.
/// @warning A descriptor with an extent of 0 is accepted: every position is then outside.
template <typename T>
class VolumeAccessor {
public:
    /// Wraps @p pic (borrowed unless @p owner). A null descriptor or one whose dim is not 3 is a
    /// fatal input error (by default the process ends with exit code 1; see
    /// setFatalInputHandler); a refused descriptor stays the caller's, even with @p owner.
    VolumeAccessor(lumoTeskDescriptor* pic, T outsideValue, bool owner);
    /// An empty accessor: extents 0, spacing 1.0, outside value 0; reads 0, ignores writes.
    VolumeAccessor();
    /// Frees the descriptor with lumoTeskFree when the accessor owns it.
    ~VolumeAccessor();
    VolumeAccessor(const VolumeAccessor&) = delete;
    VolumeAccessor& operator=(const VolumeAccessor&) = delete;

    /// The voxel at (x, y, z), or `outsideValue` outside the volume, for an empty accessor and
    /// for a descriptor without element buffer.
    T getVoxel(short x, short y, short z) const {
        if (empty || !inside(x, y, z) || pic->data == nullptr) return outsideValue;
        return static_cast<const T*>(pic->data)[index(x, y, z)];
    }
    /// Writes the voxel; ignored outside the volume, when empty and without element buffer.
    void setVoxel(short x, short y, short z, T value) {
        if (empty || !inside(x, y, z) || pic->data == nullptr) return;
        static_cast<T*>(pic->data)[index(x, y, z)] = value;
    }

    unsigned int getSizeX() const { return sizeX; }
    unsigned int getSizeY() const { return sizeY; }
    unsigned int getSizeZ() const { return sizeZ; }

    /// Each setter stores one spacing, then recomputes `minVoxelSize` and `voxelSizeOrder`.
    void setVoxelSizeX(float s) {
        voxelSizeX = s;
        updateVoxelSizeOrder();
    }
    void setVoxelSizeY(float s) {
        voxelSizeY = s;
        updateVoxelSizeOrder();
    }
    void setVoxelSizeZ(float s) {
        voxelSizeZ = s;
        updateVoxelSizeOrder();
    }
    float getVoxelSizeX() const { return voxelSizeX; }
    float getVoxelSizeY() const { return voxelSizeY; }
    float getVoxelSizeZ() const { return voxelSizeZ; }
    float getMinVoxelSize() const { return minVoxelSize; }
    /// Code 0 to 5 of the order of the spacings: 0 x<=y<=z, 1 x<=z<=y, 2 y<=x<=z, 3 y<=z<=x,
    /// 4 z<=x<=y, 5 z<=y<=x (ties to the lower code).
    unsigned int getVoxelSizeOrder() const { return voxelSizeOrder; }

    /// Face neighbours into the caller's buffer out[0..5]: +z, -z, -x, +x, +y, -y. Neighbour
    /// coordinates are formed in 16 bits, so the +x neighbour of 32767 is -32768 (outside).
    void get6Neighbourhood(short x, short y, short z, T* out) const;
    /// The 26 neighbours into the caller's buffer out[0..25]: z from +1 down to -1 (outer),
    /// y from +1 down to -1, x from -1 up to +1 (inner), the centre left out.
    void get26Neighbourhood(short x, short y, short z, T* out) const;

    /// The wrapped descriptor (borrowed: the accessor owns it only when isOwner()), or null.
    lumoTeskDescriptor* getPic() const { return pic; }
    bool isOwner() const { return owner; }
    bool isEmpty() const { return empty; }

private:
    bool inside(int x, int y, int z) const {
        return angiolith::detail::insideGrid(x, y, z, sizeX, sizeY, sizeZ);
    }
    std::uint64_t index(int x, int y, int z) const {
        return angiolith::detail::gridIndex(x, y, z, sizeX, sizeY);
    }
    void updateVoxelSizeOrder();

    unsigned int sizeX = 0, sizeY = 0, sizeZ = 0;
    float voxelSizeX = 1.0f, voxelSizeY = 1.0f, voxelSizeZ = 1.0f;
    float minVoxelSize = 1.0f;
    unsigned int voxelSizeOrder = 0;
    bool owner = false;
    lumoTeskDescriptor* pic = nullptr;
    T outsideValue = 0;
    bool empty = true;
};

template <typename T>
VolumeAccessor<T>::VolumeAccessor(lumoTeskDescriptor* thePic, T theOutsideValue, bool isOwner)
    : owner(isOwner), pic(thePic), outsideValue(theOutsideValue), empty(false) {
    const char* const refused =
        "VolumeAccessor::VolumeAccessor(...): thePic == null or pic->dim!=3! ";
    angiolith::detail::requireThreeDimensional(thePic, refused, refused);
    sizeX = thePic->n[0];
    sizeY = thePic->n[1];
    sizeZ = thePic->n[2];
}

template <typename T>
VolumeAccessor<T>::VolumeAccessor() = default;

template <typename T>
VolumeAccessor<T>::~VolumeAccessor() {
    if (owner) lumoTeskFree(pic);
}

template <typename T>
void VolumeAccessor<T>::get6Neighbourhood(short x, short y, short z, T* out) const {
    angiolith::detail::gatherNeighbours(
        angiolith::detail::kFaceOffsets, 6, x, y, z, out,
        [this](short i, short j, short k) { return getVoxel(i, j, k); });
}

template <typename T>
void VolumeAccessor<T>::get26Neighbourhood(short x, short y, short z, T* out) const {
    angiolith::detail::gatherNeighbours(
        angiolith::detail::kNeighbourOffsets26.d, 26, x, y, z, out,
        [this](short i, short j, short k) { return getVoxel(i, j, k); });
}

template <typename T>
void VolumeAccessor<T>::updateVoxelSizeOrder() {
    // The spacing axes (0 x, 1 y, 2 z) in ascending order for each code; the first code whose
    // order holds wins, so ties go to the lower code.
    static constexpr int kAscending[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2},
                                             {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    const float s[3] = {voxelSizeX, voxelSizeY, voxelSizeZ};
    for (unsigned int code = 0; code < 6; ++code) {
        const int* a = kAscending[code];
        if (s[a[0]] <= s[a[1]] && s[a[1]] <= s[a[2]]) {
            voxelSizeOrder = code;
            minVoxelSize = s[a[0]];
            return;
        }
    }
}

#endif
