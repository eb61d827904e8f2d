// Tree cleaning and cloning on the tree extracted from a thinned vessel phantom with surface
// bumps: work dominated by tree walks and vessel handles (every handle copy is a count-table
// update). The phantom is thinned and extracted once; every iteration cleans a fresh clone.
#include "phantom/VesselPhantom.h"

#include <angiolith/cleaning/RelevanceVesselTreeCleaner.h>
#include <angiolith/extraction/BreadthFirstTreeExtractor.h>
#include <angiolith/image/lumoTeskDescriptor.h>
#include <angiolith/skeleton/Point3D.h>
#include <angiolith/skeleton/SelleSkeletonizer.h>
#include <angiolith/tree/VesselTreeTools.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <string>

namespace {

using angiolith::phantom::makePhantom;
using angiolith::phantom::Phantom;
using angiolith::phantom::PhantomOptions;
using Clock = std::chrono::steady_clock;

PhantomOptions optionsFor(const std::string& name) {
    PhantomOptions o = name == "ct" ? PhantomOptions::ct() : PhantomOptions::medium();
    o.tissue = false;
    o.surfaceBumps = true;
    return o;
}

const ArVesselTree& extracted(const std::string& name) {
    static std::map<std::string, ArVesselTree> cache;
    ArVesselTree& tree = cache[name];
    if (tree) return tree;
    Phantom phantom = makePhantom(optionsFor(name));
    lumoTeskDescriptor* pic = phantom.takeVessels();
    {
        SelleSkeletonizer thinning(pic, true, false);
        thinning.skeletonize();
        Point3D start(phantom.rootVoxel.x, phantom.rootVoxel.y, phantom.rootVoxel.z);
        BreadthFirstTreeExtractor extractor;
        tree = extractor.getTree(thinning.getVolume(), thinning.getSkeletalVoxels(), &start);
        lumoTeskFree(thinning.getDistanceFieldPic());
    }
    lumoTeskFree(pic);
    return tree;
}

void cloning(benchmark::State& state, const std::string& name) {
    const ArVesselTree& tree = extracted(name);
    for (auto _ : state) {
        ArVesselTree copy = VesselTreeTools::Clone(tree);
        benchmark::DoNotOptimize(copy.get());
    }
    state.counters["vessels"] = tree->size();
}

void cleaning(benchmark::State& state, const std::string& name) {
    const ArVesselTree& tree = extracted(name);
    int vessels = 0;
    for (auto _ : state) {
        ArVesselTree copy = VesselTreeTools::Clone(tree);
        const auto begin = Clock::now();
        RelevanceVesselTreeCleaner(0.5f, false).cleanTree(copy);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - begin).count());
        vessels = copy->size();
    }
    state.counters["vessels_before"] = tree->size();
    state.counters["vessels_after"] = vessels;
}

}  // namespace

BENCHMARK_CAPTURE(cloning, medium_256cubed, std::string("medium"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(cleaning, medium_256cubed, std::string("medium"))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
