#include "phantom/VesselPhantom.h"
#include "skeleton/SkeletonTestSupport.h"

#include <angiolith/skeleton/CleaningSelleSkeletonizer.h>
#include <angiolith/skeleton/SelleSkeletonizer.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The thinning's results are fixed: skeletons, working volumes and distance fields must stay
// byte for byte what the straightforward implementation (ordered lists, text-keyed maps, volume
// reads through the accessor) produced. The digests below were recorded with it; every case runs
// in both candidate orders.
namespace {

using namespace angiolith::phantom;
using skeletontest::box;
using skeletontest::randomBlob;
using skeletontest::Volume;

struct Digest {
    std::uint64_t h = 1469598103934665603ULL;  // FNV-1a
    void add(const void* data, std::size_t bytes) {
        for (std::size_t i = 0; i < bytes; ++i) {
            h = (h ^ static_cast<const unsigned char*>(data)[i]) * 1099511628211ULL;
        }
    }
};

std::string digestOf(const skeletontest::ThinResult& r) {
    Digest d;
    d.add(r.thinned.v.data(), r.thinned.v.size());
    d.add(r.field.data(), r.field.size() * sizeof(float));
    for (std::size_t i = 0; i < r.skeleton.size(); ++i) {
        const auto& [x, y, z] = r.skeleton[i];
        const int xyz[3] = {x, y, z};
        d.add(xyz, sizeof xyz);
        d.add(&r.skeletonDistances[i], sizeof(float));
    }
    d.add(r.output.data(), r.output.size());
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(d.h));
    return text;
}

Volume phantom(unsigned seed, int size) {
    PhantomOptions o = PhantomOptions::tiny();
    o.sizeX = o.sizeY = o.sizeZ = static_cast<unsigned>(size);
    o.seed = seed;
    o.tissue = false;
    const Phantom p = makePhantom(o);
    return skeletontest::fromDescriptor(p.vessels);
}

// Two blobs, a line along x through the whole grid (touching two faces) and a lone voxel in a
// corner of the grid.
Volume severalParts() {
    Volume vol = randomBlob(24, 11, 2);
    for (int x = 0; x < vol.nx; ++x) vol.set(x, 20, 3);
    vol.set(23, 0, 23);
    return vol;
}

using Spacing = std::array<float, 3>;
const Spacing iso{1, 1, 1}, ct{0.7f, 0.7f, 1.5f};

struct Case {
    std::string name;
    Volume volume;
    Spacing spacing;
    int cleaningPasses;   // -1: the plain skeletonizer
    std::string digests;  // most neighbours first, a space, then fewest first
};

skeletontest::ThinResult thin(const Case& c, int cleaningPasses, bool mostFirst,
                              bool noDistanceField) {
    if (cleaningPasses < 0) {
        return skeletontest::runThinning<SelleSkeletonizer>(c.volume, c.spacing, mostFirst,
                                                            noDistanceField);
    }
    return skeletontest::runThinning<CleaningSelleSkeletonizer>(
        c.volume, c.spacing, mostFirst, static_cast<unsigned>(cleaningPasses), noDistanceField);
}

}  // namespace

// Besides the recorded digests: without a distance field the thinning is the same, and the
// cleaning skeletonizer with zero cleaning passes is the plain thinning.
TEST(ThinningIdentity, ResultsAsRecorded) {
    const std::vector<Case> cases = {
        {"one voxel", box(1, 1, 1), iso, -1, "9d774847ddd2d369 9d774847ddd2d369"},
        {"one-voxel grid", box(1, 1, 1, 0), iso, -1, "e6f82ce78e154006 e6f82ce78e154006"},
        {"full block", box(6, 5, 4, 0), iso, -1, "f172e97c89f07a04 7dc07169ba1db47c"},
        {"full block, CT spacing", box(9, 7, 5, 0), ct, -1, "0e60e8cd684a259d 61a98f3e119ca66b"},
        {"several parts", severalParts(), iso, -1, "926cd02cfff425dd cfa32cf12da04802"},
        {"several parts, CT spacing", severalParts(), ct, -1, "ea93e0a6c1197bfb f35973613925930b"},
        {"blob", randomBlob(20, 3, 5), {1, 2, 1}, -1, "652f77a9154c1ae3 4bd239a0370ecd55"},
        {"phantom", phantom(1, 48), iso, -1, "d7078a23159740fb ef843f992e64d633"},
        {"phantom, CT spacing", phantom(2, 48), ct, -1, "850c009ccbb5e943 7ef1774b840f01e5"},
        {"phantom, cleaning", phantom(3, 40), iso, 2, "cd1069c8510bbd03 1e4df6e19c4abef2"},
        {"blob, cleaning", randomBlob(16, 5, 4), iso, 3, "23fafe2700060c28 b735f466cc230107"},
    };
    for (const Case& c : cases) {
        for (int order = 0; order < 2; ++order) {
            const bool mostFirst = order == 0;
            SCOPED_TRACE(c.name + (mostFirst ? ", most neighbours first" : ", fewest first"));
            const skeletontest::ThinResult r = thin(c, c.cleaningPasses, mostFirst, false);
            EXPECT_EQ(digestOf(r), c.digests.substr(17 * order, 16));
            const skeletontest::ThinResult noField = thin(c, c.cleaningPasses, mostFirst, true);
            EXPECT_TRUE(noField.field.empty());
            EXPECT_EQ(noField.thinned.v, r.thinned.v);
            EXPECT_EQ(noField.skeleton, r.skeleton);
            EXPECT_EQ(noField.skeletonDistances, r.skeletonDistances);
            EXPECT_EQ(noField.output, r.output);
            if (c.cleaningPasses < 0) {
                EXPECT_EQ(digestOf(thin(c, 0, mostFirst, false)), digestOf(r));
            }
        }
    }
}
