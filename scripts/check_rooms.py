#!/usr/bin/env python3
"""Checks how the rooms of src/ include each other.

deck/ (the model) and desk/ (the seam to the window system) never include from the rooms above
them, and deck/ names no resource ids. No header and its source file reach back to themselves
through other files' includes (a module is a file's path without its extension). Prints what is
wrong and exits 1; prints one line and exits 0 when all is well.
"""
import collections
import os
import re
import sys

SRC = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
UPPER = ("app/", "cards/", "dialogs/", "faces/")

includes = collections.defaultdict(set)  # module -> modules it includes
faults = []
for folder, _, files in os.walk(SRC):
    for name in sorted(files):
        if not name.endswith((".h", ".cpp", ".inc")):
            continue
        path = os.path.join(folder, name)
        rel = os.path.relpath(path, SRC).replace(os.sep, "/")
        module = rel.rsplit(".", 1)[0]
        with open(path, encoding="utf-8") as f:
            for n, line in enumerate(f, 1):
                m = re.match(r'\s*#\s*include\s+"([^"]+)"', line)
                if not m:
                    continue
                target = m.group(1)
                if rel.startswith(("deck/", "desk/")) and target.startswith(UPPER):
                    faults.append(f"{rel}:{n}: {rel.split('/')[0]}/ includes {target} from a room above it")
                if rel.startswith("deck/") and target.startswith("res/"):
                    faults.append(f"{rel}:{n}: the model names resource ids ({target})")
                if target.rsplit(".", 1)[0] != module:
                    includes[module].add(target.rsplit(".", 1)[0])

# Strongly connected components of the module graph: any with more than one module is a circle.
index, low, stack, on, circles = {}, {}, [], set(), []


def visit(v):
    index[v] = low[v] = len(index)
    stack.append(v)
    on.add(v)
    for w in sorted(includes.get(v, ())):
        if w not in index:
            visit(w)
            low[v] = min(low[v], low[w])
        elif w in on:
            low[v] = min(low[v], index[w])
    if low[v] == index[v]:
        part = []
        while True:
            w = stack.pop()
            on.discard(w)
            part.append(w)
            if w == v:
                break
        if len(part) > 1:
            circles.append(sorted(part))


sys.setrecursionlimit(10000)
for v in sorted(set(includes) | {w for ws in includes.values() for w in ws}):
    if v not in index:
        visit(v)
for part in circles:
    faults.append("a circle of includes: " + " -> ".join(part))

for fault in faults:
    print(fault)
if faults:
    sys.exit(1)
print(f"rooms: {len(includes)} modules, deck/ and desk/ include nothing from above, no circle")
