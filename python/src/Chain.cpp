#include "Chain.h"

#include "Arrays.h"
#include "Library.h"
#include "LibraryMessages.h"
#include "TreeBinding.h"
#include "cli/Stages.h"

#include <angiolith/territory/EntireVesselTreeSampler.h>
#include <angiolith/territory/HepaVesselTreeSampler.h>
#include <angiolith/territory/OnlyDefinedHepaVesselTreeSampler.h>
#include <angiolith/territory/OnlyDefinedPortaVesselTreeSampler.h>
#include <angiolith/territory/PortaVesselTreeSampler.h>
#include <angiolith/territory/ResectionStatusVesselTreeSampler.h>
#include <angiolith/tree/Vessel.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>

namespace angiolith::python {

namespace {

// The samplers territories() offers, by name: which vessels may supply tissue.
struct SamplerChoice {
    const char* name;
    const char* selects;
    std::function<AbstractVesselTreeSampler*()> make;
};

const std::vector<SamplerChoice>& samplerChoices() {
    static const std::vector<SamplerChoice> choices{
        {"all", "every vessel", [] { return new EntireVesselTreeSampler(); }},
        {"hepatic", "hepatic vessels (type 1)", [] { return new HepaVesselTreeSampler(); }},
        {"portal", "portal vessels (type 2)", [] { return new PortaVesselTreeSampler(); }},
        {"defined-hepatic", "hepatic vessels with a defined segment (type 1, segment not 1)",
         [] { return new OnlyDefinedHepaVesselTreeSampler(); }},
        {"defined-portal", "portal vessels with a defined segment (type 2, segment not 1)",
         [] { return new OnlyDefinedPortaVesselTreeSampler(); }},
        {"resection-portal",
         "portal vessels with a defined resection status (type 2, resection_status not 1)",
         [] { return new ResectionStatusVesselTreeSampler(); }},
        {"resection-hepatic",
         "hepatic vessels with a defined resection status (type 1, resection_status not 1)",
         [] {
             auto* sampler = new ResectionStatusVesselTreeSampler();
             sampler->SetBloodVesselType(VesselProperties::HEPATIC);
             return sampler;
         }},
    };
    return choices;
}

const SamplerChoice& samplerOf(const std::string& name) {
    std::string names;
    for (const SamplerChoice& choice : samplerChoices()) {
        if (name == choice.name) return choice;
        names += std::string(names.empty() ? "'" : ", '") + choice.name + "'";
    }
    throw py::value_error("sampler must be one of " + names + ", got '" + name + "'");
}

tool::LabelRule ruleOf(const std::string& name) {
    const auto rule = tool::labelRuleOf(name);
    if (!rule) {
        throw py::value_error("rule must be 'segment', 'type' or 'resection', got '" + name + "'");
    }
    return *rule;
}

// Vessel-ID volumes hold ids 1 to 65535, and a tree without samples supplies nothing. Call with
// the library lock held.
void requireVolumeIds(TreeState& tree) {
    long samples = 0;
    for (const TreeState::Entry& e : tree.entries()) {
        const int id = e.vessel->getId();
        if (id < 1 || id > std::numeric_limits<std::uint16_t>::max()) {
            throw py::value_error("the tree has a vessel with id " + std::to_string(id) +
                                  ", but a vessel-ID volume holds ids 1 to 65535 only");
        }
        samples += e.vessel->getSize();
    }
    if (samples == 0) throw py::value_error("the tree has no centre-line sample");
}

int maxIdOf(TreeState& tree) {
    int maxId = 0;
    for (const TreeState::Entry& e : tree.entries()) maxId = std::max(maxId, e.vessel->getId());
    return maxId;
}

std::optional<std::array<long, 3>> startOf(const py::object& start, Axes axes,
                                           const std::array<unsigned int, 3>& size) {
    if (start.is_none()) return std::nullopt;
    std::array<long, 3> given{};
    if (!py::isinstance<py::sequence>(start) && !py::isinstance<py::array>(start)) {
        throw py::type_error("start must be None or three voxel indices, got " +
                             std::string(py::repr(start)));
    }
    const py::list values(start);
    if (values.size() != 3) {
        throw py::value_error("start must have 3 voxel indices, one per axis, got " +
                              tupleText(values));
    }
    for (std::size_t i = 0; i < 3; ++i) {
        const py::handle v = values[i];
        if (!PyIndex_Check(v.ptr()) || PyBool_Check(v.ptr())) {
            throw py::type_error("start must be three integer voxel indices, got " +
                                 tupleText(values));
        }
        given[i] = py::int_(py::reinterpret_borrow<py::object>(v)).cast<long>();
    }
    const std::array<long, 3> xyz = toLibraryOrder(given, axes);
    for (int i = 0; i < 3; ++i) {
        if (xyz[i] < 0 || xyz[i] >= static_cast<long>(size[i])) {
            const std::array<unsigned int, 3> shape = toLibraryOrder(size, axes);
            throw py::value_error("start " + tupleText(values) +
                                  " lies outside the volume of shape (" + std::to_string(shape[0]) +
                                  ", " + std::to_string(shape[1]) + ", " +
                                  std::to_string(shape[2]) + ")");
        }
    }
    return xyz;
}

py::tuple skeletonize(const py::object& maskObject, const py::object& spacingObject,
                      long cleaningPasses, bool mostNeighboursFirst, const std::string& axesName) {
    const Axes axes = axesOf(axesName);
    const std::array<double, 3> spacing = spacingOf(spacingObject, axes);
    if (cleaningPasses < 0 || cleaningPasses > std::numeric_limits<int>::max()) {
        throw py::value_error("cleaning_passes must be 0 or more, got " +
                              std::to_string(cleaningPasses));
    }
    const py::array mask = numericArray(maskObject, "mask");
    const Geometry geometry = geometryOf(gridOf(mask, axes, "mask"), spacing);
    unsigned long long voxels = 0;
    DescriptorPtr working = binarized(mask, axes, voxels);
    if (voxels == 0) throw py::value_error("mask has no non-zero voxel: there is nothing to thin");

    tool::ThinningOptions options;
    options.cleaningPasses = static_cast<unsigned int>(cleaningPasses);
    options.mostNeighboursFirst = mostNeighboursFirst;
    std::optional<tool::Skeleton> skeleton;
    {
        py::gil_scoped_release release;
        skeleton.emplace(tool::thin(std::move(working), geometry, options));
    }
    py::array skeletonArray = takeElements(*skeleton->skeletonVolume().pic, axes);
    py::array distanceArray = takeElements(*skeleton->distanceField().pic, axes);
    {
        // The skeletal points die with the skeletonizer; nothing returned refers to them.
        py::gil_scoped_release release;
        skeleton.reset();
    }
    return py::make_tuple(skeletonArray, distanceArray);
}

PyTree extractTree(const py::object& skeletonObject, const py::object& distanceObject,
                   const py::object& spacingObject, const py::object& startObject,
                   const std::string& axesName) {
    const Axes axes = axesOf(axesName);
    const std::array<double, 3> spacing = spacingOf(spacingObject, axes);
    const py::array skeletonArray = numericArray(skeletonObject, "skeleton");
    const py::array distanceArray = numericArray(distanceObject, "distance_field");
    const Geometry geometry = geometryOf(gridOf(skeletonArray, axes, "skeleton"), spacing);
    if (gridOf(distanceArray, axes, "distance_field") != geometry.size) {
        throw py::value_error("skeleton and distance_field differ in shape: " +
                              tupleText(skeletonArray.attr("shape")) + " and " +
                              tupleText(distanceArray.attr("shape")));
    }
    const auto start = startOf(startObject, axes, geometry.size);
    unsigned long long voxels = 0;
    Volume skeleton{binarized(skeletonArray, axes, voxels), geometry};
    if (voxels == 0) throw py::value_error("skeleton has no non-zero voxel");
    const ArrayVolume distances(distanceArray, axes, lumoTeskTypeFloat, 32, geometry);

    py::gil_scoped_release release;
    const auto* s = static_cast<const std::uint8_t*>(skeleton.pic->data);
    const auto* d = static_cast<const float*>(distances.volume().pic->data);
    for (unsigned long long i = 0; i < geometry.voxelCount(); ++i) {
        if (s[i] != 0 && !(d[i] > 0.0f && std::isfinite(d[i]))) {
            throw py::value_error(
                "distance_field is not positive on every skeleton voxel; give the distance "
                "field that skeletonize() returned with the skeleton");
        }
    }
    const std::string obstacle = tool::extractionObstacle(skeleton, start.has_value());
    if (!obstacle.empty()) {
        throw py::value_error("no vessel tree can be extracted from the skeleton: " + obstacle);
    }
    tool::SkeletonPoints points(skeleton, distances.volume());
    auto lock = libraryLock();
    ArVesselTree tree;
    try {
        tree = tool::extractTree(skeleton, points.list(), start);
    } catch (const std::runtime_error& error) {
        throw py::value_error(std::string("the vessel tree could not be extracted: ") +
                              error.what());
    }
    return PyTree{std::make_shared<TreeState>(std::move(tree), axes)};
}

// The number of threads a caller asks for: 0 (one per hardware thread) or more.
unsigned int threadsOf(const py::object& threads) {
    if (!PyIndex_Check(threads.ptr()) || PyBool_Check(threads.ptr())) {
        throw py::type_error("threads must be an integer, got " + std::string(py::repr(threads)));
    }
    const py::int_ value(threads);
    if (value < py::int_(0) || value > py::int_(std::numeric_limits<unsigned int>::max())) {
        throw py::value_error("threads must be 0 (one per core) or a positive number, got " +
                              std::string(py::repr(threads)));
    }
    return value.cast<unsigned int>();
}

py::tuple territories(const PyTree& tree, const py::object& tissueObject,
                      const py::object& spacingObject, const std::string& samplerName,
                      bool withDistances, const py::object& threadsObject,
                      const std::string& axesName) {
    const Axes axes = axesOf(axesName);
    const unsigned int threads = threadsOf(threadsObject);
    const std::array<double, 3> spacing = spacingOf(spacingObject, axes);
    const SamplerChoice& sampler = samplerOf(samplerName);
    const py::array tissueArray = numericArray(tissueObject, "tissue_mask");
    const Geometry geometry = geometryOf(gridOf(tissueArray, axes, "tissue_mask"), spacing);
    unsigned long long voxels = 0;
    DescriptorPtr tissue = binarized(tissueArray, axes, voxels);

    tool::Territories result;
    {
        py::gil_scoped_release release;
        auto lock = libraryLock();
        requireVolumeIds(*tree.state);
        std::unique_ptr<AbstractVesselTreeSampler> probe(sampler.make());
        std::unique_ptr<VesselElementList> samples(probe->getVesselTreeSamples(tree.state->tree()));
        if (!samples || samples->empty()) {
            throw py::value_error(std::string("sampler '") + sampler.name +
                                  "' selects no centre-line sample: the tree has no " +
                                  sampler.selects);
        }
        tool::TerritoryOptions options;
        options.sampler.reset(sampler.make());
        options.distances = withDistances;
        options.threads = threads;
        result = tool::computeTerritories(tree.state->tree(), std::move(tissue), geometry,
                                          std::move(options));
    }
    py::array ids = takeElements(*result.vesselIds.pic, axes);
    py::object distances = py::none();
    if (withDistances) distances = takeElements(*result.distances.pic, axes);
    return py::make_tuple(ids, distances);
}

py::array relabel(const py::object& idsObject, const PyTree& tree, const std::string& ruleName,
                  const std::string& axesName) {
    const Axes axes = axesOf(axesName);
    const tool::LabelRule rule = ruleOf(ruleName);
    const py::array idsArray = numericArray(idsObject, "vessel_ids");
    const char kind = idsArray.dtype().kind();
    if (kind != 'i' && kind != 'u') {
        throw py::type_error("vessel_ids must hold integers, got dtype " +
                             std::string(py::str(idsArray.dtype())));
    }
    const Geometry geometry = geometryOf(gridOf(idsArray, axes, "vessel_ids"), {1.0, 1.0, 1.0});
    int maxId = 0;
    {
        py::gil_scoped_release release;
        auto lock = libraryLock();
        requireVolumeIds(*tree.state);
        maxId = maxIdOf(*tree.state);
    }
    const long long lowest = idsArray.attr("min")().cast<long long>();
    const long long highest = idsArray.attr("max")().cast<long long>();
    if (lowest < 0 || highest > maxId) {
        throw py::value_error("vessel_ids holds ids from " + std::to_string(lowest) + " to " +
                              std::to_string(highest) + ", but the tree's vessel ids end at " +
                              std::to_string(maxId) +
                              "; give the vessel-ID volume that territories() computed for it");
    }
    const ArrayVolume ids(idsArray, axes, lumoTeskTypeUnsigned, 16, geometry);
    Volume labels;
    {
        py::gil_scoped_release release;
        auto lock = libraryLock();
        labels = tool::relabel(ids.volume(), tree.state->tree(), rule);
    }
    return takeElements(*labels.pic, axes);
}

}  // namespace

void bindChain(py::module_& m) {
    m.def("skeletonize", LibraryMessages::wrap(&skeletonize), py::arg("mask"),
          py::arg("spacing") = py::make_tuple(1, 1, 1), py::kw_only(),
          py::arg("cleaning_passes") = 0, py::arg("most_neighbours_first") = false,
          py::arg("axes") = "xyz", R"doc(
Thins a vessel mask to its skeleton by the library's distance-ordered topology-preserving
thinning (Selle's method).

mask: a 3-D array of any numeric dtype (non-zero, not NaN, is vessel) and any memory layout.
spacing: voxel size in mm along the array's three axes.
cleaning_passes: in the first N passes also remove survivors whose neighbours are connected
around them (line ends the thinning left standing); 0 runs the plain thinning.
most_neighbours_first: try deletion candidates with the most object neighbours first.
axes: 'xyz' when the array is indexed [x, y, z] (nibabel), 'zyx' for [z, y, x] (SimpleITK,
scikit-image); spacing follows the same order. Both give the same result.

Returns (skeleton, distance_field), arrays of the mask's shape and axis order: skeleton is uint8
(1 on the skeleton), distance_field float32 (each reached voxel's distance to the background in
mm, 0 elsewhere). Both are new arrays that Python owns.

Memory: the mask is read once, through its strides, into the binary working volume that the
thinning rewrites; nothing else is copied. The GIL is released while it runs.
Raises ValueError for a mask that is not 3-D, is empty or has no non-zero voxel, and for bad
spacing; TypeError for a non-numeric dtype.)doc");

    m.def("extract_tree", LibraryMessages::wrap(&extractTree), py::arg("skeleton"),
          py::arg("distance_field"), py::arg("spacing"), py::arg("start") = py::none(),
          py::kw_only(), py::arg("axes") = "xyz",
          R"doc(
Extracts the vessel tree from a skeleton and its distance field (as skeletonize() returns them).

start: None, or a voxel (three indices, in the axes order) near the root: the tree starts at the
skeleton's end or line voxel nearest to it. Without it, the library starts at an end of the
largest part of the skeleton.
Returns a Tree with positions in mm (voxel index times spacing) and radii from the distance field.

Memory: the skeleton is read once into the working volume the extraction labels (and copied once
more by it); the distance field is used in place when it is float32 in the library's layout
(Fortran order for 'xyz', C order for 'zyx'), else converted once. The GIL is released.
Raises ValueError for shapes that differ, an empty skeleton, one without an end or line voxel to
start from, a distance field that is not positive on the skeleton, or a start outside the volume.)doc");

    m.def("territories", LibraryMessages::wrap(&territories), py::arg("tree"),
          py::arg("tissue_mask"), py::arg("spacing"), py::kw_only(), py::arg("sampler") = "all",
          py::arg("distances") = true, py::arg("threads") = 0, py::arg("axes") = "xyz", R"doc(
Vascular territories: assigns every tissue voxel (non-zero in tissue_mask) to the vessel whose
centre line passes nearest, by an exact nearest-neighbour search over the centre-line samples.

The tree must come from the same grid (its positions are voxel index times spacing).
sampler: which vessels may supply tissue: 'all', 'hepatic' (type 1), 'portal' (type 2),
'defined-hepatic' / 'defined-portal' (and segment not 1), 'resection-portal' /
'resection-hepatic' (and resection_status not 1).
threads: threads of the computation, 0 (the default) for one per core, 1 to start none. The
results are the same for every number. (Centre lines whose samples do not all lie on the grid,
such as those of a tree read from text written on another grid, are searched voxel by voxel on
the calling thread.)
Returns (vessel_ids, distances): uint16 ids (0 outside the tissue) and, unless distances=False
(then None), float32 distances in mm to the nearest sample, arrays of the mask's shape and axis
order, owned by Python.

Memory: the mask is read once into the binary volume the classifier reads. The GIL is released
while the territories are computed.
Raises ValueError when the tree's ids do not fit a uint16 volume, the sampler selects nothing or
threads is negative; TypeError when threads is not an integer.)doc");

    m.def("relabel", LibraryMessages::wrap(&relabel), py::arg("vessel_ids"), py::arg("tree"),
          py::arg("rule") = "segment", py::kw_only(), py::arg("axes") = "xyz", R"doc(
Relabels a vessel-ID volume (as territories() returns it) by an attribute of each vessel of the
tree: rule 'segment', 'type' or 'resection' (resection_status). 0 stays 0.

Returns a new uint16 array of the same shape. vessel_ids is used in place when it is uint16 in
the library's layout, else converted once. Raises ValueError for ids outside the tree's.)doc");
}

}  // namespace angiolith::python
