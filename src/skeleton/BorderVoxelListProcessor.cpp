#include <angiolith/detail/Fatal.h>
#include <angiolith/skeleton/BorderVoxelListProcessor.h>
#include <angiolith/skeleton/SelleSimplePointEvaluator.h>

namespace {

// Windows-1252 text: "\xFC" is the single byte of "ü".
const char* const kNullParameter =
    "BorderVoxelListProcessor::Konstruktor: ein Parameter wurde mit Wert Null \xFC"
    "bergeben!";

}  // namespace

BorderVoxelListProcessor::BorderVoxelListProcessor(VolumeAccessor<unsigned char>* theVolume,
                                                   VolumeAccessor<float>* theDistanceField)
    : volume(theVolume),
      distanceField(theDistanceField),
      simplePointEvaluator(nullptr),
      deletedVoxels(0) {
    if (theVolume == nullptr || theDistanceField == nullptr) {
        angiolith::detail::fatalInput(kNullParameter);
    }
    simplePointEvaluator = new SelleSimplePointEvaluator();
}

BorderVoxelListProcessor::~BorderVoxelListProcessor() { delete simplePointEvaluator; }

void BorderVoxelListProcessor::setSimplePointEvaluator(SimplePointEvaluator* evaluator) {
    simplePointEvaluator = evaluator;
}

SimplePointEvaluator* BorderVoxelListProcessor::getSimplePointEvaluator() {
    return simplePointEvaluator;
}

VolumeAccessor<unsigned char>* BorderVoxelListProcessor::getVolume() { return volume; }

VolumeAccessor<float>* BorderVoxelListProcessor::getDistanceField() { return distanceField; }

unsigned int BorderVoxelListProcessor::getNumberOfDeletedVoxels() { return deletedVoxels; }
