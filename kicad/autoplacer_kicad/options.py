"""The choices of one run and the `autoplacer place` arguments they become."""

from dataclasses import dataclass

CLUSTER = "cluster"
STATISTICAL = "statistical"

# The placer's own defaults (its setup dialog's "Defaults" button).
DEFAULT_GRID = "50mil"
DEFAULT_THRESHOLD = 85
DEFAULT_WEIGHT = 1
MAX_THRESHOLD = 105
MAX_WEIGHT = 15

# The five cost weights: attribute, dialog label, command-line flag.
WEIGHTS = (
    ("guide_weight", "Rooms (guide)", "--guide-weight"),
    ("pad_weight", "Pad positions", "--pad-weight"),
    ("length_weight", "Connection length", "--length-weight"),
    ("crossover_weight", "Crossing connections", "--crossover-weight"),
    ("direction_weight", "Routing directions", "--direction-weight"),
)


@dataclass
class PlaceOptions:
    placer: str = CLUSTER
    grid: str = DEFAULT_GRID
    threshold: int = DEFAULT_THRESHOLD
    guide_weight: int = DEFAULT_WEIGHT
    pad_weight: int = DEFAULT_WEIGHT
    length_weight: int = DEFAULT_WEIGHT
    crossover_weight: int = DEFAULT_WEIGHT
    direction_weight: int = DEFAULT_WEIGHT
    # Only the footprints selected on the board move; the others are locked for the run.
    selected_only: bool = False

    def arguments(self):
        """The flags for `autoplacer place` (the statistical placer takes none of the cluster options)."""
        if self.placer == STATISTICAL:
            return ["--statistical"]
        if self.placer != CLUSTER:
            raise ValueError("unknown placer %r" % self.placer)
        args = ["--grid", self.grid.strip(), "--threshold", str(self.threshold)]
        for attribute, _, flag in WEIGHTS:
            args += [flag, str(getattr(self, attribute))]
        return args
