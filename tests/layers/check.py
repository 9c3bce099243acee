#!/usr/bin/env python3
"""Checks that the sources' includes run the way docs/architecture.md draws.

A module is a .cpp with its .hpp (src/editor/store.cpp and store.hpp are the
module editor/store).  The check reads every `#include "..."` under src/,
fails on an include that goes the wrong way, and prints the largest set of
modules that include each other (the knot), failing when it grows past KNOTLIMIT.

    python3 tests/layers/check.py src
    python3 tests/layers/check.py --selftest   (the check on small trees of its own)
"""
import os
import re
import sys

# The operations that still include each other (the file notices joined them:
# FETCH calls them and they read the file module back).
KNOTLIMIT = 25

# The bottom of the editor: the store and line primitives, and the messages to
# the front end.  They include one another and these only.
BASE = {"wire/protocol", "editor/encoding", "editor/repaint", "editor/window"}
# The undo record is kept by the store as lines change.
STORE = BASE | {"editor/store", "editor/lines", "editor/undo"}
MESSAGES = STORE | {"editor/frontend"}
# What the engine may include of the editor: the store, the messages, the
# parameters of the command being run.
ENGINE = MESSAGES | {"editor/params"}
# The edit loop, the command processor and the start-up name every operation.
FRAME = {"editor/commands", "editor/editloop", "editor/resetall", "main"}

# (modules the rule is for, what they may include, exceptions with the reason)
RULES = [
    ("editor/store editor/lines editor/undo", STORE, {}),
    ("editor/frontend", MESSAGES, {}),
    ("bormo/*", ENGINE, {
        # the engine's edit keys read a number typed after the key
        "bormo/genops": {"editor/input"},
    }),
    ("term/*", {"wire/protocol", "editor/encoding", "packs/packs", "version"}, {}),
]
# Operations reach the command processor's parameters through editor/params;
# only the frame includes editor/commands, and these operations, which run
# command mode themselves.
COMMANDUSERS = FRAME | {
    "editor/blocks",  # sends the mode word after the stars are cleared
    "editor/views",   # runs command mode on a view page
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def modules(src):
    mods = {}
    for dirpath, _, files in os.walk(src):
        for f in files:
            if not f.endswith((".cpp", ".hpp")):
                continue
            path = os.path.join(dirpath, f)
            name = os.path.relpath(path, src).rsplit(".", 1)[0]
            mods.setdefault(name, []).append(path)
    return mods


def includes(mods):
    graph = {m: set() for m in mods}
    for m, paths in mods.items():
        folder = os.path.dirname(m)
        for path in paths:
            with open(path, encoding="latin-1") as f:
                for line in f:
                    r = INCLUDE.match(line)
                    if not r:
                        continue
                    target = r.group(1).rsplit(".", 1)[0]
                    if "/" not in target and folder:
                        target = folder + "/" + target  # a neighbour named alone
                    if target != m:
                        graph[m].add(target)
    return graph


def matches(module, patterns):
    for p in patterns.split():
        if p == module or (p.endswith("/*") and module.startswith(p[:-1])):
            return True
    return False


def wrongway(graph):
    faults = []
    for who, allowed, extra in RULES:
        for m in sorted(graph):
            if not matches(m, who):
                continue
            own = os.path.dirname(m)
            for t in sorted(graph[m]):
                if who.endswith("/*") and os.path.dirname(t) == own:
                    continue  # a folder's modules include one another
                if t not in allowed and t not in extra.get(m, set()):
                    faults.append(f"{m} includes {t}")
    for m in sorted(graph):
        if "editor/commands" in graph[m] and m not in COMMANDUSERS:
            faults.append(f"{m} includes editor/commands (its parameters are in editor/params)")
    return faults


def largestknot(graph):
    # Tarjan's strongly connected components, without recursion.
    index, low, onstack, stack, best = {}, {}, set(), [], []
    counter = 0
    for root in sorted(graph):
        if root in index:
            continue
        work = [(root, iter(sorted(graph[root])))]
        index[root] = low[root] = counter
        counter += 1
        stack.append(root)
        onstack.add(root)
        while work:
            v, edges = work[-1]
            for w in edges:
                if w not in index:
                    index[w] = low[w] = counter
                    counter += 1
                    stack.append(w)
                    onstack.add(w)
                    work.append((w, iter(sorted(graph.get(w, ())))))
                    break
                if w in onstack:
                    low[v] = min(low[v], index[w])
            else:
                work.pop()
                if work:
                    low[work[-1][0]] = min(low[work[-1][0]], low[v])
                if low[v] == index[v]:
                    comp = []
                    while True:
                        w = stack.pop()
                        onstack.discard(w)
                        comp.append(w)
                        if w == v:
                            break
                    if len(comp) > len(best):
                        best = comp
    return sorted(best)


def selftest():
    import tempfile

    def tree(files):
        d = tempfile.mkdtemp()
        for name, text in files.items():
            os.makedirs(os.path.join(d, os.path.dirname(name)), exist_ok=True)
            with open(os.path.join(d, name), "w") as f:
                f.write(text)
        return includes(modules(d))

    ok = tree({"editor/store.cpp": '#include "editor/store.hpp"\n#include "editor/lines.hpp"\n',
               "editor/lines.cpp": '#include "editor/store.hpp"\n',
               "editor/typing.cpp": '#include "editor/params.hpp"\n#include "editor/store.hpp"\n',
               "bormo/lexicon.cpp": '#include "bormo/reader.hpp"\n#include "editor/frontend.hpp"\n'})
    cases = [
        ("a sound tree", ok, [], ["editor/lines", "editor/store"]),
        ("store includes an operation",
         tree({"editor/store.cpp": '#include "editor/typing.hpp"\n'}),
         ["editor/store includes editor/typing"], []),
        ("an operation includes the command processor",
         tree({"editor/sort.cpp": '#include "editor/commands.hpp"\n'}),
         ["editor/sort includes editor/commands (its parameters are in editor/params)"], []),
        ("the engine includes an operation",
         tree({"bormo/reader.cpp": '#include "editor/files.hpp"\n#include "bormo/lexicon.hpp"\n'}),
         ["bormo/reader includes editor/files"], []),
        ("a knot of three",
         tree({"editor/a.cpp": '#include "b.hpp"\n', "editor/b.cpp": '#include "editor/c.hpp"\n',
               "editor/c.hpp": '#include "editor/a.hpp"\n', "editor/d.cpp": '#include "editor/a.hpp"\n'}),
         [], ["editor/a", "editor/b", "editor/c"]),
    ]
    failed = 0
    for name, graph, faults, knot in cases:
        got = (wrongway(graph), largestknot(graph) if knot else [])
        if got != (faults, knot):
            print(f"selftest {name}: got {got}, want {(faults, knot)}")
            failed = 1
    return failed


def main(argv):
    if argv[1:] == ["--selftest"]:
        return selftest()
    if len(argv) != 2:
        print("usage: check.py SRCDIR", file=sys.stderr)
        return 2
    graph = includes(modules(argv[1]))
    faults = wrongway(graph)
    for f in faults:
        print("wrong-way include:", f)
    knot = largestknot(graph)
    print(f"largest knot: {len(knot)} of {len(graph)} modules (limit {KNOTLIMIT})")
    print("  " + " ".join(knot))
    if len(knot) > KNOTLIMIT:
        print(f"the knot has grown past {KNOTLIMIT} modules")
        return 1
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
