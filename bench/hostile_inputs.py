#!/usr/bin/env python3
"""Times brushup on large and hostile inputs against ordinary generated maps of the same size.

    bench/hostile_inputs.py BRUSHUP MAP_GEN [--limit RATIO] [--scale FACTOR]

Each case writes a configuration and a map, runs brushup on them (best of two runs) and runs it
on an ordinary map from map_gen of the same size: as many bytes as the case's input, or as many
lines where that makes the larger map (each line is one entry, and every entity gains a comment
line when written, so lines cost more than bytes). The options are the same.
The ratio of the two times must stay below the limit, and every run must end with exit code 0
or 1 and print nothing on standard error: a crash, a sanitizer report (give the sanitizers an
exit code of their own) or a time far beyond linear fails the script.
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

CONFIG = (
    "[SURFACE]\nFLAG1 = light\nFLAG3 = sky\nFLAG8 = nodraw\n"
    "[CONTENT]\nFLAG1 = solid\nFLAG6 = water\nFLAG28 = detail\n"
    "[TEXTURES]\nbase/wall = solid\nbase/floor = solid light\ncommon/0_sky1 = sky nodraw\n"
)
POINTS = "( 0 0 0 ) ( 0 64 0 ) ( 64 0 0 )"
OPTIONS = {"-v", "-verbose", "-c", "-content", "-d", "-dump", "-n", "-nonull", "-s", "-nosurf", "-z", "-zero"}


def face(texture="base/wall", numbers="0 0 0 1 1 0 0 0"):
    return f"{POINTS} {texture} {numbers}\n"


def one_big_brush(scale):
    faces = int(200_000 * scale)
    lines = ["{\n", '"classname" "worldspawn"\n', "{\n"]
    # Every face carries a content of its own, and the texture is not defined,
    # so no pass evens them out before the brush is unified.
    lines += [face("custom/undefined", f"0 0 0 1 1 {i + 1} 0 0") for i in range(faces)]
    lines += ["}\n", "}\n"]
    return CONFIG, "".join(lines), []


def long_face_lines(scale):
    size = int(8_000_000 * scale)
    lines = ["{\n", "{\n",
             face("base/" + "w" * size),                                     # a texture of megabytes
             face("base/wall", "1" * size + ".5 0 0 1 1 0 0 0"),             # a number of megabytes
             f"( 0 0 0 ) ( 0 64 0 ) ( 64 {'0 ' * (size // 2)}) base/wall 0 0 0 1 1 0 0 0\n",
             face("base/wall", "&H" + "f" * size + " 0 0 1 1 1 0 0"),        # a radix number
             face("base/floor", "0" + " " * size + "0 0 1 1 0 0 0"),         # blanks between fields
             '"message" "' + "// " * (size // 3) + '"\n',                    # quoted slashes
             "}\n", "}\n"]
    return CONFIG, "".join(lines), []


def million_lines(scale):
    return CONFIG, "{\n}\n" * int(500_000 * scale), []


def unbalanced_braces(text):
    """A million lines of `text`: a map whose braces do not balance, refused once all of it is read."""
    return lambda scale: (CONFIG, text * int(1_000_000 * scale), [])


def deep_braces(scale):
    depth, rounds = 600, int(500 * scale)
    block = "".join("{\n" + face("base/floor", f"0 0 0 1 1 {d} 0 0") for d in range(depth)) + "}\n" * depth
    return CONFIG, block * rounds, []


def random_bytes(scale):
    return CONFIG, random.Random(1).randbytes(int(16_000_000 * scale)).decode("latin-1"), []


def nul_bytes(scale):
    return CONFIG, "\0" * int(16_000_000 * scale), []


def many_textures(scale):
    count = int(100_000 * scale)
    config = CONFIG + "".join(f"set{i // 100}/tex{i} = solid light detail nodraw\n" for i in range(count))
    brushes = "".join("{\n" + "".join(face(f"set{i // 100}/tex{i + k}") for k in range(5)) + "}\n"
                      for i in range(0, count, 5))
    return config, "{\n" + brushes + "}\n", []


def long_flag_name(scale):
    size = int(2_000_000 * scale)
    # A long name met by many textures, and a long name searched in a long value.
    config = ("[SURFACE]\nFLAG1 = " + "a" * size + "b\nFLAG2 = " + "ab" * (size // 4) + "\n[CONTENT]\nFLAG1 = solid\n"
              "[TEXTURES]\nbase/wall = solid " + "a" * (2 * size) + "\n"
              + "".join(f"tex{i} = solid\n" for i in range(int(20_000 * scale))))
    return config, "{\n{\n" + face() * 1000 + "}\n}\n", []


def long_texture_value(scale):
    config = CONFIG + "base/long = " + "solid light " * int(400_000 * scale) + "\n"
    return config, "{\n{\n" + face("base/long") * 1000 + "}\n}\n", []


def many_arguments(scale):
    count = int(5_000 * scale)
    arguments = ["-v", "-X", "level", "-c", "-unknown-option"] * (count // 5)
    return CONFIG, "{\n{\n" + face() * 10_000 + "}\n}\n", arguments


CASES = [
    ("one brush of 200,000 distinct contents", one_big_brush),
    ("face lines of megabytes", long_face_lines),
    ("a million lines", million_lines),
    ("braces nested 600 deep", deep_braces),
    ("a million closing braces", unbalanced_braces("}\n")),
    ("a million opening braces", unbalanced_braces("{\n")),
    ("random bytes", random_bytes),
    ("NUL bytes", nul_bytes),
    ("configuration of 100,000 textures", many_textures),
    ("configuration with long flag names", long_flag_name),
    ("configuration with a long texture value", long_texture_value),
    ("thousands of arguments", many_arguments),
]


def timed_run(brushup, folder, source, arguments):
    """Copies the files of `source` into `folder`, runs brushup there; returns (seconds, exit code)."""
    for name in os.listdir(folder):
        os.remove(os.path.join(folder, name))
    for name in os.listdir(source):
        shutil.copyfile(os.path.join(source, name), os.path.join(folder, name))
    start = time.perf_counter()
    result = subprocess.run([brushup, "level"] + arguments, cwd=folder, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE)
    seconds = time.perf_counter() - start
    # brushup writes nothing to standard error: anything there is a sanitizer's report.
    if result.stderr:
        sys.stderr.write(result.stderr.decode("latin-1")[-4000:])
    return seconds, result.returncode in (0, 1) and not result.stderr


def best_time(brushup, folder, source, arguments):
    """The faster of two runs, and whether both ended well."""
    runs = [timed_run(brushup, folder, source, arguments) for _ in range(2)]
    return min(seconds for seconds, _ in runs), all(ended for _, ended in runs)


def write_case(folder, config, map_text):
    """Writes the case's files; returns their bytes and lines."""
    os.makedirs(folder)
    with open(os.path.join(folder, "brushup.ini"), "wb") as out:
        out.write(config.encode("latin-1"))
    with open(os.path.join(folder, "level.map"), "wb") as out:
        out.write(map_text.encode("latin-1"))
    return len(config) + len(map_text), config.count("\n") + map_text.count("\n")


def ordinary_case(map_gen, folder, size, lines):
    """An ordinary map from map_gen of about `size` bytes or `lines` lines, whichever is larger."""
    calibration = os.path.join(folder, "calibration")
    subprocess.run([map_gen, "10000", "1", calibration], check=True)
    with open(os.path.join(calibration, "generated.map"), "rb") as sample:
        text = sample.read()
    faces = max(100, int(size * 10000 / len(text)), int(lines * 10000 / text.count(b"\n")))
    generated = os.path.join(folder, "generated")
    subprocess.run([map_gen, str(faces), "1", generated], check=True)
    os.rename(os.path.join(generated, "generated.map"), os.path.join(generated, "level.map"))
    return generated


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("brushup")
    parser.add_argument("map_gen")
    parser.add_argument("--limit", type=float, default=8.0)
    parser.add_argument("--scale", type=float, default=1.0)
    options = parser.parse_args()
    brushup, map_gen = os.path.abspath(options.brushup), os.path.abspath(options.map_gen)
    failed = False
    worst = 0.0
    with tempfile.TemporaryDirectory(prefix="brushup-hostile-") as root:
        work = os.path.join(root, "work")
        os.makedirs(work)
        print(f"{'case':42} {'bytes':>11} {'lines':>10} {'time s':>8} {'ordinary s':>10} {'ratio':>6}")
        for index, (name, make) in enumerate(CASES):
            config, map_text, arguments = make(options.scale)
            source = os.path.join(root, f"case{index}")
            size, lines = write_case(source, config, map_text)
            size += sum(len(a) + 1 for a in arguments)
            seconds, ended = best_time(brushup, work, source, arguments)
            ordinary = ordinary_case(map_gen, os.path.join(root, f"ordinary{index}"), size, lines + len(arguments))
            ordinary_arguments = [a for a in dict.fromkeys(arguments) if a in OPTIONS]
            ordinary_seconds, ordinary_ended = best_time(brushup, work, ordinary, ordinary_arguments)
            ratio = seconds / ordinary_seconds
            worst = max(worst, ratio)
            crashed = not ended or not ordinary_ended
            verdict = "CRASHED" if crashed else ("TOO SLOW" if ratio > options.limit else "")
            failed = failed or bool(verdict)
            print(f"{name:42} {size:11,} {lines:10,} {seconds:8.3f} {ordinary_seconds:10.3f} {ratio:6.2f} {verdict}", flush=True)
            shutil.rmtree(source)
            shutil.rmtree(ordinary)
    print(f"worst ratio {worst:.2f} (limit {options.limit})")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
