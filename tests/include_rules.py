#!/usr/bin/env python3
"""Checks the include rules of src/ (docs/architecture.md):

- no cycle between folders;
- each folder includes only the folders it may (core folders only what is below them);
- no file of vandor_core reaches a Qt header, directly or through the headers it includes.

Usage: include_rules.py SRC_DIR CORE_SOURCES   (CORE_SOURCES: the vandor_core sources, comma-separated)
Prints every breach and exits 1 when there is one.
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)

CORE = {"common", "machine", "inspect", "assembler", "hexfile", "devices"}
WINDOW_KIT = {"widgets"}
# Header-only Qt helpers that both vandor and kepplet include (the HTTP client, the Spanish texts).
SHARED = {"shared"}
# What the files of each folder may include besides their own folder. Window files inside a core folder
# (the Halt dialog, the trace and assembler windows) may use the window kit; core files never reach Qt.
ALLOWED = {
    "common": set(),
    "machine": {"common"} | WINDOW_KIT,
    "inspect": {"common", "machine"} | WINDOW_KIT,
    "hexfile": {"common", "machine"},
    "assembler": {"common", "machine", "hexfile"} | WINDOW_KIT,
    "devices": {"common", "machine"} | WINDOW_KIT,
    "widgets": {"common"},
    "shared": set(),
    "editor": CORE | WINDOW_KIT,
    "startup": CORE | WINDOW_KIT | SHARED,
    "mainwindow": CORE | WINDOW_KIT | {"editor", "startup"},
    "updater": {"common", "widgets"} | SHARED,  # kepplet links nothing of the simulator: header-only helpers only
    "cli": CORE,
    "app": CORE | WINDOW_KIT | SHARED | {"editor", "startup", "mainwindow"},
}
# kepplet may use only these headers of the simulator's folders (they need no library).
UPDATER_HEADERS = {"common/text.h", "widgets/twips.h"}


def read_includes(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return INCLUDE.findall(f.read())


def main():
    src, core_list = sys.argv[1], sys.argv[2]
    files = {}
    for root, _, names in os.walk(src):
        for name in names:
            if name.endswith((".h", ".cpp")):
                rel = os.path.relpath(os.path.join(root, name), src)
                files[rel] = read_includes(os.path.join(root, name))

    breaches = []
    graph = {}
    for rel, includes in files.items():
        folder = rel.split(os.sep)[0]
        for kind, target in includes:
            if kind != '"' or "/" not in target:
                continue
            dep = target.split("/")[0]
            if dep == folder:
                continue
            graph.setdefault(folder, set()).add(dep)
            if folder not in ALLOWED:
                breaches.append(f"{rel}: folder '{folder}' has no include rule")
            elif dep not in ALLOWED[folder]:
                breaches.append(f"{rel}: '{folder}' may not include '{target}'")
            elif folder == "updater" and dep != "shared" and target not in UPDATER_HEADERS:
                breaches.append(f"{rel}: kepplet may not include '{target}'")

    # Folder cycles, by depth-first search.
    state = {}

    def visit(node, path):
        state[node] = 1
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == 1:
                cycle = path[path.index(nxt):] + [nxt] if nxt in path else [node, nxt]
                breaches.append("folder cycle: " + " -> ".join(cycle))
            elif nxt not in state:
                visit(nxt, path + [nxt])
        state[node] = 2

    for node in sorted(graph):
        if node not in state:
            visit(node, [node])

    # Core files: no Qt header anywhere in what they include.
    def reaches_qt(rel, seen):
        if rel in seen or rel not in files:
            return None
        seen.add(rel)
        for kind, target in files[rel]:
            if kind == "<" and re.match(r"Q[A-Za-z]*(/|$)", target):
                return [rel, target]
            if kind == '"':
                chain = reaches_qt(target, seen)
                if chain:
                    return [rel] + chain
        return None

    for source in filter(None, core_list.split(",")):
        rel = os.path.relpath(os.path.abspath(source), os.path.abspath(src)) if os.path.isabs(source) else source
        if rel.startswith("src" + os.sep):
            rel = rel[len("src" + os.sep):]
        chain = reaches_qt(rel, set())
        if chain:
            breaches.append("core file reaches Qt: " + " -> ".join(chain))

    for b in sorted(set(breaches)):
        print(b)
    if breaches:
        return 1
    print(f"include rules hold: {len(files)} files, folders {', '.join(sorted(graph))}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
