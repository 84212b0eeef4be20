"""The exceptions of the kd71 package."""


class Kd71Error(Exception):
    """A call to the instrument failed."""


class LibraryNotFoundError(Kd71Error, OSError):
    """libkd71 could not be found or loaded."""


class NoBoardError(Kd71Error):
    """No board found: none is attached (or the USB backend could not start)."""


class BoardBusyError(Kd71Error):
    """The board is attached but another program holds it (or it may not be opened)."""


class PanelLoadError(Kd71Error):
    """The library's panels could not be loaded."""


class BackendError(Kd71Error):
    """KD71_BRIDGE names no backend, or KD71_SIM_SCENARIO a file that cannot be used."""


class NotOpenError(Kd71Error):
    """The instrument is not open: use the Instrument in a with block, or open() it."""
