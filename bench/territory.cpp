// Vascular territories on the CT-sized phantom: the supplied-tissue classifier over the phantom's
// tissue mask and its true centre lines, as tissue voxels per second, split into the time of the
// nearest-sample queries themselves and the classifier's own loop around them.
//
// Usage: bench_territory [DIR]. With DIR, the samples (float64, n x 3), the tissue positions in
// query order (float64, m x 3), our distances (float32, m) and our figures (seconds.txt) are
// written there for bench/territory_peer.py, which times another k-d tree on the same data.
#include "phantom/VesselPhantom.h"

#include <angiolith/territory/KDTreeNextVesselEstimator.h>
#include <angiolith/territory/SuppliedTissueClassifier.h>
#include <angiolith/tree/LinkedTree.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <time.h>
#include <vector>

namespace {

// Processor time of this thread: the machine may be shared, and wall time would count the
// other processes' turns.
double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
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
            vessel->add(VesselElement{{s.x, s.y, s.z}, 2.0f * s.radius, 0.0f});
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

constexpr int kRuns = 2;

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : "";
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

    // The whole computation, best of kRuns, in processor seconds.
    SuppliedTissueClassifier classifier(tissue, tree);
    classifier.setVesselElementTransform(toWorld);
    double total = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        classifier.setNextVesselEstimator(new KDTreeNextVesselEstimator);
        const double start = cpuSeconds();
        classifier.computeSuppliedTissue();
        total = std::min(total, cpuSeconds() - start);
    }

    // The same samples and the same queries in the same order, without the classifier's loop.
    std::vector<double> samples;
    VesselElementList list;
    {
        for (std::size_t i = 0; i < phantom.truth.size(); ++i) {
            for (const auto& s : phantom.truth[i].centreLine) {
                const auto x = static_cast<float>(toWorld[0][0] * s.x);
                const auto y = static_cast<float>(toWorld[1][1] * s.y);
                const auto z = static_cast<float>(toWorld[2][2] * s.z);
                list.push_back({{x, y, z}, 0.0f, 0.0f, static_cast<int>(i + 1)});
                samples.insert(samples.end(), {x, y, z});
            }
        }
    }
    std::vector<float> positions;
    for (short z = 0; z < short(tissue->getSizeZ()); ++z) {
        for (short y = 0; y < short(tissue->getSizeY()); ++y) {
            for (short x = 0; x < short(tissue->getSizeX()); ++x) {
                if (tissue->getVoxel(x, y, z) == SuppliedTissueClassifier::BACKGROUND) continue;
                positions.insert(positions.end(), {float(x) * tissue->getVoxelSizeX(),
                                                   float(y) * tissue->getVoxelSizeY(),
                                                   float(z) * tissue->getVoxelSizeZ()});
            }
        }
    }
    const std::size_t queries = positions.size() / 3;
    std::vector<float> distances(queries);
    double searchOnly = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        const double start = cpuSeconds();
        KDTreeNextVesselEstimator estimator;
        estimator.setVesselElementList(&list);
        AbstractNextVesselEstimator& search = estimator;
        TissueElement element;
        for (std::size_t i = 0; i < queries; ++i) {
            element.setPosition(&positions[3 * i]);
            search.getNextVessel(&element);
            distances[i] = element.getDistance();
        }
        searchOnly = std::min(searchOnly, cpuSeconds() - start);
    }

    std::printf("samples %zu, tissue voxels %zu of %u\n", list.size(), queries,
                options.sizeX * options.sizeY * options.sizeZ);
    std::printf("territories: %.3f s processor time, %.3g tissue voxels/s\n", total,
                queries / total);
    std::printf("nearest-sample queries alone: %.3f s, %.3g queries/s\n", searchOnly,
                queries / searchOnly);
    std::printf("classifier loop on top of the queries: %.3f s = %.1f %% (target < 10 %%)\n",
                total - searchOnly, 100.0 * (total - searchOnly) / searchOnly);

    if (!dir.empty()) {
        writeRaw(dir + "/samples.raw", samples);
        writeRaw(dir + "/queries.raw", std::vector<double>(positions.begin(), positions.end()));
        writeRaw(dir + "/distances.raw", distances);
        std::ofstream(dir + "/seconds.txt") << total << ' ' << searchOnly << '\n';
    }
    return 0;
}
