#!/usr/bin/env python3
"""Every test that korvane_e2e_tests.exe holds runs in exactly one CTest entry.

Lists the program's tests under Wine (--gtest_list_tests) and matches each against the
--gtest_filter of every entry (--entry NAME=FILTER, as tests/e2e/CMakeLists.txt registers
them). A test in no entry or in two fails the check, by name, and so does an entry whose
filter picks no test. A second path (--again NAME=FILTER: the same tests once more, another
way) stands outside the partition, but it too must pick some test.

    partition_check.py --wine-run WINE_RUN --tests EXE --entry NAME=FILTER... [--again NAME=FILTER...]
"""
import argparse
import fnmatch
import subprocess
import sys

WINE_RUN_SKIPPED = 77


def listed_tests(listing):
    """Full test names (Suite.Test, Suite.Test/Param) from --gtest_list_tests output."""
    names, suite = [], ""
    for line in listing.splitlines():
        line = line.split("  #")[0].rstrip()
        if line.startswith(" "):
            names.append(suite + line.strip())
        elif line.endswith("."):
            suite = line
    return names


def picks(gtest_filter, name):
    """Whether GoogleTest's --gtest_filter=gtest_filter runs the test name."""
    positive, _, negative = gtest_filter.partition("-")

    def any_of(patterns):
        return any(fnmatch.fnmatchcase(name, p) for p in patterns.split(":") if p)

    return any_of(positive or "*") and not any_of(negative)


def entries(pairs):
    return [tuple(pair.split("=", 1)) for pair in pairs]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine-run", required=True)
    parser.add_argument("--tests", required=True)
    parser.add_argument("--entry", action="append", default=[])
    parser.add_argument("--again", action="append", default=[])
    args = parser.parse_args()

    run = subprocess.run([args.wine_run, args.tests, "--gtest_list_tests"], stdout=subprocess.PIPE, text=True)
    if run.returncode == WINE_RUN_SKIPPED:
        print(run.stdout, end="")
        return WINE_RUN_SKIPPED
    tests = listed_tests(run.stdout)
    if run.returncode != 0 or not tests:
        print("FAIL: %s --gtest_list_tests exited with %d and listed %d tests"
              % (args.tests, run.returncode, len(tests)))
        return 1

    partition = entries(args.entry)
    problems = []
    for test in tests:
        owners = [name for name, gtest_filter in partition if picks(gtest_filter, test)]
        if not owners:
            problems.append("%s runs in no CTest entry: give its suite to one in tests/e2e/CMakeLists.txt" % test)
        elif len(owners) > 1:
            problems.append("%s runs in %d CTest entries: %s" % (test, len(owners), ", ".join(owners)))
    for name, gtest_filter in partition + entries(args.again):
        if not any(picks(gtest_filter, test) for test in tests):
            problems.append("CTest entry %s runs no test: its filter %s picks none" % (name, gtest_filter))
    for problem in problems:
        print("FAIL: " + problem)
    if problems:
        return 1
    print("%d end-to-end tests, each in exactly one of %d CTest entries" % (len(tests), len(partition)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
