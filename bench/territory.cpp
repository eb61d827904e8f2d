// Vascular territories on the CT-sized phantom: the supplied-tissue classifier over the phantom's
// tissue mask and its centre lines snapped to voxels (index times spacing, as centre lines
// extracted from a mask on the same grid are), in processor and wall time: the grid transform on
// one and on two threads, and the voxel-by-voxel k-d tree search it replaces (the reference). The
// results of all three are compared byte for byte.
//
// Usage: bench_territory [DIR] [--grid-only]. With DIR (or - for none), the samples (float64, n x
// 3), the tissue positions in query order (float64, m x 3), our distances (float32, m) and our
// figures (seconds.txt) are written there for bench/territory_peer.py, which times another k-d tree
// on the same data.
#include "phantom/VesselPhantom.h"

#include <angiolith/territory/EntireVesselTreeSampler.h>
#include <angiolith/territory/KDTreeNextVesselEstimator.h>
#include <angiolith/territory/SuppliedTissueClassifier.h>
#include <angiolith/tree/LinkedTree.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <time.h>
#include <vector>

namespace {

// Processor time of the whole process (all its threads): the machine may be shared, and wall
// time would count the other processes' turns.
double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

double wallSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// The phantom's true centre lines as a vessel tree (ids 1..n in the order of `truth`).
ArVesselTree treeOf(const angiolith::phantom::Phantom& phantom) {
    ArVesselTree tree(new LinkedTree<ar<Vessel>>());
    std::vector<ar<Vessel>> vessels;
    for (std::size_t i = 0; i < phantom.truth.size(); ++i) {
        ar<Vessel> vessel(new Vessel());
        vessel->setId(static_cast<int>(i + 1));
        for (const auto& s : phantom.truth[i].centreLine) {
            // Snapped to the nearest voxel: positions are voxel indices here.
            vessel->add(
                VesselElement{{std::nearbyint(s.x), std::nearbyint(s.y), std::nearbyint(s.z)},
                              2.0f * s.radius,
                              0.0f});
        }
        vessels.push_back(vessel);
    }
    // Children are added below their parent through a child iterator walk from the root.
    struct Grow {
        const angiolith::phantom::Phantom& phantom;
        const std::vector<ar<Vessel>>& vessels;
        void children(TreeIterator<ar<Vessel>>& at, int index) const {
            for (int child : phantom.truth[index].children) at.addChild(vessels[child]);
            const ar<TreeIterator<ar<Vessel>>> kids(at.childIterator());
            for (int child : phantom.truth[index].children) {
                kids->next();
                children(*kids, child);
            }
        }
    };
    for (std::size_t i = 0; i < phantom.truth.size(); ++i) {
        if (phantom.truth[i].parent >= 0) continue;
        tree->setRoot(vessels[i]);
        const ar<TreeIterator<ar<Vessel>>> root(tree->preorderIterator());
        root->next();
        Grow{phantom, vessels}.children(*root, static_cast<int>(i));
        break;
    }
    return tree;
}

template <typename T>
void writeRaw(const std::string& path, const std::vector<T>& values) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(values.data()),
              static_cast<std::streamsize>(values.size() * sizeof(T)));
}

// The reference search is an estimator the classifier cannot recognise as its own, so it is
// queried voxel by voxel.
class ReferenceEstimator : public KDTreeNextVesselEstimator {};

struct Timing {
    double cpu = 1e300, wall = 1e300;
};

struct Result {
    std::vector<unsigned short> ids;
    std::vector<float> distances;
};

// Best of @p runs computations with a fresh estimator each (so sampling is included).
template <typename MakeEstimator>
Timing timeClassifier(SuppliedTissueClassifier& classifier, MakeEstimator make, unsigned threads,
                      int runs, Result& result) {
    Timing best;
    classifier.setNumberOfThreads(threads);
    for (int run = 0; run < runs; ++run) {
        classifier.setNextVesselEstimator(make());
        const double cpu = cpuSeconds(), wall = wallSeconds();
        classifier.computeSuppliedTissue();
        best.cpu = std::min(best.cpu, cpuSeconds() - cpu);
        best.wall = std::min(best.wall, wallSeconds() - wall);
    }
    const lumoTeskDescriptor* ids = classifier.getVesselIDVolume()->getPic();
    const lumoTeskDescriptor* distances = classifier.getDistanceVolume()->getPic();
    const std::size_t n = std::size_t{ids->n[0]} * ids->n[1] * ids->n[2];
    result.ids.assign(static_cast<unsigned short*>(ids->data),
                      static_cast<unsigned short*>(ids->data) + n);
    result.distances.assign(static_cast<float*>(distances->data),
                            static_cast<float*>(distances->data) + n);
    return best;
}

bool sameBytes(const Result& a, const Result& b) {
    return a.ids == b.ids && a.distances.size() == b.distances.size() &&
           std::memcmp(a.distances.data(), b.distances.data(), 4 * a.distances.size()) == 0;
}

constexpr int kRuns = 3;

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 && std::string(argv[1]) != "-" ? argv[1] : "";
    const bool gridOnly = argc > 2 && std::string(argv[2]) == "--grid-only";
    const auto options = angiolith::phantom::PhantomOptions::ct();
    std::printf("phantom %u x %u x %u, spacing %.2f %.2f %.2f\n", options.sizeX, options.sizeY,
                options.sizeZ, options.spacingX, options.spacingY, options.spacingZ);
    angiolith::phantom::Phantom phantom = angiolith::phantom::makePhantom(options);
    ArVesselTree tree = treeOf(phantom);
    // Centre lines are in voxel coordinates; the transform scales them to world millimetres.
    double toWorld[4][4] = {{options.spacingX, 0, 0, 0},
                            {0, options.spacingY, 0, 0},
                            {0, 0, options.spacingZ, 0},
                            {0, 0, 0, 1}};
    auto* tissue = new ThreeDPicAccessor<unsigned char>(phantom.takeTissue(), true, 0);
    tissue->setVoxelSize(options.spacingX, options.spacingY, options.spacingZ);

    SuppliedTissueClassifier classifier(tissue, tree);
    classifier.setVesselElementTransform(toWorld);
    Result grid1, grid2, reference;
    const auto own = [] { return new KDTreeNextVesselEstimator; };
    const Timing one = timeClassifier(classifier, own, 1, kRuns, grid1);
    const Timing two = timeClassifier(classifier, own, 2, kRuns, grid2);
    if (gridOnly) {
        std::printf("grid transform: %.3f s processor on 1 thread, %.3f s wall on 2\n", one.cpu,
                    two.wall);
        return 0;
    }
    const Timing ref = timeClassifier(
        classifier, [] { return new ReferenceEstimator; }, 1, 1, reference);

    // The samples and the tissue positions in query order, for the peer.
    std::vector<double> samples;
    {
        EntireVesselTreeSampler sampler;
        const std::unique_ptr<VesselElementList> list(sampler.getVesselTreeSamples(tree));
        for (const VesselElementID& s : *list) {
            samples.insert(samples.end(), {static_cast<float>(toWorld[0][0] * s.position.x),
                                           static_cast<float>(toWorld[1][1] * s.position.y),
                                           static_cast<float>(toWorld[2][2] * s.position.z)});
        }
    }
    std::vector<double> positions;
    std::vector<float> distances;
    for (short z = 0; z < short(tissue->getSizeZ()); ++z) {
        for (short y = 0; y < short(tissue->getSizeY()); ++y) {
            for (short x = 0; x < short(tissue->getSizeX()); ++x) {
                if (tissue->getVoxel(x, y, z) == SuppliedTissueClassifier::BACKGROUND) continue;
                positions.insert(positions.end(), {float(x) * tissue->getVoxelSizeX(),
                                                   float(y) * tissue->getVoxelSizeY(),
                                                   float(z) * tissue->getVoxelSizeZ()});
                distances.push_back(
                    grid1.distances[(std::size_t(z) * tissue->getSizeY() + y) * tissue->getSizeX() +
                                    x]);
            }
        }
    }
    const std::size_t queries = distances.size();
    std::printf("samples %zu, tissue voxels %zu of %u\n", samples.size() / 3, queries,
                options.sizeX * options.sizeY * options.sizeZ);
    std::printf("grid transform, 1 thread:  %.3f s processor, %.3f s wall, %.3g tissue voxels/s\n",
                one.cpu, one.wall, queries / one.cpu);
    std::printf(
        "grid transform, 2 threads: %.3f s processor, %.3f s wall: %.2f x faster (wall; "
        "target >= 1.7)\n",
        two.cpu, two.wall, one.wall / two.wall);
    std::printf(
        "k-d tree per voxel (reference): %.3f s processor, %.3f s wall: grid %.1f x faster\n",
        ref.cpu, ref.wall, ref.cpu / one.cpu);
    std::printf("results byte for byte: 2 threads %s, reference %s\n",
                sameBytes(grid1, grid2) ? "identical" : "DIFFERENT",
                sameBytes(grid1, reference) ? "identical" : "DIFFERENT");

    if (!dir.empty()) {
        writeRaw(dir + "/samples.raw", samples);
        writeRaw(dir + "/queries.raw", positions);
        writeRaw(dir + "/distances.raw", distances);
        std::ofstream(dir + "/seconds.txt") << one.cpu << ' ' << ref.cpu << '\n';
    }
    return sameBytes(grid1, grid2) && sameBytes(grid1, reference) ? 0 : 1;
}
