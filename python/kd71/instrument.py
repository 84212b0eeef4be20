"""The instrument: libkd71's fourteen functions as the methods of a context manager."""

import ctypes
import errno
import math
import os
import threading

from .errors import (BackendError, BoardBusyError, Kd71Error, NoBoardError, NotOpenError,
                     PanelLoadError)
from .library import find_library

# Pattern names, as the program's pattern ring shows them, and their codes.
PATTERNS = {
    "PRBS7": 0,
    "PRBS9": 1,
    "PRBS11": 2,
    "PRBS15": 3,
    "PRBS17": 4,
    "PRBS20": 5,
    "PRBS23": 6,
    "PRBS29": 7,
    "PRBS31": 8,
    "Shut Off": 99,
}

# The library keeps one instrument per process, and is not reentrant: every
# call of every Instrument goes through this lock.
_LOCK = threading.Lock()
_holder = None  # the Instrument that has the library open


def _channel(channel):
    if isinstance(channel, bool) or not isinstance(channel, int) or channel not in (1, 2):
        raise ValueError(f"channel must be 1 or 2, not {channel!r}")
    return channel


def _finite(value, what):
    value = float(value)
    if not math.isfinite(value):
        raise ValueError(f"{what} must be a finite number, not {value!r}")
    return value


def _pattern_code(pattern):
    if isinstance(pattern, str):
        for name, code in PATTERNS.items():
            if name.replace(" ", "").lower() == pattern.replace(" ", "").lower():
                return code
        raise ValueError(f"unknown pattern {pattern!r}; one of: {', '.join(PATTERNS)}")
    if isinstance(pattern, bool) or not isinstance(pattern, int) or pattern not in PATTERNS.values():
        raise ValueError(f"pattern code must be 0 to 8 or 99, not {pattern!r}")
    return pattern


def _open_failure(result, code):
    if result == -1:
        return PanelLoadError("panels could not be loaded")
    if code == errno.ENODEV:
        return NoBoardError("no board found")
    if code == errno.EBUSY:
        return BoardBusyError("board held by another program (it is attached but could not "
                              "be opened; the console line of the library says why)")
    if code == errno.EINVAL:
        bridge = os.environ.get("KD71_BRIDGE", "")
        if bridge not in ("", "sim", "ftdi"):
            return BackendError(f"KD71_BRIDGE={bridge!r} names no backend: use 'sim' or 'ftdi'")
        return BackendError(f"KD71_SIM_SCENARIO={os.environ.get('KD71_SIM_SCENARIO', '')!r} "
                            "cannot be used (the library's line on standard error says why)")
    return Kd71Error(f"the board could not be opened (usb_init {result}, errno {code})")


class Instrument:
    """The KD71 error detector, open between __enter__ and __exit__.

    Channels are 1 and 2; any other channel raises ValueError. Every reading
    runs one measurement tick. error_count and error_ratio first wait for the
    channel's first sample, then the time of 2^35 bits at channel 1's bit
    rate (3.44 s at 10 Gb/s); fast_error_count waits 0.1 s; the pin settings 0.07 s; resync
    takes seconds. The backend comes from $KD71_BRIDGE ("sim" or "ftdi").
    """

    def __init__(self, library=None):
        self._library = library

    # ---- Opening and closing ------------------------------------------------

    def open(self):
        """Opens the instrument; raises NoBoardError, BoardBusyError,
        PanelLoadError or BackendError when it cannot."""
        global _holder
        with _LOCK:
            if _holder is self:
                return
            if _holder is not None:
                raise Kd71Error("another Instrument of this process has the board open")
            if self._library is None:
                self._library = find_library()
            ctypes.set_errno(0)
            result = self._library.usb_init()
            code = ctypes.get_errno()
            if result != 1:
                raise _open_failure(result, code)
            _holder = self

    def close(self):
        """Closes the instrument (nothing happens when it is not open)."""
        global _holder
        with _LOCK:
            if _holder is self:
                self._library.usb_close()
                _holder = None

    @property
    def is_open(self):
        return _holder is self

    def __enter__(self):
        self.open()
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def _call(self, name, *arguments):
        with _LOCK:
            if _holder is not self:
                raise NotOpenError("the instrument is not open")
            return getattr(self._library, name)(*arguments)

    def _set(self, name, *arguments):
        if self._call(name, *arguments) != 1:
            raise Kd71Error(f"{name}{arguments} was refused")

    # ---- Readings ------------------------------------------------------------

    def bit_rate(self, channel):
        """The channel's bit rate in Mb/s (0 without a clock)."""
        return self._call("GetBitRate", _channel(channel))

    def ones(self, channel):
        """Ones in 256 received bits of the channel's last sample (0 to 255)."""
        return self._call("GetOnes", _channel(channel))

    def sync(self, channel):
        """True while the channel is in pattern sync."""
        return self._call("GetSyncStatus", _channel(channel)) == 1

    def error_count(self, channel):
        """Errors of the channel's last sample window, after the sample wait."""
        return self._call("GetErrorCount", _channel(channel))

    def fast_error_count(self, channel):
        """Errors of the channel's last 20 ms sample (0 to 255), after 0.1 s."""
        return self._call("GetFastErrorCount", _channel(channel))

    def error_ratio(self, channel):
        """Error ratio of the channel's last sample, after the sample wait: a
        sample without errors gives the bound 1 / sample length; 0 only for a
        channel that gave no sample (no clock)."""
        return self._call("GetErrorRatio", _channel(channel))

    # ---- Settings ------------------------------------------------------------

    def resync(self, channel):
        """Initialises the channel as its Init button does; takes seconds."""
        self._set("ReSync", _channel(channel))

    def set_threshold(self, channel, millivolts):
        """The decision threshold, mV, clamped to -89.45 .. +89.45."""
        self._set("DataThreshold", _channel(channel), _finite(millivolts, "threshold"))

    def set_sampling_delay(self, channel, volts):
        """The sampling delay, V, clamped to 0 .. 2.7."""
        self._set("SampingDelay", _channel(channel), _finite(volts, "sampling delay"))

    def set_pattern(self, channel, pattern):
        """The expected pattern, by name ("PRBS7" .. "PRBS31", "Shut Off") or code."""
        self._set("DataSel", _channel(channel), _pattern_code(pattern))

    def set_input_clock(self, channel, level):
        """The channel's input-clock pin: 1 (high) or 0 (low)."""
        if level not in (0, 1):
            raise ValueError(f"input clock level must be 0 or 1, not {level!r}")
        self._set("InputClock", _channel(channel), int(level))

    def set_manual_mode(self, channel, on):
        """Records manual mode for the channel; the board and resync keep the
        present mode until the settings are next sent (at a reconnection)."""
        self._set("ManualMode", _channel(channel), 1 if on else 0)
