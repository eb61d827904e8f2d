#include "territory/TerritoryTestSupport.h"

#include <angiolith/territory/EntireVesselTreeSampler.h>
#include <angiolith/territory/HepaVesselTreeSampler.h>
#include <angiolith/territory/OnlyDefinedHepaVesselTreeSampler.h>
#include <angiolith/territory/OnlyDefinedPortaVesselTreeSampler.h>
#include <angiolith/territory/PortaVesselTreeSampler.h>
#include <angiolith/territory/ResectionStatusVesselTreeSampler.h>

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using angiolith::test::makeTree;
using angiolith::test::makeVessel;

const auto HEPATIC = VesselProperties::HEPATIC;
const auto PORTAL = VesselProperties::PORTAL;

// R(A(A1), B, C, D), preorder R A A1 B C D:
//   R  portal,  segment 1, resection 1, id 10, 2 elements
//   A  hepatic, segment 3, resection 2, id 20, 3 elements
//   A1 hepatic, segment 1, resection 1, id 21, 1 element
//   B  portal,  segment 4, resection 3, id 30, 2 elements
//   C  type 3,  segment 5, resection 2, id 40, 1 element
//   D  portal,  segment 6, resection 2, id 50, no elements
class VesselTreeSamplers : public testing::Test {
protected:
    VesselTreeSamplers()
        : tree(makeTree({makeVessel(10, PORTAL, 1, 1, {{0, 0, 0}, {1, 0, 0}}),
                         makeVessel(20, HEPATIC, 3, 2, {{1, 0, 0}, {2, 1, 0}, {3, 2, 0}}),
                         makeVessel(21, HEPATIC, 1, 1, {{3, 2, 0}}),
                         makeVessel(30, PORTAL, 4, 3, {{1, 0, 0}, {1, -4, 2}}),
                         makeVessel(40, static_cast<VesselProperties::NType>(3), 5, 2, {{7, 7, 7}}),
                         makeVessel(50, PORTAL, 6, 2, {})},
                        {0, 0, 1, 0, 0, 0})) {}

    // The vessel ids of @p sampler's samples, one per sample, with positions when asked for
    // ("10 (0,1,2) ..."), checking diameter 1 and scalar 0 on the way.
    std::string samplesOf(AbstractVesselTreeSampler& sampler, bool positions = false) {
        std::unique_ptr<VesselElementList> list(sampler.getVesselTreeSamples(tree));
        std::ostringstream text;
        for (const VesselElementID& s : *list) {
            EXPECT_EQ(s.scalar, 0.0f);
            EXPECT_EQ(s.diameter, 1.0f);
            text << (text.tellp() > 0 ? " " : "") << s.vesselId;
            if (positions)
                text << " (" << s.position.x << ',' << s.position.y << ',' << s.position.z << ')';
        }
        return text.str();
    }

    ArVesselTree tree;
};

TEST_F(VesselTreeSamplers, EntireSamplesEveryElementInPreorder) {
    EntireVesselTreeSampler sampler;
    EXPECT_EQ(samplesOf(sampler, true),
              "10 (0,0,0) 10 (1,0,0) 20 (1,0,0) 20 (2,1,0) 20 (3,2,0) 21 (3,2,0) 30 (1,0,0) "
              "30 (1,-4,2) 40 (7,7,7)");
}

TEST_F(VesselTreeSamplers, SystemAndSegmentSelection) {
    HepaVesselTreeSampler hepa;
    EXPECT_EQ(samplesOf(hepa), "20 20 20 21");
    OnlyDefinedHepaVesselTreeSampler definedHepa;
    EXPECT_EQ(samplesOf(definedHepa), "20 20 20");
    PortaVesselTreeSampler porta;
    EXPECT_EQ(samplesOf(porta), "10 10 30 30");
    OnlyDefinedPortaVesselTreeSampler definedPorta;
    EXPECT_EQ(samplesOf(definedPorta), "30 30");
}

TEST_F(VesselTreeSamplers, ResectionStatusSettings) {
    // By default portal vessels of a defined resection status only.
    ResectionStatusVesselTreeSampler sampler;
    EXPECT_EQ(samplesOf(sampler), "30 30");
    sampler.SetOnlyDefinedResectionStatus(false);
    EXPECT_EQ(samplesOf(sampler), "10 10 30 30");
    sampler.SetBloodVesselType(HEPATIC);
    sampler.SetOnlyDefinedResectionStatus(true);
    EXPECT_EQ(samplesOf(sampler), "20 20 20");
    sampler.SetBloodVesselType(static_cast<VesselProperties::NType>(3));
    EXPECT_EQ(samplesOf(sampler), "40");
}

TEST(VesselTreeSampler, EmptyTreesAndVesselsWithoutElementsGiveEmptyLists) {
    ArVesselTree empty = makeTree({}, {});
    ArVesselTree bare =
        makeTree({makeVessel(1, PORTAL, 2, 2, {}), makeVessel(2, PORTAL, 2, 2, {})}, {0, 0});
    EntireVesselTreeSampler entire;
    ResectionStatusVesselTreeSampler resection;
    for (ArVesselTree* t : {&empty, &bare}) {
        std::unique_ptr<VesselElementList> a(entire.getVesselTreeSamples(*t));
        std::unique_ptr<VesselElementList> b(resection.getVesselTreeSamples(*t));
        EXPECT_TRUE(a->empty());
        EXPECT_TRUE(b->empty());
    }
}

}  // namespace
