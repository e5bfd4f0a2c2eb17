#!/usr/bin/env python3
"""Line and branch coverage of src/ from the coverage build's data (cmake/coverage.cmake).

  coverage-report.py clear  --source SRC --build BUILD
      removes the last run's data: every .gcda under BUILD (the native half in BUILD/native too)
      and the notes of korvane.exe's runs (BUILD/coverage-runs); the test coverage_clear.
  coverage-report.py report --source SRC --build BUILD [--doc FILE] [--after-tests]
      reads the MinGW objects' data with x86_64-w64-mingw32-gcov and the native ones' with gcov
      (gcovr for both, then merged), prints lines and branches per file, the functions never
      entered, how many korvane.exe runs ended without writing their data, and the blocks of
      src/windows that no test reaches, each with its reason from docs/coverage-reasons.txt
      ("no reason given" where it has none), those whose reach depends on the machine (its fonts,
      its Wine) apart; with --doc, writes all of that into FILE. With
      --after-tests (ctest's post-test step), only when the tests ran since the last report:
      listing the tests (ctest -N) neither clears nor reports.

Branches that only C++ exceptions take, and those GCC marks unreachable, are left out.

A block's reason is found by its file, its function (a lambda counts as the function it is
written in) and, where the function has blocks of different reasons, the label of a comment
"// coverage: LABEL" on the block's first line or the line above it: names and labels that
move with the code, unlike line numbers or the compiler's names of lambdas. A reason that
begins with "Depends on the machine:" marks a block that one machine reaches and another not.
"""
import argparse
import datetime
import glob
import json
import os
import re
import shutil
import subprocess
import sys
import textwrap

WINDOWS_GCOV = "x86_64-w64-mingw32-gcov"
REASONS = "docs/coverage-reasons.txt"
NO_REASON = "no reason given"
MACHINE = "Depends on the machine:"
LABEL = re.compile(r"//\s*coverage:\s*([\w-]+)")
# What writes the data is not measured.
HOOK = "src/windows/coverage_flush.cpp"


def pending(build):
    """Marks tests whose report is still to come: ctest's post-test step reports only then."""
    return os.path.join(build, "coverage-report", "pending")


def clear(build):
    for path in glob.glob(os.path.join(build, "**", "*.gcda"), recursive=True):
        os.remove(path)
    shutil.rmtree(os.path.join(build, "coverage-runs"), ignore_errors=True)
    os.makedirs(os.path.dirname(pending(build)), exist_ok=True)
    open(pending(build), "w", encoding="utf-8").close()


def gcovr_json(source, gcov, search_paths, out):
    """gcovr over the objects under search_paths that have data; False where there are none."""
    paths = [p for p in search_paths if glob.glob(os.path.join(p, "**", "*.gcda"), recursive=True)]
    if not paths:
        return False
    command = ["gcovr", "--root", source, "--filter", re.escape(os.path.join(source, "src")) + "/",
               "--exclude", re.escape(os.path.join(source, HOOK)),
               "--gcov-executable", gcov, "--exclude-unreachable-branches", "--exclude-throw-branches",
               "--json", out, *paths]
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return True


def merged_data(source, build):
    work = os.path.join(build, "coverage-report")
    os.makedirs(work, exist_ok=True)
    halves = []
    for name, gcov, paths in (("windows", WINDOWS_GCOV, [os.path.join(build, "src"), os.path.join(build, "tests")]),
                              ("native", "gcov", [os.path.join(build, "native", "src")])):
        out = os.path.join(work, name + ".json")
        if gcovr_json(source, gcov, paths, out):
            halves.append(out)
    if not halves:
        sys.exit("coverage-report: no coverage data under " + build + "; run the tests of the coverage preset first")
    merged = os.path.join(work, "coverage.json")
    command = ["gcovr", "--root", source, "--json", merged, "--json-pretty"]
    for half in halves:
        command += ["--add-tracefile", half]
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    with open(merged, encoding="utf-8") as f:
        return json.load(f)["files"]


def matching(name, start):
    """The index of the bracket that closes the one at start."""
    pairs = {"(": ")", "<": ">", "{": "}"}
    depth = 0
    for i in range(start, len(name)):
        if name[i] in pairs:
            depth += 1
        elif name[i] in pairs.values():
            depth -= 1
            if depth == 0:
                return i
    return len(name) - 1


def short_name(name):
    """A function's name as the reasons file keys it: no namespaces, return type or parameters
    (the enclosing function of a lambda keeps "()")."""
    name = re.sub(r"\b(korvane|win32|e2e|__cxx11)::", "", name).replace("(anonymous namespace)::", "")
    name = re.sub(r"\s*const$", "", name)
    out, i = "", 0
    while i < len(name):
        if name[i] in "<({":
            end = matching(name, i)
            group = name[i:end + 1]
            if name[i] == "(" and not out.endswith("operator"):
                group = "" if end == len(name) - 1 else "()"
            out, i = out + group, end + 1
        elif name[i] == " " and "::" not in out and "{" not in out:  # a template's return type
            out, i = "", i + 1
        else:
            out, i = out + name[i], i + 1
    return out


def without_lambda_numbers(name):
    """GCC's "{lambda(int)#2}" as "{lambda}": the number moves with any lambda added before it."""
    out, i = "", 0
    while (start := name.find("{lambda", i)) >= 0:
        end = matching(name, start)
        out, i = out + name[i:start] + "{lambda}", end + 1
    return out + name[i:]


def named_function(name):
    """The function a lambda is written in, from GCC's name of it ("F()::{lambda(int)#2}::operator()"
    is F), and whether it is one; other names with no lambda numbers in them."""
    depth = 0
    for i, c in enumerate(name):
        depth += (c in "<(") - (c in ">)")
        if depth == 0 and name.startswith("{lambda", i):  # not one in a template's arguments
            outer = name[:i].removesuffix("::").removesuffix("()")
            return without_lambda_numbers(outer) or "(a lambda)", True
    return without_lambda_numbers(name), False


class FileCoverage:
    def __init__(self, entry, source):
        self.path = entry["file"]
        lines = {}
        branches = {}
        for line in entry["lines"]:
            if line.get("gcovr/noncode") or line.get("gcovr/excluded"):
                continue
            number = line["line_number"]
            lines[number] = lines.get(number, 0) + line["count"]
            for i, branch in enumerate(line.get("branches", [])):
                branches[(number, i)] = branches.get((number, i), 0) + branch["count"]
        self.lines = dict(sorted(lines.items()))
        self.branches = branches
        functions = {}
        for function in entry.get("functions", []):
            name, is_lambda = named_function(short_name(function.get("demangled_name") or function["name"]))
            key = (function["lineno"], name + " (a lambda in it)" if is_lambda else name)
            functions[key] = functions.get(key, 0) + function["execution_count"]
        self.functions = sorted(functions.items())
        try:
            with open(os.path.join(source, self.path), encoding="utf-8", errors="replace") as f:
                self.source_lines = f.read().splitlines()
        except OSError:
            self.source_lines = []

    def figures(self):
        return (sum(1 for c in self.lines.values() if c), len(self.lines),
                sum(1 for c in self.branches.values() if c), len(self.branches),
                sum(1 for _, c in self.functions if c), len(self.functions))

    def enclosing(self, number):
        """The function a line is in; a line after a lambda is in the function that holds it."""
        names = [name for (line, name), _ in self.functions if line <= number]
        return names[-1].removesuffix(" (a lambda in it)") if names else "(outside a function)"

    def label(self, number):
        """The label of a "// coverage: LABEL" comment on the line or the one above it, or ""."""
        for line in self.source_lines[max(number - 2, 0):number]:
            found = LABEL.search(line)
            if found:
                return found.group(1)
        return ""

    def unreached_blocks(self):
        """(first line, last line, function, label) of each run of code lines never executed."""
        blocks = []
        for number, count in self.lines.items():
            if count:
                continue
            function = self.enclosing(number)
            if blocks and blocks[-1][2] == function and all(
                    self.lines.get(n, 0) == 0 for n in range(blocks[-1][1], number)):
                blocks[-1][1] = number
            else:
                blocks.append([number, number, function])
        return [(first, last, function, self.label(first)) for first, last, function in blocks]


def read_reasons(source):
    """{(file, function, label): reason}; the label is "" where the line names none."""
    reasons = {}
    with open(os.path.join(source, REASONS), encoding="utf-8") as f:
        for line in f:
            if line.strip() and not line.startswith("#"):
                path, function, reason = (part.strip() for part in line.split("|", 2))
                labelled = re.fullmatch(r"(.*?)\s*\[([\w-]+)\]", function)
                key = (labelled.group(1), labelled.group(2)) if labelled else (function, "")
                reasons[(path, *key)] = reason
    return reasons


def reason_of(reasons, path, function, label):
    """A labelled block's own reason, else its function's."""
    return reasons.get((path, function, label)) or reasons.get((path, function, ""), NO_REASON)


def korvane_runs(build):
    """How korvane.exe's runs wrote their data (src/windows/coverage_flush.cpp)."""
    runs = {"at exit": 0, "on request": 0, "lost": 0}
    for path in glob.glob(os.path.join(build, "coverage-runs", "run-*.txt")):
        with open(path, encoding="utf-8", errors="replace") as f:
            text = f.read()
        runs["at exit" if "written at exit" in text else "on request" if "written on request" in text else "lost"] += 1
    return runs


def percent(done, total):
    return f"{100.0 * done / total:5.1f} %" if total else "    -  "


def wine_version():
    try:
        return subprocess.run(["wine", "--version"], capture_output=True, text=True, timeout=20).stdout.strip()
    except (OSError, subprocess.SubprocessError):
        return "unknown Wine"


def report(source, build, doc):
    files = sorted((FileCoverage(e, source) for e in merged_data(source, build)), key=lambda f: f.path)
    measured = {f.path for f in files}
    unmeasured = sorted(os.path.relpath(p, source) for p in glob.glob(os.path.join(source, "src", "**", "*.cpp"),
                                                                      recursive=True)
                        if os.path.relpath(p, source) not in measured | {HOOK})
    reasons = read_reasons(source)
    runs = korvane_runs(build)
    total_runs = sum(runs.values())

    rows = []
    totals = [0] * 6
    for f in files:
        figures = f.figures()
        totals = [a + b for a, b in zip(totals, figures)]
        rows.append((f.path, figures))
    rows.append(("all of src/", tuple(totals)))

    table = ["| File | Lines | Branches | Functions entered |", "|---|---|---|---|"]
    text = [f"{'File':44} {'Lines':>20} {'Branches':>20} {'Functions':>10}"]
    for path, (ld, lt, bd, bt, fd, ft) in rows:
        table.append(f"| `{path}` | {ld}/{lt} ({percent(ld, lt).strip()}) | {bd}/{bt} ({percent(bd, bt).strip()}) "
                     f"| {fd}/{ft} |")
        text.append(f"{path:44} {ld:5}/{lt:<5} {percent(ld, lt)} {bd:5}/{bt:<5} {percent(bd, bt)} {fd:4}/{ft:<4}")

    never = [(f.path, line, name) for f in files for (line, name), count in f.functions if not count]
    blocks = []
    for f in files:
        if f.path.startswith("src/windows/"):
            for first, last, function, label in f.unreached_blocks():
                shown = f"{function} [{label}]" if label else function
                blocks.append((f.path, first, last, shown, reason_of(reasons, f.path, function, label)))
    unexplained = [b for b in blocks if b[4] == NO_REASON]
    on_machine = [b for b in blocks if b[4].startswith(MACHINE)]
    lost = (f"{total_runs} korvane.exe runs: {runs['at exit']} wrote their data at their end, "
            f"{runs['on request']} when the test was about to end them, and {runs['lost']} ended without writing "
            f"it (their share is lost)")

    print("\n".join(["", "Coverage of src/ (lines, and branches other than exceptions'):"] + text))
    print(f"\nFunctions never entered: {len(never)}")
    for path, line, name in never:
        print(f"  {path}:{line} {name}")
    for path in unmeasured:
        print(f"  {path}: in no measured program")
    print(f"\n{lost}.")
    print(f"Blocks of src/windows that no test reaches: {len(blocks)}, {len(unexplained)} with {NO_REASON}, "
          f"{len(on_machine)} that another machine may reach (its fonts, its Wine)")
    for path, function, ranges, _ in by_function(on_machine):
        print(f"  {path}: {ranges} {function}: depends on the machine")
    for path, function, ranges, _ in by_function(unexplained):
        print(f"  {path}: {ranges} {function}: {NO_REASON} (add it to {REASONS}, as FILE | FUNCTION | REASON, "
              f"or FILE | FUNCTION [LABEL] | REASON with a comment // coverage: LABEL at the block)")

    if doc:
        write_doc(doc, table, never, unmeasured, lost, blocks, on_machine)
        print(f"Written: {doc}")


def by_function(blocks):
    """One entry a function: (file, function, its blocks' line ranges, reason), in file order."""
    grouped = {}
    for path, first, last, function, reason in blocks:
        entry = grouped.setdefault((path, function), [[], reason])
        entry[0].append(str(first) if first == last else f"{first}-{last}")
    return [(path, function, ", ".join(ranges), reason) for (path, function), (ranges, reason) in grouped.items()]


def block_table(blocks):
    return ["| File: lines | Function | Why, and how it was checked |", "|---|---|---|",
            *[f"| `{path}`: {ranges} | `{function}` | {reason} |" for path, function, ranges, reason in by_function(blocks)]]


def write_doc(doc, table, never, unmeasured, lost, blocks, on_machine):
    day = datetime.date.today().isoformat()
    out = [
        "# What the tests run of src/",
        "",
        textwrap.fill(
            "Lines and branches of `src/` that the native unit tests and the tests under Wine (unit tests and "
            "end-to-end tests against `korvane.exe`) execute, from one run of `cmake --workflow --preset coverage`, "
            "which writes this file (`scripts/coverage-report.py`). Branches that only C++ exceptions take are left "
            "out, and so is `src/windows/coverage_flush.cpp`, built only into this build's `korvane.exe` to write the "
            "data when a test ends it: at its Quit or its frame's close, or just before the test kills it. A run ended "
            "otherwise (a time-out, the Wine session stopped under it) loses its share, and is counted below. Each "
            "reason comes from `docs/coverage-reasons.txt`, one line a function (and a label, `// coverage: LABEL` "
            "in the source, where one function's blocks have different reasons); a new unreached block says "
            f"\"{NO_REASON}\" until it gets one there. Blocks whose reach depends on the machine (its fonts, its "
            "Wine version) are listed apart: another machine may reach them, or leave others.", width=100),
        "",
        f"Run of {day}, {wine_version()}, {lost}.",
        "",
        "## Per file",
        "",
        *table,
        "",
        "## Functions never entered",
        "",
        *[f"- `{path}:{line}` `{name}`" for path, line, name in never],
        *[f"- `{path}`: in no measured program" for path in unmeasured],
        "",
        "## Blocks of src/windows that no test reaches",
        "",
        *block_table([b for b in blocks if b not in on_machine]),
        "",
        "## Blocks of src/windows that no test reached on this machine, which another may reach",
        "",
        *(block_table(on_machine) if on_machine else ["None."]),
        "",
    ]
    with open(doc, "w", encoding="utf-8") as f:
        f.write("\n".join(out))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("action", choices=["clear", "report"])
    parser.add_argument("--source", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--doc")
    parser.add_argument("--after-tests", action="store_true",
                        help="only where the tests of this build ran since the last report (ctest's post-test step)")
    args = parser.parse_args()
    source, build = os.path.abspath(args.source), os.path.abspath(args.build)
    if args.action == "clear":
        clear(build)
    elif not args.after_tests or os.path.exists(pending(build)):
        report(source, build, args.doc)
        if os.path.exists(pending(build)):
            os.remove(pending(build))


if __name__ == "__main__":
    main()
