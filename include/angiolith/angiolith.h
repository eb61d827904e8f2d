#ifndef ANGIOLITH_ANGIOLITH_H
#define ANGIOLITH_ANGIOLITH_H

// Umbrella header: every public header of the library, and nothing else.
//
// Threads. The library starts no threads of its own, and independent analyses (different
// volumes, different trees) may run on different threads at the same time. What is process-wide
// is synchronized: the handle count table behind every ar<T> (tree/ar.h), ANN's global search
// state (every k-d tree construction and search holds one lock), the error number of the
// conversions (one per thread), the fatal-error handler and diagnostic sink
// (diagnostics/Diagnostics.h) and the module registration. SuppliedTissueClassifier::BACKGROUND
// stays one process-wide value: classifiers over tissue volumes with different background values
// must not be constructed and run interleaved, on one thread or on several.
//
// May be used by several threads at once: the topology evaluators (pure functions of a
// neighbourhood), and handles to any object for copying and dropping them. Everything else,
// that is every object of an analysis, is used by one thread at a time: descriptors and
// accessors, skeletonizers and their processors, extractors, trees, vessels and iterators (even
// readers may rebuild a vessel's cached data), cleaners, samplers, estimators, classifiers and
// relabelling rules. An analysis needs none of another's objects; to give two threads the same
// tree, clone it (VesselTreeTools::Clone) before they start.

// Host hooks: fatal input errors and diagnostic lines
#include <angiolith/diagnostics/Diagnostics.h>

// Image container and voxel access
#include <angiolith/image/ThreeDPicAccessor.h>
#include <angiolith/image/VolumeAccessor.h>
#include <angiolith/image/lumoKralConvert.h>
#include <angiolith/image/lumoTeskDescriptor.h>

// Skeletonization
#include <angiolith/skeleton/BorderTypeEvaluator.h>
#include <angiolith/skeleton/BorderVoxelHashMap.h>
#include <angiolith/skeleton/BorderVoxelListProcessor.h>
#include <angiolith/skeleton/CleaningSelleSkeletonizer.h>
#include <angiolith/skeleton/DistancePoint3D.h>
#include <angiolith/skeleton/EndpointEvaluator.h>
#include <angiolith/skeleton/EulerCharacteristicEvaluator.h>
#include <angiolith/skeleton/LobregtEulerCharacteristicEvaluator.h>
#include <angiolith/skeleton/NeighbourhoodConnectionEvaluator.h>
#include <angiolith/skeleton/OrderedBorderVoxelListProcessor.h>
#include <angiolith/skeleton/Point3D.h>
#include <angiolith/skeleton/RecursiveNeighbourhoodConnectionEvaluator.h>
#include <angiolith/skeleton/SelleBorderTypeEvaluator.h>
#include <angiolith/skeleton/SelleSimplePointEvaluator.h>
#include <angiolith/skeleton/SelleSkeletonizer.h>
#include <angiolith/skeleton/SimpleEndpointEvaluator.h>
#include <angiolith/skeleton/SimplePointEvaluator.h>
#include <angiolith/skeleton/Skeletonizer.h>

// Vessel tree model
#include <angiolith/tree/ArVesselTree.h>
#include <angiolith/tree/LinkedNode.h>
#include <angiolith/tree/LinkedTree.h>
#include <angiolith/tree/LinkedTreeIterators.h>
#include <angiolith/tree/Node.h>
#include <angiolith/tree/Tree.h>
#include <angiolith/tree/TreeExceptions.h>
#include <angiolith/tree/TreeIterator.h>
#include <angiolith/tree/Vector3.h>
#include <angiolith/tree/Vessel.h>
#include <angiolith/tree/VesselTreeTools.h>
#include <angiolith/tree/ar.h>

// Tree extraction
#include <angiolith/extraction/BranchingCluster.h>
#include <angiolith/extraction/BreadthFirstTreeExtractor.h>
#include <angiolith/extraction/EdgePriorityQueue.h>
#include <angiolith/extraction/PathFinder.h>
#include <angiolith/extraction/PriorityEdge.h>
#include <angiolith/extraction/PriorityVessel.h>
#include <angiolith/extraction/ShortVectorList.h>
#include <angiolith/extraction/ShortVectorToLongMap.h>
#include <angiolith/extraction/SkeletonGraphExtractor.h>
#include <angiolith/extraction/TreeExtractor.h>
#include <angiolith/extraction/VectorAdjacencyMatrix.h>
#include <angiolith/extraction/VesselPriorityQueue.h>
#include <angiolith/extraction/VisitableNeighbours.h>

// Tree cleaning
#include <angiolith/cleaning/RelevanceVesselTreeCleaner.h>
#include <angiolith/cleaning/VesselTreeCleaner.h>

// Vascular territories
#include <angiolith/territory/AbstractDistanceMeasure.h>
#include <angiolith/territory/AbstractNextVesselEstimator.h>
#include <angiolith/territory/AbstractVesselTreeSampler.h>
#include <angiolith/territory/EntireVesselTreeSampler.h>
#include <angiolith/territory/EuclideanDistanceMeasure.h>
#include <angiolith/territory/HepaVesselTreeSampler.h>
#include <angiolith/territory/KDTreeNextVesselEstimator.h>
#include <angiolith/territory/OnlyDefinedHepaVesselTreeSampler.h>
#include <angiolith/territory/OnlyDefinedPortaVesselTreeSampler.h>
#include <angiolith/territory/PortaVesselTreeSampler.h>
#include <angiolith/territory/ResectionStatusVesselTreeSampler.h>
#include <angiolith/territory/SuppliedTissueClassifier.h>
#include <angiolith/territory/TissueElement.h>

// Relabelling
#include <angiolith/relabel/AbstractRelabelingRule.h>
#include <angiolith/relabel/IdToResectionStatusRelabelingRule.h>
#include <angiolith/relabel/IdToSegmentRelabelingRule.h>
#include <angiolith/relabel/IdToTypeRelabelingRule.h>
#include <angiolith/relabel/VesselIDRelabeling.h>

// Module registration
#include <angiolith/module/mdx.h>

#endif
