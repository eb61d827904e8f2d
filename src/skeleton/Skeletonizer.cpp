#include <angiolith/detail/Fatal.h>
#include <angiolith/image/detail/ElementKinds.h>
#include <angiolith/image/lumoKralConvert.h>
#include <angiolith/skeleton/OrderedBorderVoxelListProcessor.h>
#include <angiolith/skeleton/Skeletonizer.h>

#include <cstdlib>
#include <memory>

namespace {

using angiolith::detail::fatalInput;

// UTF-8 text.
const char* const kNullInput =
    "Skeletonizer::Skeletonizer(lumoTeskDescriptor*, BordeVoxelListProcessor*) fehlgeschlagen: "
    "NULL übergeben!";
const char* const kNot3D = "Sorry, only 3D-Volumes are supported!";
const char* const kNoElements =
    "Skeletonizer::Skeletonizer(...): the volume has no element buffer!";
const char* const kTooLarge =
    "Skeletonizer::Skeletonizer(...): volume extents above 32768 voxels are not supported!";
const char* const kConversionFailed =
    "Skeletonizer::Skeletonizer(...): conversion to unsigned 8 bit failed (unsupported element "
    "type)!";
const char* const kNoMemory = "Skeletonizer::Skeletonizer(...): no memory for the distance field!";

// Voxel coordinates are signed 16-bit throughout the thinning: indices 0 to 32767.
constexpr unsigned int kMaxExtent = 32768;

}  // namespace

Skeletonizer::Skeletonizer(lumoTeskDescriptor* pic, bool mostNeighboursFirst,
                           bool theNoDistanceField)
    : borderVoxelListProcessor(nullptr),
      volume(nullptr),
      distanceField(nullptr),
      noDistanceField(theNoDistanceField) {
    if (pic == nullptr) fatalInput(kNullInput);
    if (pic->dim != 3) fatalInput(kNot3D);
    if (pic->data == nullptr) fatalInput(kNoElements);
    if (pic->n[0] > kMaxExtent || pic->n[1] > kMaxExtent || pic->n[2] > kMaxExtent) {
        fatalInput(kTooLarge);
    }

    // Everything is built under RAII and handed to the members only at the end, and the caller's
    // descriptor is freed only then: a fatal input error that throws (or an allocation failure)
    // leaves nothing allocated and the caller's descriptor as it was.
    angiolith::detail::DescriptorPtr field;
    std::unique_ptr<VolumeAccessor<float>> fieldAccessor;
    if (noDistanceField) {
        fieldAccessor = std::make_unique<VolumeAccessor<float>>();
    } else {
        field = angiolith::detail::makeZeroVolume<float>(pic->n[0], pic->n[1], pic->n[2]);
        if (!field) fatalInput(kNoMemory);
        fieldAccessor = std::make_unique<VolumeAccessor<float>>(field.get(), 0.0f, false);
    }
    angiolith::detail::DescriptorPtr converted;
    if (pic->type != lumoTeskTypeUnsigned || pic->bits != 8) {
        converted.reset(lumoKralConvert(pic, lumoTeskTypeUnsigned, 8));
        if (!converted) fatalInput(kConversionFailed);
    }
    auto workAccessor = std::make_unique<VolumeAccessor<unsigned char>>(
        converted ? converted.get() : pic, 0, false);
    auto processor = std::make_unique<OrderedBorderVoxelListProcessor>(
        workAccessor.get(), fieldAccessor.get(), mostNeighboursFirst);

    if (converted) {
        lumoTeskFree(pic);
        converted.release();
    }
    field.release();
    distanceField = fieldAccessor.release();
    volume = workAccessor.release();
    borderVoxelListProcessor = processor.release();
}

Skeletonizer::~Skeletonizer() {
    delete borderVoxelListProcessor;
    // The accessors made here never own their descriptors; an owning one frees it itself.
    delete volume;
    delete distanceField;
}

void Skeletonizer::setBorderVoxelListProcessor(BorderVoxelListProcessor* processor) {
    if (processor == nullptr || processor == borderVoxelListProcessor) return;
    delete borderVoxelListProcessor;
    borderVoxelListProcessor = processor;
}

lumoTeskDescriptor* Skeletonizer::getVolumePic() { return volume->getPic(); }

lumoTeskDescriptor* Skeletonizer::getDistanceFieldPic() { return distanceField->getPic(); }

VolumeAccessor<unsigned char>* Skeletonizer::getVolume() { return volume; }

VolumeAccessor<float>* Skeletonizer::getDistanceField() { return distanceField; }

BorderVoxelListProcessor* Skeletonizer::getBorderVoxelListProcessor() {
    return borderVoxelListProcessor;
}

void Skeletonizer::setVolumeVoxelSizeX(float s) {
    volume->setVoxelSizeX(s);
    distanceField->setVoxelSizeX(s);
}

void Skeletonizer::setVolumeVoxelSizeY(float s) {
    volume->setVoxelSizeY(s);
    distanceField->setVoxelSizeY(s);
}

void Skeletonizer::setVolumeVoxelSizeZ(float s) {
    volume->setVoxelSizeZ(s);
    distanceField->setVoxelSizeZ(s);
}

lumoTeskDescriptor* Skeletonizer::convertVolume(lumoTeskDescriptor* pic, lumoTeskType_t type,
                                                unsigned int bits) {
    if (pic == nullptr) return nullptr;
    if (pic->type == type && pic->bits == bits) return pic;
    lumoTeskDescriptor* converted = lumoKralConvert(pic, type, bits);
    if (converted != nullptr) lumoTeskFree(pic);
    return converted;
}
