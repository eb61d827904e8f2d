#include "TreeBinding.h"

#include "Library.h"
#include "cli/Stages.h"

#include <angiolith/tree/Node.h>
#include <angiolith/tree/TreeIterator.h>
#include <angiolith/tree/VesselTreeTools.h>

#include <cmath>
#include <iomanip>
#include <map>
#include <pybind11/stl.h>
#include <sstream>
#include <string>

namespace angiolith::python {

namespace {

const char* const kMagic = "HAVN-TSL 2000 Tree";

// A vessel of a tree as Python sees it: the tree's shared state and the vessel's place in the
// preorder of the tree's shape when it was taken.
struct PyVessel {
    std::shared_ptr<TreeState> state;
    unsigned long generation;
    int index;
};

// The vessel's index entry, after checking that the tree's shape has not changed since the
// vessel was taken. Call with the library lock held.
const TreeState::Entry& entryOf(const PyVessel& v) {
    if (v.generation != v.state->generation()) {
        throw py::value_error(
            "this Vessel was taken before its tree was cleaned or changed; take it from the tree "
            "again");
    }
    return v.state->entries()[static_cast<std::size_t>(v.index)];
}

// Runs @p f(entry) on the vessel's entry under the library lock and returns its result.
template <typename F>
auto withEntry(const PyVessel& v, F&& f) {
    auto lock = libraryLock();
    return f(entryOf(v));
}

// A triple in the tree's axis order.
std::array<double, 3> inAxes(const Vector3<float>& p, Axes axes) {
    const std::array<double, 3> xyz{p.x, p.y, p.z};
    return toLibraryOrder(xyz, axes);  // the reversal is its own inverse
}

py::array_t<double> pointsOf(const PyVessel& v) {
    std::vector<std::array<double, 3>> points = withEntry(v, [&](const TreeState::Entry& e) {
        std::vector<std::array<double, 3>> out;
        for (auto it = e.vessel->elementsBegin(); it != e.vessel->elementsEnd(); ++it) {
            out.push_back(inAxes(it->position, v.state->axes()));
        }
        return out;
    });
    py::array_t<double> result({static_cast<py::ssize_t>(points.size()), py::ssize_t{3}});
    auto r = result.mutable_unchecked<2>();
    for (std::size_t i = 0; i < points.size(); ++i) {
        for (int c = 0; c < 3; ++c) r(static_cast<py::ssize_t>(i), c) = points[i][c];
    }
    return result;
}

py::array_t<double> radiiOf(const PyVessel& v) {
    std::vector<double> radii = withEntry(v, [](const TreeState::Entry& e) {
        std::vector<double> out;
        for (auto it = e.vessel->elementsBegin(); it != e.vessel->elementsEnd(); ++it) {
            out.push_back(0.5 * static_cast<double>(it->diameter));
        }
        return out;
    });
    return py::array_t<double>(static_cast<py::ssize_t>(radii.size()), radii.data());
}

py::object idOrNone(int id) { return id == -1 ? py::object(py::none()) : py::object(py::int_(id)); }

std::vector<PyVessel> vesselsOf(const PyTree& tree) {
    auto lock = libraryLock();
    const auto count = static_cast<int>(tree.state->entries().size());
    std::vector<PyVessel> out;
    for (int i = 0; i < count; ++i) out.push_back({tree.state, tree.state->generation(), i});
    return out;
}

PyVessel vesselWithId(const PyTree& tree, int id) {
    auto lock = libraryLock();
    const auto& entries = tree.state->entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].vessel->getId() == id) {
            return {tree.state, tree.state->generation(), static_cast<int>(i)};
        }
    }
    throw py::key_error("the tree has no vessel with id " + std::to_string(id));
}

std::string textOf(const PyTree& tree, int precision) {
    if (precision < 1 || precision > 17) {
        throw py::value_error("precision must lie between 1 and 17 significant digits, got " +
                              std::to_string(precision));
    }
    std::ostringstream out;
    out << std::setprecision(precision);
    py::gil_scoped_release release;
    auto lock = libraryLock();
    out << tree.state->tree();
    return out.str();
}

PyTree treeFromText(const std::string& text, const std::string& axesName) {
    const Axes axes = axesOf(axesName);
    const std::string firstLine = text.substr(0, text.find('\n'));
    if (firstLine != kMagic && firstLine != std::string(kMagic) + "\r") {
        throw py::value_error(std::string("not a vessel tree text: its first line is not '") +
                              kMagic + "'");
    }
    std::istringstream in(text);
    py::gil_scoped_release release;
    auto lock = libraryLock();
    ArVesselTree tree;
    in >> tree;
    if (in.fail() || !tree || tree->size() == 0) {
        throw py::value_error("the vessel tree text is damaged: it ends early or holds no vessel");
    }
    return PyTree{std::make_shared<TreeState>(std::move(tree), axes)};
}

void clean(PyTree& tree, double relevance, bool preserveCycles) {
    if (!std::isfinite(relevance)) {
        throw py::value_error("relevance must be a finite number, got " +
                              std::to_string(relevance));
    }
    py::gil_scoped_release release;
    auto lock = libraryLock();
    tool::cleanTree(tree.state->tree(), static_cast<float>(relevance), preserveCycles);
    tree.state->changed();
}

PyTree copyOf(const PyTree& tree) {
    py::gil_scoped_release release;
    auto lock = libraryLock();
    return PyTree{std::make_shared<TreeState>(VesselTreeTools::Clone(tree.state->tree()),
                                              tree.state->axes())};
}

// The tree as a directed networkx graph: one edge per vessel, from the node where it starts to
// the node where it ends. A vessel's end is the node keyed by its id; the root vessel starts at
// node -1. Edges carry the vessel's attributes, nodes their position (mm, in the tree's axes).
py::object toNetworkx(const PyTree& tree) {
    py::module_ networkx;
    try {
        networkx = py::module_::import("networkx");
    } catch (py::error_already_set& error) {
        if (!error.matches(PyExc_ImportError)) throw;
        throw py::import_error(
            "Tree.to_networkx() needs the networkx package (Debian: python3-networkx), which "
            "angiolith does not depend on otherwise");
    }
    py::object graph = networkx.attr("DiGraph")();
    for (const PyVessel& v : vesselsOf(tree)) {
        py::array_t<double> points = pointsOf(v);
        py::array_t<double> radii = radiiOf(v);
        int id = 0, parentId = -1, cyclicId = -1, type = 0, segment = 0, resection = 0;
        withEntry(v, [&](const TreeState::Entry& e) {
            VesselProperties& p = e.vessel->getProperties();
            id = e.vessel->getId();
            parentId = e.parent < 0 ? -1 : v.state->entries()[e.parent].vessel->getId();
            cyclicId = e.vessel->getCyclicId();
            type = p.type;
            segment = p.segment;
            resection = p.resectionStatus;
            return 0;
        });
        const py::ssize_t n = points.shape(0);
        if (n > 0) {
            using namespace pybind11::literals;
            if (parentId == -1)
                graph.attr("add_node")(-1, "position"_a = points[py::make_tuple(0)]);
            graph.attr("add_node")(id, "position"_a = points[py::make_tuple(n - 1)]);
        }
        py::dict attributes;
        attributes["id"] = id;
        attributes["points"] = points;
        attributes["radii"] = radii;
        attributes["type"] = type;
        attributes["segment"] = segment;
        attributes["resection_status"] = resection;
        attributes["cyclic_id"] = idOrNone(cyclicId);
        graph.attr("add_edge")(parentId, id, **attributes);
    }
    return graph;
}

// Binds one integer field of the vessel's properties as a read-write attribute.
template <typename T>
void bindProperty(py::class_<PyVessel>& vessel, const char* name, T VesselProperties::*field,
                  const char* doc) {
    vessel.def_property(
        name,
        [field](const PyVessel& v) {
            return withEntry(v, [&](const TreeState::Entry& e) {
                return static_cast<int>(e.vessel->getProperties().*field);
            });
        },
        [field](const PyVessel& v, int value) {
            withEntry(v, [&](const TreeState::Entry& e) {
                e.vessel->getProperties().*field = static_cast<T>(value);
                return 0;
            });
        },
        doc);
}

std::string reprOf(const PyTree& tree) {
    auto lock = libraryLock();
    long samples = 0;
    for (const auto& e : tree.state->entries()) samples += e.vessel->getSize();
    return "<angiolith.Tree: " + std::to_string(tree.state->entries().size()) + " vessels, " +
           std::to_string(samples) + " centre-line samples>";
}

}  // namespace

TreeState::TreeState(ArVesselTree tree, Axes axes) : handle(std::move(tree)), order(axes) {}

TreeState::~TreeState() {
    auto lock = libraryLock();
    index.clear();
    handle = ArVesselTree();
}

const std::vector<TreeState::Entry>& TreeState::entries() {
    if (indexed) return index;
    std::map<Node<ar<Vessel>>*, int> position;
    ar<TreeIterator<ar<Vessel>>> it(handle->preorderIterator());
    while (it->hasNext()) {
        Vessel* vessel = it->next().get();
        Node<ar<Vessel>>* node = it->getCurrentNode();
        const auto found = position.find(node->getParent());
        const int parent = found == position.end() ? -1 : found->second;
        const int self = static_cast<int>(index.size());
        index.push_back({vessel, parent, {}});
        if (parent >= 0) index[static_cast<std::size_t>(parent)].children.push_back(self);
        position[node] = self;
    }
    indexed = true;
    return index;
}

void TreeState::changed() {
    ++version;
    index.clear();
    indexed = false;
}

void bindTree(py::module_& m) {
    py::class_<PyVessel> vessel(m, "Vessel", R"doc(
One vessel of a Tree: an unbranched run of centre-line samples from its start (the branching
point it shares with its parent, or the root's start) to its end.

Positions are in millimetres (voxel index times spacing, without origin or orientation), in the
axis order of the tree ('xyz' or 'zyx', see Tree.axes). Reading returns copies: nothing refers
into the library's memory. type, segment and resection_status may be set; relabel() and the
samplers of territories() read them. A Vessel taken before Tree.clean() refuses further use.)doc");
    bindProperty(vessel, "type", &VesselProperties::type,
                 "Vessel system: 1 hepatic, 2 portal (an extracted tree's default).");
    bindProperty(vessel, "segment", &VesselProperties::segment,
                 "Anatomical segment number; 1 means undefined (the default).");
    bindProperty(vessel, "resection_status", &VesselProperties::resectionStatus,
                 "Resection status; 1 means undefined (the default).");
    vessel
        .def_property_readonly(
            "id",
            [](const PyVessel& v) {
                return withEntry(v, [](const auto& e) { return e.vessel->getId(); });
            },
            "The vessel's id: 1 for the root of an extracted tree, then 2, 3, ... in extraction "
            "order.")
        .def_property_readonly(
            "parent_id",
            [](const PyVessel& v) {
                const int id = withEntry(v, [&](const TreeState::Entry& e) {
                    return e.parent < 0 ? -1
                                        : v.state->entries()[static_cast<std::size_t>(e.parent)]
                                              .vessel->getId();
                });
                return idOrNone(id);
            },
            "The id of the parent vessel, or None for the root.")
        .def_property_readonly(
            "children",
            [](const PyVessel& v) {
                return withEntry(v, [&](const TreeState::Entry& e) {
                    std::vector<int> ids;
                    for (int c : e.children) {
                        ids.push_back(
                            v.state->entries()[static_cast<std::size_t>(c)].vessel->getId());
                    }
                    return ids;
                });
            },
            "The ids of the child vessels, in child order.")
        .def_property_readonly("points", &pointsOf,
                               "The centre-line samples as an N x 3 float64 array (mm), from the "
                               "vessel's start to its end; a child's first sample is its "
                               "parent's last.")
        .def_property_readonly("radii", &radiiOf,
                               "The vessel radius at each sample (mm): half the library's "
                               "diameter estimate from the distance field.")
        .def_property_readonly(
            "cyclic_id",
            [](const PyVessel& v) {
                return idOrNone(
                    withEntry(v, [](const auto& e) { return e.vessel->getCyclicId(); }));
            },
            "The id of the vessel this one runs into, closing a cycle, or None.")
        .def("__repr__", [](const PyVessel& v) {
            return withEntry(v, [](const TreeState::Entry& e) {
                return "<angiolith.Vessel id " + std::to_string(e.vessel->getId()) + ": " +
                       std::to_string(e.vessel->getSize()) + " samples, " +
                       std::to_string(e.children.size()) + " children>";
            });
        });

    py::class_<PyTree>(m, "Tree", R"doc(
A vessel tree: vessels with their centre lines, radii and attributes, in the library's order.

Made by extract_tree() or Tree.from_text(). Iterating gives the vessels (Vessel) in preorder, the
library's order: a vessel, then each child's subtree in child order. tree[id] is the vessel with
that id, len(tree) the number of vessels.)doc")
        .def_static("from_text", &treeFromText, py::arg("text"), py::arg("axes") = "xyz",
                    R"doc(
Reads a tree from the library's text format (the tree.txt of the angiolith tool, or to_text()).

axes is the order in which the returned tree reports positions. Raises ValueError when the text
does not start with the format's magic line, ends early or holds no vessel.)doc")
        .def("to_text", &textOf, py::arg("precision") = 9, R"doc(
The tree in the library's text format, written by the library's own writer, with `precision`
significant digits (9, the default, reads back exactly and equals the tool's tree.txt byte for
byte; 6 is what a default C++ stream writes).)doc")
        .def("clean", &clean, py::arg("relevance") = 0.5, py::arg("preserve_cycles") = false,
             R"doc(
Removes irrelevant side branches in place, then joins chains of single-child vessels.

A side subtree stays when one of its samples lies at least radius / (1 - relevance) from the
point where it leaves its parent (radius: the parent's radius there); with 0.5 that is two parent
radii. preserve_cycles keeps side branches that close a cycle with a vessel outside them.
Vessels taken from the tree before are invalid afterwards.)doc")
        .def("copy", &copyOf, "A deep copy of the tree (the library's clone); it shares nothing.")
        .def("to_networkx", &toNetworkx, R"doc(
The tree as a networkx.DiGraph: one edge per vessel, from the node where it starts to the node
where it ends, with the vessel's attributes (id, points, radii, type, segment, resection_status,
cyclic_id). The end of a vessel is the node keyed by its id, the start of the root the node -1;
nodes carry their 'position' (mm). Needs networkx, which angiolith does not depend on otherwise
(raises ImportError without it).)doc")
        .def_property_readonly(
            "axes", [](const PyTree& t) { return t.state->axes() == Axes::Xyz ? "xyz" : "zyx"; },
            "The axis order of the positions the tree reports: 'xyz' or 'zyx'.")
        .def_property_readonly(
            "root", [](const PyTree& t) { return vesselsOf(t).front(); }, "The root vessel.")
        .def(
            "__len__", [](const PyTree& t) { return vesselsOf(t).size(); },
            "The number of vessels.")
        .def(
            "__iter__",
            [](const PyTree& t) {
                py::list vessels = py::cast(vesselsOf(t));
                return py::iter(vessels);
            },
            "The vessels in preorder.")
        .def("__getitem__", &vesselWithId, py::arg("id"),
             "The first vessel in preorder with this id; KeyError when there is none.")
        .def("__repr__", &reprOf);
}

}  // namespace angiolith::python
