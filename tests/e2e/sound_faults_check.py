#!/usr/bin/env python3
"""Bad sound files and a missing winmm.dll, heard on the sound device through Wine's own winmm.

Phase 1: each file of the warning for "1M2E3T4N5D6" gets its own pure tone, except the bad ones:
M.wav is missing, E.wav is empty, T.wav is a tone file cut inside its header, N.wav is text and
no WAV at all, D.wav is a whole header whose data chunk holds nothing. The DeviceSoundFaults test
of korvane_e2e_tests.exe makes korvane.exe announce that name while the session's null sink is
recorded; decoded, the recording must give every good file in order: the chain went on past
every bad one.

Phase 2: the same good files, but winmm.dll cannot be loaded (Wine's load order for it is
empty). The announcement must be silent, and the program must live on with the right status.

Needs the Wine test session (KORVANE_WINE_SESSION), sox and parec. Reuses the tone files, the
recording and the tone decoder of real_sound_check.py.
"""
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import real_sound_check as tones  # noqa: E402

NAME = "1M2E3T4N5D6"
TONE_SECONDS = 0.25
TONES = {                   # file -> frequency in Hz, on 50 Hz bins, none twice another
    "bell.wav": 500,
    "satellite.wav": 650,
    "1.wav": 800,
    "2.wav": 950,
    "3.wav": 1100,
    "4.wav": 1250,
    "5.wav": 1400,
    "6.wav": 1550,
    "IsRising.wav": 1700,
}
EXPECTED = ["bell.wav", "satellite.wav", "1.wav", "2.wav", "3.wav", "4.wav", "5.wav", "6.wav", "IsRising.wav"]


def make_files(folder):
    tones.make_tones(folder, TONES, TONE_SECONDS)
    # M.wav: missing. E.wav: empty.
    open(os.path.join(folder, "E.wav"), "wb").close()
    # T.wav: a tone file cut inside its fmt chunk.
    with open(os.path.join(folder, "1.wav"), "rb") as good:
        whole = good.read()
    with open(os.path.join(folder, "T.wav"), "wb") as cut:
        cut.write(whole[:30])
    # N.wav: no WAV at all.
    with open(os.path.join(folder, "N.wav"), "w") as text:
        text.write("This is not a sound file.\n" * 20)
    # D.wav: a well-formed header that announces a second of data, followed by none.
    rate, bits = 22050, 16
    header = b"RIFF" + struct.pack("<I", 36 + rate * 2) + b"WAVE"
    header += b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, rate, rate * 2, 2, bits)
    header += b"data" + struct.pack("<I", rate * 2)
    with open(os.path.join(folder, "D.wav"), "wb") as empty_data:
        empty_data.write(header)


def record_phase(args, env, work, gtest_filter, listen_seconds):
    """Runs one test while recording the sink; returns the file order heard after the marker
    and the number of loud frames after it."""
    sounds = os.path.join(work, "sounds")
    recording = os.path.join(work, gtest_filter.split(".")[0] + ".raw")
    test_env = dict(env, KORVANE_E2E_FAULT_SOUND_DIR=tones.windows_path(sounds), KORVANE_E2E_FAULT_NAME=NAME)
    tones.run_while_recording(args, gtest_filter, test_env, sounds, recording, listen_seconds)
    with open(recording, "rb") as raw:
        played, labels = tones.decode(raw.read())
    loud = sum(1 for label in tones.labels_after_marker(labels) if label is not None)
    print("%s: recorded %.1f s, %d loud frames; files heard in order: %s"
          % (gtest_filter, len(labels) * tones.FRAME / tones.RATE, loud, " ".join(played) or "(none)"))
    return tones.after_marker(played), loud


def main():
    args = tones.parse_args(("sox", "parec", "paplay"))
    tones.TONES = TONES  # the decoder names what it hears after these files

    env = tones.session_env()
    sounds = tones.fresh_sounds_folder(args.work)
    make_files(sounds)

    problems = []
    # The whole warning: its good tones, the bad files (near instant), and room for start-up.
    played, _ = record_phase(args, env, args.work, "DeviceSoundFaults.*", TONE_SECONDS * len(EXPECTED) + 2.5)
    if played != EXPECTED:
        problems.append("with bad files heard %s, expected %s" % (played, EXPECTED))

    played, loud = record_phase(args, env, args.work, "DeviceSoundFaultsWithoutWinmm.*",
                                TONE_SECONDS * len(EXPECTED) + 1.5)
    if played or loud:
        problems.append("without winmm.dll heard %s (%d loud frames), expected silence" % (played, loud))

    tones.report(problems, "sound faults on the device: all checks passed")


if __name__ == "__main__":
    main()
