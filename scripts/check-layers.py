#!/usr/bin/env python3
"""Fails when a file under src/ includes a header of a higher layer than its own, or when a
core folder includes Qt. Prints every offending line as file:line: message.

Layers, lowest first; a file may include its own layer and any lower one. The ledger records
what the backups kept, so it sits above them; jobs are
orders checked through the editor and kept in the ledger. hardware/ holds
the pure interfaces the core talks to (low); platform/ their Qt implementations (high);
product/ where the programs keep their files and settings (QSettings), above the core it
configures.
"""
import pathlib
import re
import sys

LAYERS = [
    "common", "image", "text", "settings", "tables", "registry", "hardware",
    "link", "ops", "editor", "sim", "station", "profile", "backup", "ledger", "jobs",
    "product", "platform", "cli", "ui",
]
RANK = {name: rank for rank, name in enumerate(LAYERS)}
# Everything up to and including the jobs knows no Qt.
CORE = set(LAYERS[: RANK["jobs"] + 1])

# Programs inside a core folder: they compose the core with Qt and are ranked as programs.
PROGRAMS = {"sim/sim_main.cpp": "cli"}

QUOTED = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
ANGLED = re.compile(r"^\s*#\s*include\s+<(Q[A-Za-z]*)(?:/[^>]*)?>")


def layer_of(rel):
    """The layer of a path relative to src/, or None for files outside the layered folders."""
    if rel in PROGRAMS:
        return PROGRAMS[rel]
    parts = rel.split("/")
    if len(parts) < 2:
        return None
    folder = parts[0]
    return folder if folder in RANK else None


def check(src):
    problems = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        rel = path.relative_to(src).as_posix()
        own = layer_of(rel)
        if own is None:
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            where = f"src/{rel}:{number}"
            if own in CORE:
                qt = ANGLED.match(line)
                if qt:
                    problems.append(f"{where}: {own} is a core layer and includes Qt <{qt.group(1)}>")
                    continue
            quoted = QUOTED.match(line)
            if not quoted:
                continue
            target = quoted.group(1)
            if "/" not in target:
                target = str(pathlib.PurePosixPath(rel).parent / target)
            other = layer_of(target)
            if other is not None and RANK[other] > RANK[own]:
                problems.append(f"{where}: {own} includes {other} header \"{quoted.group(1)}\"")
    return problems


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    problems = check(root / "src")
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} layering violation(s); order, lowest first: {', '.join(LAYERS)}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
