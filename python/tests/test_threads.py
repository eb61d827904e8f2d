"""Two analyses at once in two Python threads give the results of one at a time."""
import threading

import numpy as np
import pytest

import angiolith
from conftest import analyse


def oriented(phantom, axes):
    """A function turning the phantom's [x, y, z] arrays into `axes` order, and its spacing."""
    return ((lambda a: a), phantom.spacing) if axes == "xyz" else ((lambda a: a.T), phantom.spacing[::-1])


def test_two_threads_give_the_single_threaded_results(phantom, chain):
    results = [None, None]
    failures = []
    barrier = threading.Barrier(2)

    def work(slot, axes):
        try:
            flip, spacing = oriented(phantom, axes)
            barrier.wait()
            for _ in range(3):
                skeleton, _, tree, ids, _ = analyse(flip(phantom.vessels), flip(phantom.liver),
                                                    spacing, axes)
                results[slot] = (flip(skeleton), tree.to_text(), flip(ids))
        except Exception as error:  # reported by the main thread
            failures.append(error)

    threads = [threading.Thread(target=work, args=(i, axes)) for i, axes in enumerate(["xyz", "zyx"])]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not failures
    for skeleton, text, ids in results:
        np.testing.assert_array_equal(skeleton, chain["skeleton"])
        assert text == chain["tree"].to_text()
        np.testing.assert_array_equal(ids, chain["vessel_ids"])


@pytest.mark.parametrize("axes", ["xyz", "zyx"])
def test_every_number_of_threads_gives_the_same_territories(phantom, chain, axes):
    """threads=1 starts no thread, 2 splits the grid transform, 0 takes every core: the volumes
    are the same byte for byte, in either axis order."""
    flip, spacing = oriented(phantom, axes)
    tree = chain["tree"] if axes == "xyz" else angiolith.Tree.from_text(chain["tree"].to_text(), axes)
    for threads in (1, 2, 0):
        ids, distances = angiolith.territories(tree, flip(phantom.liver), spacing, threads=threads,
                                               axes=axes)
        np.testing.assert_array_equal(flip(ids), chain["vessel_ids"], err_msg=str(threads))
        assert flip(distances).tobytes() == chain["distances"].tobytes(), threads
