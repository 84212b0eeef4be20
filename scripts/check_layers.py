#!/usr/bin/env python3
"""Checks the source tree's floors and that its includes form no loop.

    python3 scripts/check_layers.py [ROOT]

Every quoted include ("folder/file.h") is checked against the floors below:
a file may include files of its own folder, of a folder on a lower floor,
and of the folders its own folder lists under SIDEWAYS. Then the graph of
components (a header with its source file; x_internal.h belongs to x) must
have no loop. Prints each fault and exits 1 when there is one, 0 otherwise.
Tests, benchmarks and fuzz targets stand above everything and may include
any file; they are not checked.
"""
import os
import re
import subprocess
import sys

# Floor of each top-level folder of the system, lowest first.
FLOORS = {
    "platform": 0,
    "hardware": 1, "ui": 1, "sim": 1,
    "app": 2,
    # the features beyond the instrument's own program
    "remote": 3, "eye_scan": 3, "results": 3, "monitoring": 3, "report": 3,
    # the front ends at the top
    "gui": 4, "program": 4, "export": 4,
}
# Folders on one floor that one of them may include (never both ways).
SIDEWAYS = {
    "hardware": {"ui"},
    "remote": {"eye_scan", "results"},
    "monitoring": {"results"},
    "report": {"eye_scan", "results"},
    "program": {"gui"},
}
# Tops that are not part of the system's floors.
UNCHECKED = ("tests/", "bench/", "fuzz/", "python/", "examples/")

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def component(path):
    for suffix in (".h.in", ".cpp", ".h"):
        if path.endswith(suffix):
            path = path[: -len(suffix)]
            break
    return path[: -len("_internal")] if path.endswith("_internal") else path


def folder(path):
    return path.split("/", 1)[0]


def find_loops(graph):
    """Strongly connected components of more than one node (Tarjan)."""
    index, low, stack, on_stack, loops = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        for w in graph.get(v, ()):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            members = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                members.append(w)
                if w == v:
                    break
            if len(members) > 1:
                loops.append(sorted(members))

    sys.setrecursionlimit(10000)
    for v in sorted(graph):
        if v not in index:
            visit(v)
    return loops


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    files = subprocess.check_output(
        ["git", "ls-files", "*.cpp", "*.h", "*.h.in"], cwd=root, text=True).split()
    faults = []
    graph = {}
    for path in files:
        if path.startswith(UNCHECKED):
            continue
        own = folder(path)
        if own not in FLOORS:
            faults.append(f"{path}: folder '{own}' has no floor in scripts/check_layers.py")
            continue
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as text:
            for number, line in enumerate(text, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = match.group(1)
                other = folder(target)
                if other not in FLOORS:
                    if "/" in target:
                        faults.append(f"{path}:{number}: includes {target} from outside the system")
                    continue
                allowed = (other == own or FLOORS[other] < FLOORS[own]
                           or other in SIDEWAYS.get(own, ()))
                if not allowed:
                    faults.append(f"{path}:{number}: {own}/ may not include {target}")
                if component(target) != component(path):
                    graph.setdefault(component(path), set()).add(component(target))
    for loop in find_loops(graph):
        faults.append("include loop among: " + " ".join(loop))
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} faults")
        return 1
    print(f"{len(files)} files: every include goes down a floor, and no loop")
    return 0


if __name__ == "__main__":
    sys.exit(main())
