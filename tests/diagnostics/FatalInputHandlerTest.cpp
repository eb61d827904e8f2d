// Fatal input errors under a host's handler: every fatal path of the library, taken with the
// throwing handler, must throw the documented line, leave nothing allocated (the sanitizer build
// checks for leaks), keep the caller's descriptors, and leave the library as sound as before:
// the whole chain on a phantom afterwards gives the result of a run before any error.

#include "support/Descriptors.h"
#include "support/PhantomChain.h"

#include <angiolith/diagnostics/Diagnostics.h>
#include <angiolith/extraction/BranchingCluster.h>
#include <angiolith/extraction/BreadthFirstTreeExtractor.h>
#include <angiolith/extraction/VectorAdjacencyMatrix.h>
#include <angiolith/image/ThreeDPicAccessor.h>
#include <angiolith/image/VolumeAccessor.h>
#include <angiolith/skeleton/CleaningSelleSkeletonizer.h>
#include <angiolith/skeleton/OrderedBorderVoxelListProcessor.h>
#include <angiolith/skeleton/SelleSkeletonizer.h>
#include <angiolith/tree/ar.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <iostream>
#include <list>
#include <memory>
#include <string>
#include <vector>

using angiolith::test::makePic;
using angiolith::test::PicPtr;

namespace {

// A zero-filled byte image, 2-D without @p nz.
PicPtr bytes(unsigned nx, unsigned ny, unsigned nz = 0) {
    return PicPtr(angiolith::test::zeroPic(lumoTeskTypeUnsigned, 8, nz == 0 ? 2 : 3, nx, ny, nz));
}

// A 5 x 3 x 3 volume with a line of three skeleton voxels along x.
PicPtr line() {
    PicPtr pic = bytes(5, 3, 3);
    for (int x = 1; x <= 3; ++x) static_cast<unsigned char*>(pic->data)[(1 * 3 + 1) * 5 + x] = 1;
    return pic;
}

struct FatalCase {
    const char* name;
    std::string line;
    std::function<void()> run;
    std::string written = "";  ///< the diagnostic lines written before the error
};

ShortVectorList* nodes(std::vector<Vector3<short>> voxels) {
    return new ShortVectorList(std::move(voxels));
}

// A case that acts on a fresh cluster of two neighbouring nodes.
std::function<void()> onPair(void (*act)(BranchingCluster&)) {
    return [act] {
        BranchingCluster cluster(nodes({{0, 0, 0}, {1, 0, 0}}));
        act(cluster);
    };
}

std::vector<FatalCase> fatalCases() {
    // The texts are those the library writes by default; "\xFC" is the Windows-1252 byte of "ü".
    return {
        {"VolumeAccessorNull",
         "VolumeAccessor::VolumeAccessor(...): thePic == null or pic->dim!=3! ",
         [] { VolumeAccessor<unsigned char> v(nullptr, 0, true); }},
        {"VolumeAccessorOwning2D",
         "VolumeAccessor::VolumeAccessor(...): thePic == null or pic->dim!=3! ",
         [] { VolumeAccessor<float> v(bytes(4, 4).get(), 0.0f, true); }},
        {"ThreeDPicAccessorNull", "ThreeDPicAccessor::ThreeDPicAccessor(...): thePic == null!",
         [] { ThreeDPicAccessor<unsigned short> v(nullptr, true, 0); }},
        {"ThreeDPicAccessorOwning2D", "ThreeDPicAccessor::ThreeDPicAccessor(...): pic->dim!=3! ",
         [] { ThreeDPicAccessor<unsigned char> v(bytes(4, 4).get(), true, 0); }},
        {"SkeletonizerNull",
         "Skeletonizer::Skeletonizer(lumoTeskDescriptor*, BordeVoxelListProcessor*) "
         "fehlgeschlagen: "
         "NULL übergeben!",
         [] { SelleSkeletonizer s(nullptr, true, false); }},
        {"Skeletonizer2D", "Sorry, only 3D-Volumes are supported!",
         [] { CleaningSelleSkeletonizer s(bytes(4, 4).get(), true, 1, false); }},
        {"Skeletonizer2DOfAKindToConvert", "Sorry, only 3D-Volumes are supported!",
         [] {
             PicPtr flat = makePic<float>(lumoTeskTypeFloat, 16, {4, 4}, std::vector<float>(8));
             SelleSkeletonizer s(flat.get(), true, false);
         }},
        {"SkeletonizerNoElements",
         "Skeletonizer::Skeletonizer(...): the volume has no element buffer!",
         [] {
             PicPtr empty = bytes(2, 2, 2);
             std::free(empty->data);
             empty->data = nullptr;
             SelleSkeletonizer s(empty.get(), true, false);
         }},
        {"SkeletonizerTooLarge",
         "Skeletonizer::Skeletonizer(...): volume extents above 32768 voxels are not supported!",
         [] {
             PicPtr wide = bytes(1, 1, 1);
             wide->n[0] = 40000;
             SelleSkeletonizer s(wide.get(), true, false);
         }},
        {"SkeletonizerConversionFailed",
         "Skeletonizer::Skeletonizer(...): conversion to unsigned 8 bit failed (unsupported "
         "element type)!",
         [] {
             PicPtr odd = bytes(2, 2, 2);
             odd->bits = 3;
             // Freed here again: a constructor that had freed it fails in the sanitizer build.
             SelleSkeletonizer s(odd.get(), true, false);
         }},
        {"BorderVoxelListProcessorNull",
         "BorderVoxelListProcessor::Konstruktor: ein Parameter wurde mit Wert Null \xFC"
         "bergeben!",
         [] { OrderedBorderVoxelListProcessor p(nullptr, nullptr, true); }},
        {"AdjacencyMatrixRepeatedVoxel",
         "ERror in VectorAdjacencyMatrix::VectorAdjacencyMatrix(ShortVectorList* theNodeList): "
         "vector (1,-2,3) could not be inserted!",
         [] {
             ShortVectorList list{{1, -2, 3}, {0, 0, 0}, {1, -2, 3}};
             VectorAdjacencyMatrix m(&list);
         }},
        {"ClusterNullNodes", "BranchingCluster(ShortVectorList*) mit Parameter == 0 aufgerufen!",
         [] { BranchingCluster c(nullptr); }},
        {"ClusterEmptyNodes", "BranchingCluster(ShortVectorList*) mit leerem vector aufgerufen!",
         [] { BranchingCluster c(nodes({})); }},
        {"ClusterRepeatedNode",
         "ERror in VectorAdjacencyMatrix::VectorAdjacencyMatrix(ShortVectorList* theNodeList): "
         "vector (0,0,0) could not be inserted!",
         [] {
             BranchingCluster c(nodes({{0, 0, 0}, {0, 0, 0}}));
         }},
        {"ClusterAddEdgeIndex",
         "BranchingCluster::addEdge() :: ung\xFCltiger Index \xFC"
         "bergeben! ",
         onPair([](BranchingCluster& c) {
             c.addEdge(0, 1, N6_EDGE);
             c.addEdge(0, 2, N6_EDGE);
         }),
         "0  2\n"},
        {"ClusterAddEdgeType",
         "BranchingCluster::addEdge():  ung\xFCltiger edgeType \xFC"
         "bergeben!",
         onPair([](BranchingCluster& c) {
             c.addEdge(0, 1, N26_EDGE);
             c.addEdge(0, 1, NO_EDGE);
         })},
        {"ClusterRemovableIndex",
         "BranchingCluster::isRemovableEdge() :: ung\xFCltiger Index \xFC"
         "bergeben! ",
         onPair([](BranchingCluster& c) { c.isRemovableEdge(3, 0); })},
        {"ExtractorNullSkeleton",
         "Error in BreadthFirstTreeExtractor::getTree(): Parameter theSkelVol == NULL",
         [] {
             std::list<DistancePoint3D*> none;
             BreadthFirstTreeExtractor().getTree(nullptr, &none);
         }},
        {"ExtractorNullVoxels",
         "Error in BreadthFirstTreeExtractor::getTree(): Parameter skeletalVoxels == NULL",
         [] {
             VolumeAccessor<unsigned char> skeleton(line().release(), 0, true);
             BreadthFirstTreeExtractor().getTree(&skeleton, nullptr);
         }},
        {"ExtractorFieldNullSkeleton",
         "Error in BreadthFirstTreeExtractor::getTreeDF(): Parameter theSkelVol == NULL",
         [] {
             VolumeAccessor<float> field;
             BreadthFirstTreeExtractor().getTreeDF(nullptr, &field);
         }},
        {"ExtractorFieldNullField",
         "Error in BreadthFirstTreeExtractor::getTreeDF(): Parameter distanceField == NULL",
         [] {
             VolumeAccessor<unsigned char> skeleton(line().release(), 0, true);
             BreadthFirstTreeExtractor().getTreeDF(&skeleton, nullptr);
         }},
        {"ExtractorNoStart",
         "Fehler in BreadthFirstTreeExtractor::getTree(): Kein Endpunkt im Volumen vorhanden!",
         [] {
             VolumeAccessor<unsigned char> skeleton(bytes(3, 3, 3).release(), 0, true);
             std::list<DistancePoint3D*> none;
             BreadthFirstTreeExtractor().getTree(&skeleton, &none);
         }},
        // A T whose branch voxel (5,5,5) lacks a distance value: the labelling reads only end
        // and edge voxels, so the tracking is the first to miss it.
        {"ExtractorMissingDistance",
         "BreadthFirstTreeExtractor::getDiameter(): fehlender Distanzwert",
         [] {
             VolumeAccessor<unsigned char> skeleton(bytes(11, 11, 11).release(), 0, true);
             std::vector<std::unique_ptr<DistancePoint3D>> owned;
             std::list<DistancePoint3D*> lacking;
             const auto add = [&](short x, short y) {
                 skeleton.setVoxel(x, y, 5, 1);
                 owned.push_back(std::make_unique<DistancePoint3D>(x, y, 5, 2, 0, 0));
                 if (x != 5 || y != 5) lacking.push_back(owned.back().get());
             };
             for (short x = 1; x <= 9; ++x) add(x, 5);
             for (short y = 6; y <= 9; ++y) add(5, y);
             BreadthFirstTreeExtractor().getTree(&skeleton, &lacking);
         }},
        {"ExtractorFieldNoStart",
         "Fehler in BreadthFirstTreeExtractor::getTreeDF(): Kein Endpunkt im Volumen vorhanden!",
         [] {
             VolumeAccessor<unsigned char> skeleton(bytes(3, 3, 3).release(), 0, true);
             VolumeAccessor<float> field;
             BreadthFirstTreeExtractor().getTreeDF(&skeleton, &field);
         }},
    };
}

// The caller's temporary descriptors outlive the throwing constructors and are freed once.
TEST(FatalInputHandlerTest, EveryFatalPathThrowsSoundlyAndTheChainRunsAsBefore) {
    const angiolith::phantom::PhantomOptions options = angiolith::phantom::PhantomOptions::tiny();
    const chain_test::ChainResult before = chain_test::runChain(options);
    ASSERT_FALSE(before.tree.empty());
    const std::size_t handles = arBase::counter.size();
    ASSERT_EQ(setFatalInputHandler(&throwFatalInputException), nullptr);
    for (const FatalCase& c : fatalCases()) {
        SCOPED_TRACE(c.name);
        testing::internal::CaptureStdout();
        try {
            c.run();
            ADD_FAILURE() << "no fatal input error";
        } catch (const FatalInputException& error) {
            EXPECT_EQ(error.what(), c.line);
        }
        // The default line is not written, only the diagnostic lines before it.
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.written);
        EXPECT_EQ(arBase::counter.size(), handles) << "handles left behind";
    }
    EXPECT_EQ(setFatalInputHandler(nullptr), &throwFatalInputException);
    EXPECT_EQ(chain_test::runChain(options), before);
}

void returningHandler(const std::string& message) { std::cerr << "host saw: " << message << "\n"; }

TEST(FatalInputHandlerDeathTest, DefaultAndReturningHandlersEndTheProcessWithTheLine) {
    // Death tests see the error stream: the line is sent there as well by swapping the output
    // buffer inside the dying child.
    auto die = [](FatalInputHandler handler) {
        setFatalInputHandler(handler);
        std::cout.rdbuf(std::cerr.rdbuf());
        SelleSkeletonizer s(nullptr, true, false);
    };
    EXPECT_EXIT(
        die(nullptr), testing::ExitedWithCode(1),
        "^Skeletonizer::Skeletonizer\\(lumoTeskDescriptor\\*, BordeVoxelListProcessor\\*\\) "
        "fehlgeschlagen: NULL übergeben!\n$");
    EXPECT_EXIT(die(&returningHandler), testing::ExitedWithCode(1),
                "^host saw: Skeletonizer::Skeletonizer.*!\nSkeletonizer::Skeletonizer.*!\n$");
}

}  // namespace
