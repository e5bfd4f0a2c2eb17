#!/usr/bin/env python3
"""The spoken warning through Wine's own winmm.dll, heard on the sound device.

Puts a pure tone of its own frequency into each sound file (bell.wav, satellite.wav, one per
character of "AO-7", a "-.wav" that must stay silent, IsRising.wav), records the session's
null sink while the RealSound test of korvane_e2e_tests.exe makes korvane.exe announce AO-7,
and decodes the recording back into the order of the files played.

Needs the Wine test session (KORVANE_WINE_SESSION), sox and parec.
"""
import argparse
import math
import os
import shutil
import signal
import struct
import subprocess
import sys
import time

RATE = 8000                 # recording sample rate
FRAME = 160                 # 20 ms analysis frames; 50 Hz bins, so tones sit on multiples of 50 Hz
TONE_SECONDS = 0.3
TONES = {                   # file -> frequency in Hz, none a multiple of another
    "bell.wav": 500,
    "satellite.wav": 650,
    "A.wav": 800,
    "O.wav": 950,
    "7.wav": 1100,
    "-.wav": 1250,
    "IsRising.wav": 1400,
}
EXPECTED = ["bell.wav", "satellite.wav", "A.wav", "O.wav", "7.wav", "IsRising.wav"]
# Played into the sink by another program once the recorder writes, before the test starts: a
# recording that holds it did not start late, so a file missing after it was lost on its way.
MARKER = ("marker.wav", 1850)  # above every tone of either check


WINE_RUN_SKIPPED = 77


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def parse_args(tools):
    """The command line (--wine-run, --tests, --work); fails unless every one of tools is installed."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine-run", required=True)
    parser.add_argument("--tests", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    # A program the session cannot run (a 32-bit one where 32-bit programs do not run) is
    # skipped, with wine-run.sh's reason and its exit code, which CTest counts as skipped.
    can_run = subprocess.run([args.wine_run, "--can-run", args.tests], stdout=subprocess.PIPE, text=True)
    if can_run.returncode == WINE_RUN_SKIPPED:
        print(can_run.stdout, end="")
        sys.exit(WINE_RUN_SKIPPED)
    for tool in tools:
        if not shutil.which(tool):
            fail("%s is not installed" % tool)
    return args


def fresh_sounds_folder(work):
    """Empties the work folder and returns its new, empty "sounds" folder."""
    shutil.rmtree(work, ignore_errors=True)
    sounds = os.path.join(work, "sounds")
    os.makedirs(sounds)
    return sounds


def report(problems, passed):
    """Prints each problem and exits with 1 if there are any; else prints passed."""
    for problem in problems:
        print("FAIL: " + problem)
    if problems:
        sys.exit(1)
    print(passed)


def session_env():
    session = os.environ.get("KORVANE_WINE_SESSION")
    if not session or not os.path.isfile(os.path.join(session, "env.sh")):
        fail("no Wine session: KORVANE_WINE_SESSION=%r" % session)
    env = dict(os.environ)
    with open(os.path.join(session, "env.sh")) as script:
        for line in script:
            line = line.strip()
            if line.startswith("export ") and "=" in line:
                name, value = line[len("export "):].split("=", 1)
                env[name] = value.strip("'\"")
    return env


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def make_tones(folder, tones=TONES, seconds=TONE_SECONDS):
    """A file of a pure tone of its own frequency for each file name in tones."""
    for name, frequency in tones.items():
        subprocess.run(["sox", "-n", "-r", "22050", "-b", "16", "-c", "1", os.path.join(folder, name),
                        "synth", str(seconds), "sine", str(frequency), "vol", "0.5"], check=True)


def start_recorder(recording, env):
    """Records the session's null sink into the file recording, and once it writes (a null sink's
    monitor gives silence all the time) plays the marker tone into the sink; returns the recorder."""
    with open(recording, "wb") as sink:
        recorder = subprocess.Popen(["parec", "-d", "korvane_sink.monitor", "--rate=%d" % RATE, "--channels=1",
                                     "--format=s16le", "--latency-msec=20"], stdout=sink, env=env)
    deadline = time.monotonic() + 10
    while os.path.getsize(recording) == 0:
        if recorder.poll() is not None or time.monotonic() > deadline:
            fail("the recorder of the sound device wrote nothing")
        time.sleep(0.05)
    folder = os.path.dirname(recording)
    make_tones(folder, dict([MARKER]))
    subprocess.run(["paplay", "--device=korvane_sink", os.path.join(folder, MARKER[0])], env=env, check=True)
    return recorder


def labels_after_marker(labels):
    """The frames after the marker tone and the silence that ends it: what the test played."""
    if MARKER[0] not in labels:
        return labels
    end = len(labels) - labels[::-1].index(MARKER[0])
    while end < len(labels) and labels[end] is not None:
        end += 1  # the marker's fading tail
    return labels[end:]


def after_marker(played):
    """The files heard after the marker tone; fails where the marker was not heard first, since
    then the recording started late and cannot tell whether the program played a file."""
    if not played or played[0] != MARKER[0]:
        fail("the recording lacks the marker tone played before the test (heard %s): it started late" % played)
    return played[1:]


def start_test(args, gtest_filter, env, test_log):
    """Starts korvane_e2e_tests.exe under Wine for gtest_filter, its output into test_log."""
    return subprocess.Popen([args.wine_run, args.tests, "--gtest_filter=" + gtest_filter],
                            env=env, stdout=test_log, stderr=subprocess.STDOUT)


def stop_run(test, recorder, test_log):
    """Ends the test if it is still running, stops the recorder and closes the test's log."""
    if test.poll() is None:
        test.kill()
    recorder.send_signal(signal.SIGINT)
    try:
        recorder.wait(timeout=5)
    except subprocess.TimeoutExpired:
        recorder.kill()
    test_log.close()


def run_while_recording(args, gtest_filter, test_env, sounds, recording, listen_seconds):
    """Runs korvane_e2e_tests.exe for gtest_filter while the sink is recorded into recording:
    waits for the test to report the satellite (the file "reported" in sounds), lets the warning
    play for listen_seconds, then tells the test it is done ("done"). Prints the test's output
    and fails unless it reported and passed; returns that output."""
    for marker in ("reported", "done"):
        if os.path.exists(os.path.join(sounds, marker)):
            os.remove(os.path.join(sounds, marker))
    recorder = start_recorder(recording, test_env)
    test_log = open(os.path.splitext(recording)[0] + ".log", "w")
    test = start_test(args, gtest_filter, test_env, test_log)
    try:
        reported = wait_for_file(os.path.join(sounds, "reported"), 60, test)
        if reported:
            time.sleep(listen_seconds)
            open(os.path.join(sounds, "done"), "w").close()
            test.wait(timeout=60)
    finally:
        stop_run(test, recorder, test_log)
    output = open(test_log.name).read()
    print(output)
    if not reported:
        fail("the program never reported the satellite (the test's output is above)")
    if test.returncode != 0:
        fail("korvane_e2e_tests.exe --gtest_filter=%s exited with %d" % (gtest_filter, test.returncode))
    if "[  SKIPPED ]" in output:
        fail("%s was skipped" % gtest_filter)
    return output


def wait_for_file(path, seconds, process):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if os.path.exists(path):
            return True
        if process.poll() is not None:
            return False
        time.sleep(0.05)
    return False


# --- sound -------------------------------------------------------------------------------

def tone_power(samples, frequency):
    """Share of the frame's energy at one frequency (Goertzel), about 1 for a pure tone."""
    coefficient = 2 * math.cos(2 * math.pi * frequency / RATE)
    s1 = s2 = 0.0
    for x in samples:
        s1, s2 = x + coefficient * s1 - s2, s1
    power = s1 * s1 + s2 * s2 - coefficient * s1 * s2
    energy = sum(x * x for x in samples)
    return power / (energy * len(samples) / 2) if energy else 0.0


def decode(raw):
    samples = struct.unpack("<%dh" % (len(raw) // 2), raw[: len(raw) // 2 * 2])
    labels = []
    for start in range(0, len(samples) - FRAME + 1, FRAME):
        frame = samples[start:start + FRAME]
        rms = math.sqrt(sum(x * x for x in frame) / FRAME)
        if rms < 300:                       # silence (full scale is 32767)
            labels.append(None)
            continue
        tones = dict(TONES, **dict([MARKER]))
        best = max(tones, key=lambda name: tone_power(frame, tones[name]))
        labels.append(best if tone_power(frame, tones[best]) > 0.5 else "?")
    # Runs of at least 3 frames (60 ms) of one file; a short run is a transition.
    played = []
    run_label, run_length = None, 0
    for label in labels + [None]:
        if label == run_label:
            run_length += 1
            continue
        if run_label not in (None, "?") and run_length >= 3 and (not played or played[-1] != run_label):
            played.append(run_label)
        run_label, run_length = label, 1
    return played, labels


def main():
    args = parse_args(("sox", "parec", "paplay"))
    env = session_env()
    sounds = fresh_sounds_folder(args.work)
    make_tones(sounds)
    recording = os.path.join(args.work, "sink.raw")

    test_env = dict(env, KORVANE_E2E_SOUND_DIR=windows_path(sounds))
    # The whole warning: five synchronous tones and the last one, with room for start-up.
    run_while_recording(args, "RealSound.*", test_env, sounds, recording, TONE_SECONDS * len(EXPECTED) + 2.0)

    with open(recording, "rb") as raw:
        played, labels = decode(raw.read())
    print("recorded %.1f s; files heard in order: %s" % (len(labels) * FRAME / RATE, " ".join(played)))
    played = after_marker(played)
    problems = []
    if played != EXPECTED:
        problems.append("heard %s, expected %s" % (played, EXPECTED))
    report(problems, "real sound: all checks passed")


if __name__ == "__main__":
    main()
