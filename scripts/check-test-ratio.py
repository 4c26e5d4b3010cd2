#!/usr/bin/env python3
"""Fails when the tests outgrow the code: code lines (non-blank, non-comment lines of .cpp and
.h files) in tests/ and fuzz/ must stay at most 35 % of those in src/."""
import pathlib
import sys

LIMIT = 0.35


def code_lines(folder):
    count = 0
    for path in pathlib.Path(folder).rglob("*"):
        if path.suffix not in (".cpp", ".h") or not path.is_file():
            continue
        in_comment = False
        for line in path.read_text(encoding="utf-8", errors="replace").splitlines():
            s = line.strip()
            if in_comment:
                in_comment = "*/" not in s
                continue
            if not s or s.startswith("//"):
                continue
            if s.startswith("/*"):
                in_comment = "*/" not in s
                continue
            count += 1
    return count


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    src = code_lines(root / "src")
    tests = code_lines(root / "tests") + code_lines(root / "fuzz")
    ratio = tests / src if src else 0.0
    print(f"code lines: src {src}, tests+fuzz {tests}: {ratio:.1%} (at most {LIMIT:.0%})")
    return 0 if ratio <= LIMIT else 1


if __name__ == "__main__":
    sys.exit(main())
