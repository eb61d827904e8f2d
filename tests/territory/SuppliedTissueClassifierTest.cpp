#include "territory/TerritoryTestSupport.h"

#include <angiolith/territory/EntireVesselTreeSampler.h>
#include <angiolith/territory/EuclideanDistanceMeasure.h>
#include <angiolith/territory/HepaVesselTreeSampler.h>
#include <angiolith/territory/KDTreeNextVesselEstimator.h>
#include <angiolith/territory/SuppliedTissueClassifier.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace angiolith::test;

TEST(SuppliedTissueClassifier, RandomTreesMatchBruteForceWithTransformSpacingAndOrigin) {
    for (unsigned seed : {1u, 2u, 3u}) {
        const unsigned char background = seed == 2 ? 7 : 0;
        SampledTree random = randomTree(seed, 25, 30.0f);
        const Grid g{31, 27, 13, {0.8f, 1.1f, 2.5f}, {-3.0f, 5.5f, 1.25f}};
        const std::vector<unsigned char> mask = randomMask(seed, g, background, 0.7);
        // Rotation about z by 30 degrees, scaling 1.2 and a translation; the fourth row is
        // nonsense on purpose, as it must be ignored.
        const double c = std::cos(M_PI / 6), s = std::sin(M_PI / 6);
        double m[4][4] = {{1.2 * c, -1.2 * s, 0, 2.0},
                          {1.2 * s, 1.2 * c, 0, -1.5},
                          {0, 0, 1.2, 0.75},
                          {9, 9, 9, 9}};
        SuppliedTissueClassifier classifier(tissueOn(mask, g, background), random.tree);
        EXPECT_EQ(SuppliedTissueClassifier::BACKGROUND, background);
        classifier.setVesselElementTransform(m);
        classifier.computeSuppliedTissue();
        const ThreeDPicAccessor<unsigned short>* ids = classifier.getVesselIDVolume();
        const ThreeDPicAccessor<float>* distances = classifier.getDistanceVolume();
        ASSERT_TRUE(ids != nullptr && distances != nullptr);
        ASSERT_EQ(ids->getSizeX(), g.nx);
        ASSERT_EQ(distances->getSizeZ(), g.nz);
        EXPECT_EQ(ids->getPic()->bits, 16u);
        EXPECT_EQ(ids->getPic()->type, lumoTeskTypeUnsigned);
        EXPECT_EQ(distances->getPic()->bits, 32u);
        EXPECT_EQ(distances->getPic()->type, lumoTeskTypeFloat);
        EXPECT_EQ(ids->getBackgroundValue(), background);
        for (auto& v : random.samples) {
            const double x = v.position.x, y = v.position.y, z = v.position.z;
            v.position = {static_cast<float>(m[0][0] * x + m[0][1] * y + m[0][2] * z + m[0][3]),
                          static_cast<float>(m[1][0] * x + m[1][1] * y + m[1][2] * z + m[1][3]),
                          static_cast<float>(m[2][0] * x + m[2][1] * y + m[2][2] * z + m[2][3])};
        }
        expectBruteForce(dataOf(*ids), dataOf(*distances), mask, background, g, random.samples);
    }
}

// A host accessor that overrides getVoxel: the classifier must read through the override. It
// also reports more columns than its descriptor has, which must not make the classifier write
// beyond its result volumes (the sanitizer build checks).
class StripedMask : public ThreeDPicAccessor<unsigned char> {
public:
    StripedMask() : ThreeDPicAccessor<unsigned char>(zeroVolume<unsigned char>(6, 3, 2), true, 0) {}
    unsigned char getVoxel(const short& x, const short&, const short&) const override {
        return x % 2 == 0 ? 1 : 0;
    }
    unsigned int getSizeX() const override { return 9; }
};

TEST(SuppliedTissueClassifier, ReadsTheMaskThroughTheHostsAccessor) {
    ArVesselTree tree = sampledTree({{{0, 0, 0}, {5, 0, 0}}}, {4}).tree;
    SuppliedTissueClassifier classifier(new StripedMask, tree);
    classifier.computeSuppliedTissue();
    const auto* ids = classifier.getVesselIDVolume();
    const auto* distances = classifier.getDistanceVolume();
    for (short x = 0; x < 6; ++x) {
        EXPECT_EQ(ids->getVoxel(x, 2, 1), x % 2 == 0 ? 4 : 0);
    }
    // Voxel (2, 2, 1) is nearest to the sample at (0, 0, 0): sqrt(4 + 4 + 1) = 3.
    EXPECT_EQ(distances->getVoxel(2, 2, 1), 3.0f);
    EXPECT_EQ(distances->getVoxel(0, 0, 0), 0.0f);
}

TEST(SuppliedTissueClassifier, SampleSetIsFixedUntilANewEstimator) {
    // Portal vessel 1 near x = 0, hepatic vessel 2 near x = 9.
    ArVesselTree tree =
        makeTree({makeVessel(1, VesselProperties::PORTAL, 1, 1, {{0, 0, 0}, {0, 1, 0}}),
                  makeVessel(2, VesselProperties::HEPATIC, 1, 1, {{9, 0, 0}, {9, 1, 0}})},
                 {0, 0});
    std::vector<unsigned char> firstRow(20, 0);
    std::fill_n(firstRow.begin(), 10, 1);
    SuppliedTissueClassifier classifier(tissueOn(firstRow, {10, 2, 1}, 0), tree);
    classifier.computeSuppliedTissue();
    EXPECT_EQ(classifier.getVesselIDVolume()->getVoxel(1, 0, 0), 1);
    EXPECT_EQ(classifier.getVesselIDVolume()->getVoxel(8, 0, 0), 2);

    // A new sampler and transform alone change nothing: the estimator keeps its samples.
    classifier.setVesselTreeSampler(new HepaVesselTreeSampler);
    double shift[4][4] = {{1, 0, 0, 100}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    classifier.setVesselElementTransform(shift);
    classifier.computeSuppliedTissue();
    EXPECT_EQ(classifier.getVesselIDVolume()->getVoxel(1, 0, 0), 1);
    EXPECT_EQ(classifier.getDistanceVolume()->getVoxel(1, 0, 0), 1.0f);

    // A fresh estimator samples anew, with the hepatic sampler and the shift.
    auto* estimator = new KDTreeNextVesselEstimator;
    classifier.setNextVesselEstimator(estimator);
    EXPECT_EQ(estimator->getVesselElementList(), nullptr);
    classifier.computeSuppliedTissue();
    ASSERT_NE(estimator->getVesselElementList(), nullptr);
    EXPECT_EQ(estimator->getVesselElementList()->size(), 2u);
    EXPECT_EQ(estimator->getVesselElementList()->front().position.x, 109.0f);
    EXPECT_EQ(classifier.getVesselIDVolume()->getVoxel(1, 0, 0), 2);
    EXPECT_EQ(classifier.getDistanceVolume()->getVoxel(1, 0, 0), 108.0f);
    // Setting the current estimator again keeps it (and its samples).
    classifier.setNextVesselEstimator(estimator);
    EXPECT_EQ(estimator->getVesselElementList()->size(), 2u);
}

TEST(SuppliedTissueClassifier, AllBackgroundStillHandsTheSamplesToTheEstimator) {
    ArVesselTree tree = sampledTree({{{1, 1, 1}}}, {3}).tree;
    SuppliedTissueClassifier classifier(tissueOn(std::vector<unsigned char>(64), {4, 4, 4}, 0),
                                        tree);
    auto* estimator = new KDTreeNextVesselEstimator;
    estimator->setDistanceMeasure(new EuclideanDistanceMeasure);
    classifier.setNextVesselEstimator(estimator);
    classifier.computeSuppliedTissue();
    ASSERT_NE(estimator->getVesselElementList(), nullptr);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(dataOf(*classifier.getVesselIDVolume())[i], 0);
        EXPECT_EQ(dataOf(*classifier.getDistanceVolume())[i], 0.0f);
    }
}

TEST(SuppliedTissueClassifier, FailuresNameTheOperation) {
    ArVesselTree tree = sampledTree({{}}, {3}).tree;
    EXPECT_EQ(messageOf([&] { SuppliedTissueClassifier c(nullptr, tree); }),
              "Error in SuppliedTissueClassifier::SuppliedTissueClassifier(): volume == NULL");
    SuppliedTissueClassifier classifier(tissueOn(std::vector<unsigned char>(8), {2, 2, 2}, 0),
                                        tree);
    EXPECT_EQ(messageOf([&] { classifier.setVesselTreeSampler(nullptr); }),
              "Error in SuppliedTissueClassifier::setVesselTreeSampler(...): sampler == NULL");
    EXPECT_EQ(messageOf([&] { classifier.setDistanceMeasure(nullptr); }),
              "Error in SuppliedTissueClassifier::setDistanceMeasure(...): measure == NULL");
    EXPECT_EQ(messageOf([&] { classifier.setNextVesselEstimator(nullptr); }),
              "Error in SuppliedTissueClassifier::setNextVesselEstimator(...): estimator == NULL");
    // A tree without samples reaches the estimator as an empty list.
    EXPECT_EQ(messageOf([&] { classifier.computeSuppliedTissue(); }),
              "Error in KDTreeNextVesselEstimator::setVesselElementList: theList->size() == 0!");

    class NullSampler : public AbstractVesselTreeSampler {
    public:
        VesselElementList* getVesselTreeSamples(const ArVesselTree&) override { return nullptr; }
    };
    classifier.setVesselTreeSampler(new NullSampler);
    EXPECT_EQ(messageOf([&] { classifier.computeSuppliedTissue(); }),
              "Error in SuppliedTissueClassifier::cumputeSuppliedTissue(...): elementList == NULL");
}

// Switching distances off frees an owned distance volume already computed (it used to be
// skipped by the destructor and leaked: the sanitizer build's leak check catches it); later
// computations make none, and cutting, which needs one, fails.
TEST(SuppliedTissueClassifier, DistanceVolumeSwitchedOff) {
    ArVesselTree tree = sampledTree({{{0, 0, 0}}}, {3}).tree;
    SuppliedTissueClassifier classifier(tissueOn({0, 0, 1}, {3, 1, 1}, 0), tree);
    classifier.computeSuppliedTissue();
    ASSERT_NE(classifier.getDistanceVolume(), nullptr);
    classifier.setCalculateDistanceVolume(false);
    EXPECT_EQ(classifier.getDistanceVolume(), nullptr);
    classifier.computeSuppliedTissue();
    EXPECT_EQ(classifier.getDistanceVolume(), nullptr);
    EXPECT_EQ(classifier.getVesselIDVolume()->getVoxel(2, 0, 0), 3);
    const VesselElementList list{{{0, 0, 0}, 1, 0, 3}};
    EXPECT_EQ(messageOf([&] { delete classifier.cutVolume(tree); }),
              "Error in SuppliedTissueClassifier::cutVolume(ArTree): distanceVolume == NULL");
    EXPECT_EQ(messageOf([&] { delete classifier.cutVolume(list); }),
              "Error in SuppliedTissueClassifier::cutVolume(VesselElementList): distanceVolume == "
              "NULL");
}

TEST(SuppliedTissueClassifier, VolumesNotOwnedAreLeftToTheHost) {
    ArVesselTree tree = sampledTree({{{0, 0, 0}}}, {3}).tree;
    const std::unique_ptr<ThreeDPicAccessor<unsigned char>> mask(tissueOn({0, 1}, {2, 1, 1}, 0));
    std::unique_ptr<ThreeDPicAccessor<unsigned short>> firstIds, secondIds;
    std::unique_ptr<ThreeDPicAccessor<float>> firstDistances;
    {
        SuppliedTissueClassifier classifier(mask.get(), tree);
        classifier.setOwnerOfTissueVolume(false);
        classifier.setOwnerOfVesselIDVolume(false);
        classifier.setOwnerOfDistanceVolume(false);
        classifier.computeSuppliedTissue();
        firstIds.reset(classifier.getVesselIDVolume());
        firstDistances.reset(classifier.getDistanceVolume());
        // Not owned: a second computation leaves the first volumes to us.
        classifier.computeSuppliedTissue();
        EXPECT_NE(classifier.getVesselIDVolume(), firstIds.get());
        secondIds.reset(classifier.getVesselIDVolume());
        classifier.setOwnerOfDistanceVolume(true);
        // A sampler, measure and estimator set twice are not deleted in between.
        auto* sampler = new EntireVesselTreeSampler;
        classifier.setVesselTreeSampler(sampler);
        classifier.setVesselTreeSampler(sampler);
        auto* measure = new EuclideanDistanceMeasure;
        classifier.setDistanceMeasure(measure);
        classifier.setDistanceMeasure(measure);
    }
    // The host's tissue accessor and the volumes it was given survive the classifier.
    EXPECT_EQ(mask->getVoxel(1, 0, 0), 1);
    EXPECT_EQ(firstIds->getVoxel(1, 0, 0), 3);
    EXPECT_EQ(firstDistances->getVoxel(1, 0, 0), 1.0f);
    EXPECT_EQ(secondIds->getVoxel(1, 0, 0), 3);
}

class CutVolume : public testing::Test {
protected:
    CutVolume()
        : ids(zeroVolume<unsigned short>(5, 4, 3), true, 0),
          distances(zeroVolume<float>(5, 4, 3), true, 0) {
        std::mt19937 rng(11);
        std::uniform_int_distribution<int> id(0, 7);
        for (int i = 0; i < 60; ++i) {
            dataOf(ids)[i] = static_cast<unsigned short>(id(rng));
            dataOf(distances)[i] = 0.25f * static_cast<float>(i + 1);
        }
    }

    // The distances where the id is in @p keep, 0 elsewhere.
    void expectCut(const ThreeDPicAccessor<float>& cut, std::vector<int> keep) {
        ASSERT_EQ(cut.getSizeX(), 5u);
        ASSERT_EQ(cut.getSizeY(), 4u);
        ASSERT_EQ(cut.getSizeZ(), 3u);
        for (int i = 0; i < 60; ++i) {
            const bool kept = std::find(keep.begin(), keep.end(), dataOf(ids)[i]) != keep.end();
            EXPECT_EQ(dataOf(cut)[i], kept ? dataOf(distances)[i] : 0.0f) << i;
        }
    }

    ThreeDPicAccessor<unsigned short> ids;
    ThreeDPicAccessor<float> distances;
};

TEST_F(CutVolume, KeepsTheTerritoriesOfTheListedVessels) {
    const VesselElementList list{{{0, 0, 0}, 1, 0, 5}, {{1, 0, 0}, 1, 0, 3}, {{2, 0, 0}, 1, 0, 5}};
    std::unique_ptr<ThreeDPicAccessor<float>> cut(
        SuppliedTissueClassifier::cutVolume(distances, ids, list));
    EXPECT_TRUE(cut->isOwner());
    expectCut(*cut, {3, 5});

    ArVesselTree tree = sampledTree({{{0, 0, 0}}, {{1, 0, 0}, {2, 0, 0}}}, {3, 5}).tree;
    std::unique_ptr<ThreeDPicAccessor<float>> fromTree(
        SuppliedTissueClassifier::cutVolume(distances, ids, tree));
    expectCut(*fromTree, {3, 5});

    const VesselElementList zeros{{{0, 0, 0}, 1, 0, 0}, {{1, 0, 0}, 1, 0, 0}};
    std::unique_ptr<ThreeDPicAccessor<float>> none(
        SuppliedTissueClassifier::cutVolume(distances, ids, zeros));
    expectCut(*none, {});
}

TEST_F(CutVolume, EmptyInputsAreRejected) {
    const VesselElementList empty;
    EXPECT_EQ(messageOf([&] { delete SuppliedTissueClassifier::cutVolume(distances, ids, empty); }),
              "Error in SuppliedTissueClassifier::getCroppedVolume(const VesselElementList&): "
              "list.size() == 0 !");
    ArVesselTree bare = sampledTree({{}}, {3}).tree;
    EXPECT_EQ(messageOf([&] { delete SuppliedTissueClassifier::cutVolume(distances, ids, bare); }),
              "Error in SuppliedTissueClassifier::cutVolume(DistanceVolume, VesselIDVolume, "
              "ArTree): elements->size() == 0 !");
}

// Volumes of different sizes are compared over their common elements only: no read or write
// beyond either buffer (the sanitizer build checks), and the result has the distance extents.
TEST_F(CutVolume, DifferentSizesStayInBounds) {
    ThreeDPicAccessor<unsigned short> bigIds(zeroVolume<unsigned short>(9, 9, 9), true, 0);
    for (int i = 0; i < 729; ++i) dataOf(bigIds)[i] = i < 60 ? dataOf(ids)[i] : 3;
    const VesselElementList list{{{0, 0, 0}, 1, 0, 3}, {{0, 0, 0}, 1, 0, 5}};
    std::unique_ptr<ThreeDPicAccessor<float>> cut(
        SuppliedTissueClassifier::cutVolume(distances, bigIds, list));
    expectCut(*cut, {3, 5});

    ThreeDPicAccessor<float> bigDistances(zeroVolume<float>(9, 9, 9), true, 0);
    for (int i = 0; i < 729; ++i) dataOf(bigDistances)[i] = 1.0f;
    std::unique_ptr<ThreeDPicAccessor<float>> wide(
        SuppliedTissueClassifier::cutVolume(bigDistances, ids, list));
    ASSERT_EQ(wide->getSizeX(), 9u);
    for (int i = 0; i < 729; ++i) {
        const bool kept = i < 60 && (dataOf(ids)[i] == 3 || dataOf(ids)[i] == 5);
        EXPECT_EQ(dataOf(*wide)[i], kept ? 1.0f : 0.0f) << i;
    }
}

TEST(SuppliedTissueClassifier, CutsItsOwnResult) {
    // Vessel 3 along y = 0, vessel 5 along y = 6; voxels with y < 3 belong to 3, y > 3 to 5,
    // and y = 3 is tied and goes to the sample listed first (vessel 3).
    ArVesselTree tree =
        sampledTree({{{0, 0, 0}, {4, 0, 0}}, {{0, 6, 0}, {4, 6, 0}}, {{30, 30, 30}}}, {3, 5, 8})
            .tree;
    SuppliedTissueClassifier classifier(tissueOn(std::vector<unsigned char>(35, 1), {5, 7, 1}, 0),
                                        tree);
    classifier.computeSuppliedTissue();
    EXPECT_EQ(classifier.getVesselIDVolume()->getVoxel(2, 3, 0), 3);
    const VesselElementList five{{{0, 0, 0}, 1, 0, 5}};
    std::unique_ptr<ThreeDPicAccessor<float>> cut(classifier.cutVolume(five));
    for (short y = 0; y < 7; ++y) {
        EXPECT_EQ(cut->getVoxel(0, y, 0), y > 3 ? 6.0f - y : 0.0f) << y;
    }
    ArVesselTree justThree = sampledTree({{{0, 0, 0}}}, {3}).tree;
    std::unique_ptr<ThreeDPicAccessor<float>> cutThree(classifier.cutVolume(justThree));
    for (short y = 0; y < 7; ++y) {
        EXPECT_EQ(cutThree->getVoxel(0, y, 0), y <= 3 ? float(y) : 0.0f) << y;
    }
}

}  // namespace
