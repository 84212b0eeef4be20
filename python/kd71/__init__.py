"""Drive the KD71 two-channel error detector from Python.

    import kd71

    with kd71.Instrument() as bert:
        bert.set_pattern(1, "PRBS31")
        print(bert.bit_rate(1), "Mb/s,", bert.error_ratio(1))

The package wraps libkd71 (the automation library) with ctypes; it needs no
build step. See Instrument for the methods and how long each one blocks.
"""

from .errors import (BackendError, BoardBusyError, Kd71Error, LibraryNotFoundError,
                     NoBoardError, NotOpenError, PanelLoadError)
from .instrument import PATTERNS, Instrument
from .library import find_library

__all__ = [
    "BackendError",
    "BoardBusyError",
    "Instrument",
    "Kd71Error",
    "LibraryNotFoundError",
    "NoBoardError",
    "NotOpenError",
    "PATTERNS",
    "PanelLoadError",
    "find_library",
]
