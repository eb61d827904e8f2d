"""The Tree: its text in the library's format, its vessels' structure and attributes, its copy,
and its networkx graph."""
import numpy as np
import pytest

import angiolith

# A root (id 1) with two leaf children (ids 2 and 3), written as the library's writer does.
SMALL_TREE = (
    "HAVN-TSL 2000 Tree\n"
    "{ \n"
    "    { t f 1 2 1    1 -1 1  [ 10 20 30 4.5 0 ]  }  \n"
    "      <\n"
    "          { t f 4 1 1    2 -1 2  [ 10 20 30 4.5 0 ]  [ 11 20 30 3 0 ]  }  -|\n"
    "          { t f 1 2 3    3 2 1  [ 10 20 30 4.5 0 ]  }  -\n"
    "      >\n"
    "   \n"
    "}\n"
)


def test_text_round_trip_is_byte_identical(chain):
    for precision in (9, 6):
        text = chain["tree"].to_text(precision)
        assert angiolith.Tree.from_text(text).to_text(precision) == text
    assert angiolith.Tree.from_text(SMALL_TREE).to_text(6) == SMALL_TREE


def test_vessels_of_a_small_tree():
    tree = angiolith.Tree.from_text(SMALL_TREE)
    assert [(v.id, v.parent_id, v.children) for v in tree] == [(1, None, [2, 3]), (2, 1, []),
                                                               (3, 1, [])]
    two, three = tree[2], tree[3]
    np.testing.assert_array_equal(two.points, [[10, 20, 30], [11, 20, 30]])
    np.testing.assert_array_equal(two.radii, [2.25, 1.5])
    assert (two.segment, two.type, two.resection_status, two.cyclic_id) == (4, 1, 1, None)
    assert (three.resection_status, three.cyclic_id) == (3, 2)
    zyx = angiolith.Tree.from_text(SMALL_TREE, axes="zyx")
    np.testing.assert_array_equal(zyx[2].points, [[30, 20, 10], [30, 20, 11]])


def test_extracted_vessels_join_at_their_parents_end(chain):
    tree = chain["tree"]
    vessels = list(tree)
    assert len(vessels) == len(tree) and tree.root.parent_id is None
    for v in vessels:
        for child in v.children:
            assert tree[child].parent_id == v.id
            np.testing.assert_array_equal(tree[child].points[0], v.points[-1])
        assert len(v.radii) == len(v.points) and (v.radii > 0).all()


def test_attributes_set_in_python_reach_relabelling_and_sampling(chain, phantom):
    tree = chain["tree"].copy()
    for v in tree:
        v.segment = v.id + 10
    root = tree.root
    root.type = 1
    labels = angiolith.relabel(chain["vessel_ids"], tree, "segment")
    expected = np.where(chain["vessel_ids"] > 0, chain["vessel_ids"].astype(np.int64) + 10, 0)
    np.testing.assert_array_equal(labels, expected)
    types = angiolith.relabel(chain["vessel_ids"], tree, "type")
    np.testing.assert_array_equal(types == 1, chain["vessel_ids"] == root.id)
    hepatic, _ = angiolith.territories(tree, phantom.liver, phantom.spacing, sampler="hepatic")
    np.testing.assert_array_equal(np.unique(hepatic), [0, root.id])
    # The copy shares nothing with the tree it was taken from.
    assert chain["tree"].root.type == 2 and chain["tree"].root.segment == 1


def test_networkx_graph_has_one_edge_per_vessel(chain):
    networkx = pytest.importorskip("networkx", reason="Tree.to_networkx() needs python3-networkx")
    tree = chain["tree"]
    graph = tree.to_networkx()
    assert graph.number_of_edges() == len(tree) and networkx.is_arborescence(graph)
    for v in tree:
        parent = -1 if v.parent_id is None else v.parent_id
        edge = graph.edges[parent, v.id]
        assert (edge["id"], edge["segment"], edge["type"]) == (v.id, v.segment, v.type)
        np.testing.assert_array_equal(edge["points"], v.points)
        np.testing.assert_array_equal(graph.nodes[v.id]["position"], v.points[-1])
    np.testing.assert_array_equal(graph.nodes[-1]["position"], tree.root.points[0])
