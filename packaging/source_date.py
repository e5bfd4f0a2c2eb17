"""The time a release is dated with: SOURCE_DATE_EPOCH when set, else the time of the last
commit, else the earliest time a zip can hold. The same commit gives the same date, so that
what carries it (file times, the README's build date) rebuilds to the byte."""
import os
import subprocess

ZIP_EPOCH_MIN = 315532800  # 1980-01-01, the earliest time a zip can hold


def source_epoch(source_dir):
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    try:
        out = subprocess.run(["git", "-C", source_dir, "log", "-1", "--format=%ct"], check=True,
                             capture_output=True, text=True).stdout.strip()
        return int(out)
    except (OSError, subprocess.CalledProcessError, ValueError):
        print("release: no git history and no SOURCE_DATE_EPOCH; dating the files 1980-01-01")
        return ZIP_EPOCH_MIN
