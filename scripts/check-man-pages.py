#!/usr/bin/env python3
"""Fails when a manual page and its program's help disagree.

For each program in dist/man/ it runs the built program's --help (and, for kprtool, the help
of every verb the overview lists) and checks both ways:
  - every verb and every option (long and short) the help shows is in the manual page;
  - every option the manual page names in its SYNOPSIS, COMMANDS and OPTIONS sections, and
    every verb it describes under COMMANDS, is shown by some help of that program.
Each disagreement is printed on its own line, naming the page and the help it comes from.

    scripts/check-man-pages.py [BUILD_DIR]      (default: build)
"""
import os
import pathlib
import re
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
PROGRAMS = {  # manual page: the program, from the build folder
    "kprtool.1": "src/cli/kprtool",
    "kpr-board-sim.1": "src/sim/kpr-board-sim",
    "kpr-programmer.1": "src/ui/kpr-programmer",
}
# The sections that describe the program's own command line; the others may name the
# options of another program (kpr-board-sim.1 tells which option of kprtool takes its port).
OWN_SECTIONS = ("SYNOPSIS", "COMMANDS", "OPTIONS")

OPTION = re.compile(r"(?<![\w\-/.])(--[a-z0-9][a-z0-9-]*|-[a-zA-Z])(?![\w-])")
HELP_OPTION_LINE = re.compile(r"^ {1,4}((?:-[a-zA-Z?], )*-{1,2}[a-zA-Z][\w-]*)")
VERB_LINE = re.compile(r"^  ([a-z][a-z0-9-]*)  ")


def run_help(program, *args):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    done = subprocess.run([str(program), *args, "--help"], capture_output=True, text=True,
                          env=env, timeout=60, check=False)
    if done.returncode != 0:
        sys.exit(f"{program.name} {' '.join(args)} --help failed ({done.returncode}):\n"
                 f"{done.stderr}")
    return done.stdout


def help_options(text):
    """The options a help defines: those at the start of its option lines."""
    found = set()
    for line in text.splitlines():
        m = HELP_OPTION_LINE.match(line)
        if m:
            found.update(o for o in m.group(1).split(", ") if o != "-?")
    return found


def help_verbs(text):
    verbs, inside = [], False
    for line in text.splitlines():
        if line.strip() == "Commands:":
            inside = True
        elif inside and not line.strip():
            break
        elif inside and (m := VERB_LINE.match(line)):
            verbs.append(m.group(1))
    return verbs


def man_text(line):
    """A line of roff source as its words: no font escapes, no macro name, no quotes."""
    line = re.sub(r"\\f[BIRP]|\\f\(..|\\&|\\c", "", line)
    line = line.replace("\\-", "-").replace('"', " ")
    return re.sub(r"^\.[A-Z]{1,2}\b", "", line).strip()


def read_man(path):
    """Every line's words, by section, and the verbs described under COMMANDS."""
    sections, verbs = {}, []
    section, after_tp = "", False
    for raw in path.read_text(encoding="utf-8").splitlines():
        if raw.startswith(".SH"):
            section = man_text(raw).strip()
            continue
        words = man_text(raw)
        sections.setdefault(section, []).append(words)
        if section == "COMMANDS" and after_tp and words:
            verbs.append(words.split()[0])
        after_tp = raw.strip() == ".TP"
    return sections, verbs


def check(page, program):
    problems = []
    overview = run_help(program)
    helps = {f"{program.name} --help": overview}
    verbs = help_verbs(overview)
    for verb in verbs:
        helps[f"{program.name} {verb} --help"] = run_help(program, verb)

    sections, man_verbs = read_man(page)
    everywhere = set(OPTION.findall("\n".join(w for ws in sections.values() for w in ws)))
    own = set(OPTION.findall("\n".join(w for s in OWN_SECTIONS for w in sections.get(s, []))))

    shown = set()
    for where, text in helps.items():
        for option in sorted(help_options(text)):
            shown.add(option)
            if option not in everywhere:
                problems.append(f"{page.name}: missing option {option} (shown by '{where}')")
    for verb in verbs:
        if verb not in man_verbs:
            problems.append(f"{page.name}: missing verb '{verb}' under COMMANDS "
                            f"(listed by '{program.name} --help')")
    for option in sorted(own - shown):
        problems.append(f"{page.name}: names option {option}, which no help of "
                        f"{program.name} shows")
    for verb in man_verbs:
        if verb not in verbs:
            problems.append(f"{page.name}: describes verb '{verb}', which "
                            f"'{program.name} --help' does not list")
    return problems


def main():
    build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ROOT / "build").resolve()
    problems = []
    for page_name, relative in PROGRAMS.items():
        program = build / relative
        if not os.access(program, os.X_OK):
            sys.exit(f"{program} is not built: build first, or name the build folder")
        problems += check(ROOT / "dist" / "man" / page_name, program)
    for p in problems:
        print(p)
    if problems:
        print(f"{len(problems)} disagreement(s) between the manual pages and the help")
        return 1
    print(f"manual pages and help agree ({', '.join(PROGRAMS)})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
