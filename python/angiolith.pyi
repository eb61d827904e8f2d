"""Type stubs of the angiolith extension module: vessel-tree analysis on NumPy arrays."""

from typing import Any, Iterator, Literal, Optional, Sequence, Tuple

import numpy as np
import numpy.typing as npt

Axes = Literal["xyz", "zyx"]
Sampler = Literal[
    "all",
    "hepatic",
    "portal",
    "defined-hepatic",
    "defined-portal",
    "resection-portal",
    "resection-hepatic",
]
Rule = Literal["segment", "type", "resection"]

class Vessel:
    """One vessel of a Tree: an unbranched run of centre-line samples."""

    @property
    def id(self) -> int: ...
    @property
    def parent_id(self) -> Optional[int]: ...
    @property
    def children(self) -> list[int]: ...
    @property
    def points(self) -> npt.NDArray[np.float64]: ...
    @property
    def radii(self) -> npt.NDArray[np.float64]: ...
    type: int
    segment: int
    resection_status: int
    @property
    def cyclic_id(self) -> Optional[int]: ...

class Tree:
    """A vessel tree; iterating gives its vessels in preorder."""

    @staticmethod
    def from_text(text: str, axes: Axes = "xyz") -> Tree: ...
    def to_text(self, precision: int = 9) -> str: ...
    def clean(self, relevance: float = 0.5, preserve_cycles: bool = False) -> None: ...
    def copy(self) -> Tree: ...
    def to_networkx(self) -> Any: ...
    @property
    def axes(self) -> Axes: ...
    @property
    def root(self) -> Vessel: ...
    def __len__(self) -> int: ...
    def __iter__(self) -> Iterator[Vessel]: ...
    def __getitem__(self, id: int) -> Vessel: ...

def skeletonize(
    mask: npt.ArrayLike,
    spacing: Sequence[float] = (1, 1, 1),
    *,
    cleaning_passes: int = 0,
    most_neighbours_first: bool = False,
    axes: Axes = "xyz",
) -> Tuple[npt.NDArray[np.uint8], npt.NDArray[np.float32]]: ...
def extract_tree(
    skeleton: npt.ArrayLike,
    distance_field: npt.ArrayLike,
    spacing: Sequence[float],
    start: Optional[Sequence[int]] = None,
    *,
    axes: Axes = "xyz",
) -> Tree: ...
def territories(
    tree: Tree,
    tissue_mask: npt.ArrayLike,
    spacing: Sequence[float],
    *,
    sampler: Sampler = "all",
    distances: bool = True,
    threads: int = 0,
    axes: Axes = "xyz",
) -> Tuple[npt.NDArray[np.uint16], Optional[npt.NDArray[np.float32]]]: ...
def relabel(
    vessel_ids: npt.ArrayLike,
    tree: Tree,
    rule: Rule = "segment",
    *,
    axes: Axes = "xyz",
) -> npt.NDArray[np.uint16]: ...
