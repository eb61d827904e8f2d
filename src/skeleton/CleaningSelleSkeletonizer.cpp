#include "diagnostics/DiagnosticLine.h"

#include <angiolith/image/detail/NeighbourOffsets.h>
#include <angiolith/skeleton/CleaningSelleSkeletonizer.h>

namespace {

const char* const kNoStartpoints = "PostClean: no Startpoints found!";

// The 5 x 5 x 5 window around a voxel: offset (dx, dy, dz), each -2 to +2, at
// (dx + 2) + 5 (dy + 2) + 25 (dz + 2); the centre is 62.
constexpr int kWindowSize = 125;
constexpr int kCentre = 62;

constexpr int windowIndex(int wx, int wy, int wz) { return wx + 5 * wy + 25 * wz; }

}  // namespace

CleaningSelleSkeletonizer::CleaningSelleSkeletonizer(lumoTeskDescriptor* pic,
                                                     bool mostNeighboursFirst,
                                                     unsigned int theNumberOfCleaningPasses,
                                                     bool noDistanceField)
    : SelleSkeletonizer(pic, mostNeighboursFirst, noDistanceField),
      numberOfCleaningPasses(theNumberOfCleaningPasses) {}

CleaningSelleSkeletonizer::~CleaningSelleSkeletonizer() = default;

void CleaningSelleSkeletonizer::skeletonize() {
    runPasses([this] {
        if (iteration <= numberOfCleaningPasses) postClean(skeletalVoxels);
    });
}

void CleaningSelleSkeletonizer::postClean(std::list<DistancePoint3D*>* list) {
    if (list == nullptr) return;
    for (int sweep = 0; sweep < 2; ++sweep) {
        for (auto it = list->begin(); it != list->end();) {
            DistancePoint3D* p = *it;
            if (isLocallyRedundant(*p)) {
                volume->setVoxel(p->getX(), p->getY(), p->getZ(), 0);
                it = list->erase(it);
            } else {
                ++it;
            }
        }
    }
}

bool CleaningSelleSkeletonizer::isLocallyRedundant(const DistancePoint3D& p) {
    const short x = p.getX(), y = p.getY(), z = p.getZ();
    unsigned char window[kWindowSize];
    for (int wz = 0; wz < 5; ++wz) {
        for (int wy = 0; wy < 5; ++wy) {
            for (int wx = 0; wx < 5; ++wx) {
                window[windowIndex(wx, wy, wz)] =
                    volume->getVoxel(static_cast<short>(x + wx - 2), static_cast<short>(y + wy - 2),
                                     static_cast<short>(z + wz - 2)) != 0;
            }
        }
    }
    window[kCentre] = 0;

    // Start voxel: the first set voxel of the inner 3 x 3 x 3 cube, x outermost, z innermost.
    int start = -1;
    for (int wx = 1; wx <= 3 && start < 0; ++wx) {
        for (int wy = 1; wy <= 3 && start < 0; ++wy) {
            for (int wz = 1; wz <= 3 && start < 0; ++wz) {
                if (window[windowIndex(wx, wy, wz)]) start = windowIndex(wx, wy, wz);
            }
        }
    }
    if (start < 0) {
        angiolith::detail::diagnosticLine(DiagnosticStream::Output, kNoStartpoints);
        return false;
    }

    // Mark everything 26-connected to the start inside the window (the cleared centre is
    // never entered). An explicit stack replaces the recursion; the marked set is the same.
    unsigned char marked[kWindowSize] = {};
    int stack[kWindowSize];
    int top = 0;
    marked[start] = 1;
    stack[top++] = start;
    while (top > 0) {
        const int i = stack[--top];
        const int wx = i % 5, wy = (i / 5) % 5, wz = i / 25;
        for (const auto& d : angiolith::detail::kNeighbourOffsets26.d) {
            const int nx = wx + d[0], ny = wy + d[1], nz = wz + d[2];
            if (nx < 0 || nx > 4 || ny < 0 || ny > 4 || nz < 0 || nz > 4) continue;
            const int j = windowIndex(nx, ny, nz);
            if (marked[j] || !window[j]) continue;
            marked[j] = 1;
            stack[top++] = j;
        }
    }

    for (int wz = 1; wz <= 3; ++wz) {
        for (int wy = 1; wy <= 3; ++wy) {
            for (int wx = 1; wx <= 3; ++wx) {
                const int j = windowIndex(wx, wy, wz);
                if (window[j] && !marked[j]) return false;
            }
        }
    }
    return true;
}
