#!/usr/bin/env python3
"""Checks the WAV files of a voice pack, and that the check itself rejects bad files.

    check_voice_pack.py pack VOICE_DIR CHARACTERS   bell.wav, satellite.wav, IsRising.wav and one
                                                    file per character of CHARACTERS ("AB0"), each
                                                    a playable WAV of sane length
    check_voice_pack.py self-test SOX WORK_DIR      makes bad WAV files with sox and checks that
                                                    each is rejected for the right reason
"""
import os
import re
import shutil
import struct
import subprocess
import sys


def wav_problem(path, min_ms, max_ms):
    """"" when path is a WAV file that sndPlaySoundA plays as intended: RIFF/WAVE, plain PCM
    (format tag 1), mono, 16 bits, 22050 or 44100 Hz, with a data chunk that lies wholly in the
    file, lasts from min_ms to max_ms milliseconds and is audible (some sample at -18 dBFS or
    louder); otherwise what is wrong with it."""
    if not os.path.exists(path):
        return "missing"
    with open(path, "rb") as f:
        wav = f.read()
    if len(wav) < 44:
        return "only %d bytes, too short for a WAV file" % len(wav)
    if wav[0:4] != b"RIFF" or wav[8:12] != b"WAVE":
        return "not a RIFF/WAVE file"
    riff_end = struct.unpack_from("<I", wav, 4)[0] + 8
    if riff_end > len(wav):
        return "RIFF header claims %d bytes, file has %d" % (riff_end, len(wav))

    # The chunks after "WAVE": each an id, a 32-bit size and a body padded to even length.
    chunks = {}
    offset = 12
    while offset < riff_end:
        if offset + 8 > riff_end:
            return "chunk header at byte %d runs past the end" % offset
        chunk_id, size = struct.unpack_from("<4sI", wav, offset)
        if offset + 8 + size > riff_end:
            return "chunk %r at byte %d runs past the end of the file" % (chunk_id.decode("latin-1"), offset)
        chunks.setdefault(chunk_id, (offset + 8, size))
        offset += 8 + size + size % 2
    if b"fmt " not in chunks or b"data" not in chunks:
        return "no fmt or no data chunk"
    fmt_offset, fmt_size = chunks[b"fmt "]
    if fmt_size < 16:
        return "fmt chunk of %d bytes is too short" % fmt_size

    tag, channels, rate, byte_rate, block_align, bits = struct.unpack_from("<HHIIHH", wav, fmt_offset)
    problems = []
    if tag != 1:
        problems.append("format tag %d, not 1 (PCM)" % tag)
    if channels != 1:
        problems.append("%d channels, not mono" % channels)
    if bits != 16:
        problems.append("%d bits per sample, not 16" % bits)
    if rate not in (22050, 44100):
        problems.append("%d Hz, not 22050 or 44100" % rate)
    if byte_rate != rate * channels * bits // 8 or block_align != channels * bits // 8:
        problems.append("byte rate %d or block align %d disagree with the format" % (byte_rate, block_align))
    if problems:
        return "; ".join(problems)

    data_offset, data_size = chunks[b"data"]
    duration_ms = data_size * 1000 // byte_rate
    if not min_ms <= duration_ms <= max_ms:
        return "lasts %d ms, not between %d and %d ms" % (duration_ms, min_ms, max_ms)
    samples = wav[data_offset:data_offset + data_size - data_size % 2]
    if not any(abs(sample) >= 4096 for (sample,) in struct.iter_unpack("<h", samples)):
        return "silent or nearly so (no sample reaches -18 dBFS)"
    return ""


def check_pack(voice_dir, characters):
    if not os.path.isdir(voice_dir):
        sys.exit("voice pack directory %s does not exist" % voice_dir)
    # file name, shortest, longest in milliseconds. Each spelt character is kept short so that
    # a name such as AO-7 is spoken briskly.
    expectations = [("bell.wav", 300, 2000), ("satellite.wav", 300, 1500), ("IsRising.wav", 300, 1500)]
    expectations += [(c + ".wav", 150, 1000) for c in characters]
    failures = ["  %s: %s" % (name, problem) for name, low, high in expectations
                for problem in [wav_problem(os.path.join(voice_dir, name), low, high)] if problem]
    if failures:
        sys.exit("voice pack in %s:\n%s" % (voice_dir, "\n".join(failures)))
    print("voice pack in %s: all %d files are playable and of sane length" % (voice_dir, len(expectations)))


def self_test(sox, work):
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    mono16 = ["-r", "22050", "-c", "1", "-b", "16"]
    tone = ["synth", "0.5", "sine", "440", "vol", "0.5"]
    made = {  # file: sox's options for it, and what it plays
        "good.wav": (mono16, tone),
        "good44k.wav": (["-r", "44100", "-c", "1", "-b", "16"], tone),
        "stereo.wav": (["-r", "22050", "-c", "2", "-b", "16"], tone),
        "8bit.wav": (["-r", "22050", "-c", "1", "-b", "8"], tone),
        "float.wav": (["-r", "22050", "-c", "1", "-b", "32", "-e", "floating-point"], tone),
        "48k.wav": (["-r", "48000", "-c", "1", "-b", "16"], tone),
        "extensible.wav": (["-r", "22050", "-c", "1", "-b", "24"], tone),
        "long.wav": (mono16, ["synth", "3", "sine", "440", "vol", "0.5"]),
        "quiet.wav": (mono16, ["synth", "0.5", "sine", "440", "vol", "0.05"]),
    }
    for name, (options, effects) in made.items():
        subprocess.run([sox, "-n"] + options + [os.path.join(work, name)] + effects, check=True)
    with open(os.path.join(work, "good.wav"), "rb") as f:
        cut_off = f.read(4000)  # cut off in the middle of its samples
    with open(os.path.join(work, "truncated.wav"), "wb") as f:
        f.write(cut_off)
    with open(os.path.join(work, "text.wav"), "w") as f:
        f.write("RIFF? no, this is a text file that only has a .wav name\n")

    # file, the reason it must be rejected for (a regular expression; "" for a file that must pass)
    cases = [
        ("good.wav", ""),
        ("good44k.wav", ""),
        ("stereo.wav", "2 channels"),
        ("8bit.wav", "8 bits"),
        ("float.wav", "format tag 3"),
        ("48k.wav", "48000 Hz"),
        ("long.wav", "lasts 3000 ms"),
        ("quiet.wav", "silent"),
        ("extensible.wav", "format tag 65534"),
        ("truncated.wav", "claims 22094 bytes, file has 4000"),
        ("text.wav", "not a RIFF/WAVE"),
        ("absent.wav", "missing"),
    ]
    failures = []
    for name, expected in cases:
        problem = wav_problem(os.path.join(work, name), 150, 1000)
        if not expected and problem:
            failures.append("  %s: should pass, was rejected: %s" % (name, problem))
        elif expected and not re.search(expected, problem):
            failures.append("  %s: should be rejected for '%s', got '%s'" % (name, expected, problem))
    if failures:
        sys.exit("the WAV check misjudged:\n" + "\n".join(failures))
    print("the WAV check judged all %d sample files rightly" % len(cases))


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "pack":
        check_pack(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 4 and sys.argv[1] == "self-test":
        self_test(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)
