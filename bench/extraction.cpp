// Tree extraction on thinned vessel phantoms: labelling, cluster growth and tracking, timed
// against the thinning of the same phantom. Each phantom is thinned once (timed); every
// benchmark iteration extracts from a fresh copy of the thinned volume, because the extraction
// relabels the skeleton in place.
#include <angiolith/extraction/BreadthFirstTreeExtractor.h>
#include <angiolith/image/lumoTeskDescriptor.h>
#include <angiolith/skeleton/SelleSkeletonizer.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <iostream>
#include <list>
#include <map>
#include <memory>
#include <string>

#include "phantom/VesselPhantom.h"

namespace {

using angiolith::phantom::makePhantom;
using angiolith::phantom::Phantom;
using angiolith::phantom::PhantomOptions;
using Clock = std::chrono::steady_clock;

// The thinned phantom: the skeleton volume (0/1), the distance field, a copy of the skeletal
// voxel list, the root voxel and the time the thinning took.
struct Thinned {
    lumoTeskDescriptor* skeleton = nullptr;
    lumoTeskDescriptor* field = nullptr;
    std::list<DistancePoint3D*> points;
    Vector3<short> root{0, 0, 0};
    double thinningSeconds = 0;
    std::size_t skeletonVoxels = 0;

    Thinned() = default;
    Thinned(const Thinned&) = delete;
    Thinned& operator=(const Thinned&) = delete;
    ~Thinned() {
        for (DistancePoint3D* p : points) delete p;
        lumoTeskFree(skeleton);
        lumoTeskFree(field);
    }
};

PhantomOptions optionsFor(const std::string& name) {
    PhantomOptions o = name == "ct" ? PhantomOptions::ct() : PhantomOptions::medium();
    o.tissue = false;
    return o;
}

const Thinned& thinned(const std::string& name) {
    static std::map<std::string, std::unique_ptr<Thinned>> cache;
    std::unique_ptr<Thinned>& entry = cache[name];
    if (entry) return *entry;
    entry = std::make_unique<Thinned>();
    Phantom phantom = makePhantom(optionsFor(name));
    entry->root = phantom.rootVoxel;
    lumoTeskDescriptor* pic = phantom.takeVessels();
    const auto begin = Clock::now();
    SelleSkeletonizer thinning(pic, true, false);
    thinning.skeletonize();
    entry->thinningSeconds = std::chrono::duration<double>(Clock::now() - begin).count();
    for (DistancePoint3D* p : *thinning.getSkeletalVoxels()) {
        entry->points.push_back(new DistancePoint3D(p->getX(), p->getY(), p->getZ(),
                                                    p->getDistanceX(), p->getDistanceY(),
                                                    p->getDistanceZ()));
    }
    entry->skeletonVoxels = entry->points.size();
    entry->skeleton = pic;
    entry->field = thinning.getDistanceFieldPic();
    return *entry;
}

void extraction(benchmark::State& state, const std::string& name, bool fromField) {
    const Thinned& t = thinned(name);
    VolumeAccessor<float> field(t.field, 0.0f, false);
    std::list<DistancePoint3D*> points = t.points;
    int vessels = 0;
    double total = 0;
    for (auto _ : state) {
        lumoTeskDescriptor* copy = lumoTeskClone(t.skeleton);
        {
            VolumeAccessor<unsigned char> skeleton(copy, 0, false);
            BreadthFirstTreeExtractor extractor;
            const auto begin = Clock::now();
            ArVesselTree tree = fromField ? extractor.getTreeDF(&skeleton, &field)
                                          : extractor.getTree(&skeleton, &points);
            const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
            state.SetIterationTime(seconds);
            total += seconds;
            vessels = tree->size();
        }
        lumoTeskFree(copy);
    }
    state.counters["vessels"] = vessels;
    state.counters["skeleton_voxels"] = static_cast<double>(t.skeletonVoxels);
    state.counters["thinning_s"] = t.thinningSeconds;
    state.counters["share_of_thinning"] =
        total / static_cast<double>(state.iterations()) / t.thinningSeconds;
}

}  // namespace

BENCHMARK_CAPTURE(extraction, medium_256cubed_list, std::string("medium"), false)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(extraction, medium_256cubed_field, std::string("medium"), true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(extraction, ct_512x512x256_list, std::string("ct"), false)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(extraction, ct_512x512x256_field, std::string("ct"), true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

BENCHMARK_MAIN();
