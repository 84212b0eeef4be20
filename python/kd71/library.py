"""Finding and loading libkd71, and the prototypes of its fourteen functions."""

import ctypes
import os

from .errors import LibraryNotFoundError

SONAME = "libkd71.so.1"

# The functions: name -> (result type, argument types).
_PROTOTYPES = {
    "usb_init": (ctypes.c_int, []),
    "usb_close": (ctypes.c_int, []),
    "InputClock": (ctypes.c_int, [ctypes.c_int, ctypes.c_int]),
    "DataSel": (ctypes.c_int, [ctypes.c_int, ctypes.c_int]),
    "DataThreshold": (ctypes.c_int, [ctypes.c_int, ctypes.c_float]),
    "GetBitRate": (ctypes.c_int, [ctypes.c_int]),
    "GetOnes": (ctypes.c_int, [ctypes.c_int]),
    "GetSyncStatus": (ctypes.c_int, [ctypes.c_int]),
    "GetErrorCount": (ctypes.c_uint64, [ctypes.c_int]),
    "GetFastErrorCount": (ctypes.c_int, [ctypes.c_int]),
    "GetErrorRatio": (ctypes.c_float, [ctypes.c_int]),
    "ReSync": (ctypes.c_int, [ctypes.c_int]),
    "ManualMode": (ctypes.c_int, [ctypes.c_int, ctypes.c_int]),
    "SampingDelay": (ctypes.c_int, [ctypes.c_int, ctypes.c_float]),
}


def _installed_library():
    try:
        from . import _installed  # written by cmake --install
    except ImportError:
        return None
    return _installed.LIBRARY


def candidates():
    """Where the library is looked for: $KD71_LIBRARY alone when it is set;
    otherwise beside the package, the installed path, then the dynamic
    loader's own search."""
    if os.environ.get("KD71_LIBRARY"):
        return [os.environ["KD71_LIBRARY"]]
    found = []
    found.append(os.path.join(os.path.dirname(os.path.abspath(__file__)), SONAME))
    installed = _installed_library()
    if installed:
        found.append(installed)
    found.append(SONAME)
    return found


def find_library():
    """The loaded library (errno kept for usb_init's reasons), with its prototypes."""
    tried = []
    for path in candidates():
        if os.sep in path and not os.path.exists(path):
            tried.append(f"{path} (no such file)")
            continue
        try:
            lib = ctypes.CDLL(path, use_errno=True)
        except OSError as error:
            tried.append(f"{path} ({error})")
            continue
        for name, (result, arguments) in _PROTOTYPES.items():
            function = getattr(lib, name)
            function.restype = result
            function.argtypes = arguments
        return lib
    raise LibraryNotFoundError("libkd71 not found; tried: " + "; ".join(tried))
