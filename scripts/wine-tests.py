#!/usr/bin/env python3
"""Prints, as a ctest -R expression, the tests of a build tree that run Windows programs under
Wine: those that join, start or stop a Wine test session (a fixture named wine_session...),
and the MSI install check, which starts a session of its own.

    scripts/wine-tests.py BUILD_DIR
"""
import json
import re
import subprocess
import sys

OWN_SESSION = {"release_msi_install"}


def runs_wine(test):
    properties = {p["name"]: p["value"] for p in test.get("properties", [])}
    fixtures = [name for key in ("FIXTURES_REQUIRED", "FIXTURES_SETUP", "FIXTURES_CLEANUP")
                for name in properties.get(key, [])]
    return test["name"] in OWN_SESSION or any(name.startswith("wine_session") for name in fixtures)


def main():
    listing = subprocess.run(["ctest", "--test-dir", sys.argv[1], "--show-only=json-v1"],
                             stdout=subprocess.PIPE, check=True, text=True).stdout
    names = [t["name"] for t in json.loads(listing)["tests"] if runs_wine(t)]
    if not names:
        sys.exit("no tests run under Wine in " + sys.argv[1])
    print("^(" + "|".join(re.escape(name) for name in names) + ")$")


if __name__ == "__main__":
    main()
