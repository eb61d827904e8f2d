#include "phantom/VesselPhantom.h"

#include "FineSpace.h"
#include "Geometry.h"
#include "Tissue.h"
#include "VesselGrowth.h"
#include "Voxelisation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace angiolith::phantom {

namespace {

// Fine voxels (units of the smallest spacing) per voxel along x, y and z.
std::array<float, 3> fineVoxelsPerVoxel(const PhantomOptions& o) {
    const float minSpacing = std::min({o.spacingX, o.spacingY, o.spacingZ});
    return {o.spacingX / minSpacing, o.spacingY / minSpacing, o.spacingZ / minSpacing};
}

// The default options with the given extents and root radius.
PhantomOptions sized(unsigned x, unsigned y, unsigned z, float rootRadius) {
    PhantomOptions o;
    o.sizeX = x;
    o.sizeY = y;
    o.sizeZ = z;
    o.rootRadius = rootRadius;
    return o;
}

}  // namespace

PhantomOptions PhantomOptions::tiny() { return sized(32, 32, 32, 2.5f); }

PhantomOptions PhantomOptions::small() { return sized(64, 64, 64, 3.5f); }

PhantomOptions PhantomOptions::medium() { return sized(256, 256, 256, 6.0f); }

PhantomOptions PhantomOptions::ct() { return sized(512, 512, 256, 8.0f); }

Phantom::~Phantom() {
    lumoTeskFree(vessels);
    lumoTeskFree(tissue);
}

Phantom::Phantom(Phantom&& other) noexcept
    : vessels(std::exchange(other.vessels, nullptr)),
      tissue(std::exchange(other.tissue, nullptr)),
      truth(std::move(other.truth)),
      bumps(std::move(other.bumps)),
      rootVoxel(other.rootVoxel),
      options(other.options),
      cellSize(other.cellSize),
      cellsX(other.cellsX),
      cellsY(other.cellsY),
      cellsZ(other.cellsZ),
      cells(std::move(other.cells)) {}

Phantom& Phantom::operator=(Phantom&& other) noexcept {
    if (this != &other) {
        lumoTeskFree(vessels);
        lumoTeskFree(tissue);
        vessels = std::exchange(other.vessels, nullptr);
        tissue = std::exchange(other.tissue, nullptr);
        truth = std::move(other.truth);
        bumps = std::move(other.bumps);
        rootVoxel = other.rootVoxel;
        options = other.options;
        cellSize = other.cellSize;
        cellsX = other.cellsX;
        cellsY = other.cellsY;
        cellsZ = other.cellsZ;
        cells = std::move(other.cells);
    }
    return *this;
}

lumoTeskDescriptor* Phantom::takeVessels() { return std::exchange(vessels, nullptr); }

lumoTeskDescriptor* Phantom::takeTissue() { return std::exchange(tissue, nullptr); }

void Phantom::indexSamples() {
    const auto [kx, ky, kz] = fineVoxelsPerVoxel(options);
    cellsX = static_cast<int>(options.sizeX * kx / cellSize) + 1;
    cellsY = static_cast<int>(options.sizeY * ky / cellSize) + 1;
    cellsZ = static_cast<int>(options.sizeZ * kz / cellSize) + 1;
    cells.assign(static_cast<std::size_t>(cellsX) * cellsY * cellsZ, {});
    for (int v = 0; v < static_cast<int>(truth.size()); ++v) {
        for (int s = 0; s < static_cast<int>(truth[v].centreLine.size()); ++s) {
            const CentreLineSample& c = truth[v].centreLine[s];
            const int x = std::clamp(static_cast<int>(c.x * kx / cellSize), 0, cellsX - 1);
            const int y = std::clamp(static_cast<int>(c.y * ky / cellSize), 0, cellsY - 1);
            const int z = std::clamp(static_cast<int>(c.z * kz / cellSize), 0, cellsZ - 1);
            cells[(static_cast<std::size_t>(z) * cellsY + y) * cellsX + x].push_back({v, s});
        }
    }
}

NearestSample Phantom::nearestSample(float x, float y, float z) const {
    NearestSample best{nullptr, -1, 0.0f};
    if (cells.empty()) return best;
    const auto [kx, ky, kz] = fineVoxelsPerVoxel(options);
    const float ux = x * kx, uy = y * ky, uz = z * kz;
    const int cx = std::clamp(static_cast<int>(ux / cellSize), 0, cellsX - 1);
    const int cy = std::clamp(static_cast<int>(uy / cellSize), 0, cellsY - 1);
    const int cz = std::clamp(static_cast<int>(uz / cellSize), 0, cellsZ - 1);
    float bestSq = 0;
    const int maxShell = std::max({cellsX, cellsY, cellsZ});
    // Shell s holds the cells at Chebyshev cell distance s; a sample in shell s + 1 or beyond
    // is at least s cells away, so the search stops once the best distance is below that.
    for (int shell = 0; shell <= maxShell; ++shell) {
        if (best.sample != nullptr && std::sqrt(bestSq) <= (shell - 1) * cellSize) break;
        for (int z = cz - shell; z <= cz + shell; ++z) {
            if (z < 0 || z >= cellsZ) continue;
            for (int y = cy - shell; y <= cy + shell; ++y) {
                if (y < 0 || y >= cellsY) continue;
                for (int x = cx - shell; x <= cx + shell; ++x) {
                    if (x < 0 || x >= cellsX) continue;
                    if (std::max({std::abs(x - cx), std::abs(y - cy), std::abs(z - cz)}) != shell)
                        continue;
                    for (const SampleRef& ref :
                         cells[(static_cast<std::size_t>(z) * cellsY + y) * cellsX + x]) {
                        const CentreLineSample& s = truth[ref.vessel].centreLine[ref.sample];
                        const float dx = s.x * kx - ux, dy = s.y * ky - uy, dz = s.z * kz - uz;
                        const float d = dx * dx + dy * dy + dz * dz;
                        if (best.sample == nullptr || d < bestSq) {
                            best = NearestSample{&s, ref.vessel, 0.0f};
                            bestSq = d;
                        }
                    }
                }
            }
        }
    }
    best.distance = std::sqrt(bestSq);
    return best;
}

Phantom makePhantom(const PhantomOptions& options) {
    Phantom phantom;
    phantom.options = options;
    phantom.vessels = newMask(options);
    if (options.sizeX != 0 && options.sizeY != 0 && options.sizeZ != 0) {
        const FineSpace space(options);
        Random random(options.seed);
        VesselGrowth growth(space, options, random, phantom.truth);
        growth.run();
        VesselVoxeliser voxeliser(space, options, phantom.vessels);
        for (const PhantomVessel& vessel : phantom.truth) voxeliser.paintVessel(vessel);
        if (options.surfaceBumps) {
            phantom.bumps = voxeliser.paintBumps(phantom.truth, growth.proximity(), random);
        }
        if (!phantom.truth.empty()) {
            const CentreLineSample& s = phantom.truth[0].centreLine.front();
            phantom.rootVoxel = Vector3<short>{static_cast<short>(std::lround(s.x)),
                                               static_cast<short>(std::lround(s.y)),
                                               static_cast<short>(std::lround(s.z))};
        }
        if (options.tissue) phantom.tissue = makeTissueMask(space, options, phantom.vessels);
    }
    phantom.indexSamples();
    return phantom;
}

}  // namespace angiolith::phantom
