#!/usr/bin/env python3
"""Fails when the rooms include each other in a circle, or when gl/ reaches a window system,
prints, exits or names the desktop's global scene.

A header and its .cpp are one unit (their path without the extension): an include from either
is an edge from that unit. Usage: layers_check.py [source root]
"""
import os
import re
import sys

ROOMS = ("core", "gl", "desktop", "web")
SOURCE = (".h", ".cpp")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def units(root):
    """Every unit's stem -> the stems it includes (only stems that exist in the rooms)."""
    files = {}
    for room in ROOMS:
        for folder, _, names in os.walk(os.path.join(root, room)):
            for name in names:
                if name.endswith(SOURCE):
                    path = os.path.join(folder, name)
                    files[os.path.relpath(path, root)] = path
    stems = {os.path.splitext(rel)[0] for rel in files}
    edges = {stem: set() for stem in stems}
    for rel, path in files.items():
        stem = os.path.splitext(rel)[0]
        with open(path, encoding="utf-8", errors="replace") as f:
            for target in INCLUDE.findall(f.read()):
                other = os.path.splitext(target)[0]
                if other in stems and other != stem:
                    edges[stem].add(other)
    return edges


def circles(edges):
    """Strongly connected components of more than one unit (Tarjan, iterative)."""
    index, low, onStack, stack, found = {}, {}, set(), [], []
    counter = 0
    for start in sorted(edges):
        if start in index:
            continue
        work = [(start, iter(sorted(edges[start])))]
        index[start] = low[start] = counter
        counter += 1
        stack.append(start)
        onStack.add(start)
        while work:
            node, children = work[-1]
            child = next(children, None)
            if child is not None:
                if child not in index:
                    index[child] = low[child] = counter
                    counter += 1
                    stack.append(child)
                    onStack.add(child)
                    work.append((child, iter(sorted(edges[child]))))
                elif child in onStack:
                    low[node] = min(low[node], index[child])
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                group = []
                while True:
                    member = stack.pop()
                    onStack.discard(member)
                    group.append(member)
                    if member == node:
                        break
                if len(group) > 1:
                    found.append(sorted(group))
    return found


# What gl/ must not do: it draws from the state it is given and leaves windows, terminals and
# the process to the front ends. Comments and strings are stripped before matching.
GL_FORBIDDEN = [
    (re.compile(r'#\s*include\s*<GL/(glx|glut|freeglut)[^>]*>'), "window-system include"),
    (re.compile(r'#\s*include\s*<X11/'), "X11 include"),
    (re.compile(r'\b(glX\w+|glut\w+)\s*\('), "window-system call"),
    (re.compile(r'(?<![\w.>:])(std::)?(exit|_Exit|quick_exit|abort)\s*\('), "ends the process"),
    (re.compile(r'\b(printf|fprintf|puts|fputs|perror|putchar)\s*\('), "prints"),
    (re.compile(r'\bstd::(cout|cerr|clog)\b'), "prints"),
    (re.compile(r'(?<![\w.>:])scene\s*(\.|->)'), "uses the global scene"),
    (re.compile(r'\bextern\s+SceneState\b'), "declares a global scene"),
]
# The core is shared by both front ends, each of which owns its scene.
CORE_FORBIDDEN = [(re.compile(r'\bextern\s+SceneState\b'), "declares a global scene")]


def stripped(text):
    """The text without comments and string or character literals (lines kept)."""
    out = re.sub(r'//[^\n]*', '', text)
    out = re.sub(r'/\*.*?\*/', lambda m: '\n' * m.group(0).count('\n'), out, flags=re.S)
    out = re.sub(r'"(\\.|[^"\\\n])*"', '""', out)
    return re.sub(r"'(\\.|[^'\\\n])*'", "''", out)


def faultsIn(root, room, forbidden):
    faults = []
    for folder, _, names in os.walk(os.path.join(root, room)):
        for name in sorted(names):
            if not name.endswith(SOURCE):
                continue
            path = os.path.join(folder, name)
            with open(path, encoding="utf-8", errors="replace") as f:
                raw = f.read()
            # Includes are matched before stripping, as their <...> holds no comment.
            text = "\n".join(l if l.lstrip().startswith("#") else s
                             for l, s in zip(raw.split("\n"), stripped(raw).split("\n")))
            for number, line in enumerate(text.split("\n"), 1):
                for pattern, why in forbidden:
                    if pattern.search(line):
                        faults.append(f"{os.path.relpath(path, root)}:{number}: {why}: {line.strip()}")
    return faults


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
    failed = False
    for group in circles(units(root)):
        print("include circle: " + " <-> ".join(group))
        failed = True
    for fault in faultsIn(root, "gl", GL_FORBIDDEN) + faultsIn(root, "core", CORE_FORBIDDEN):
        print(fault)
        failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
