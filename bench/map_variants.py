#!/usr/bin/env python3
"""Writes kinds of maps that differ from map_gen's in one respect each, to show
that no kind of map costs much more per byte:

    map_variants.py <map_gen folder> <out folder>

makes <out folder>/<kind>/ with a brushup.ini and a generated.map for each kind
below. Each is map_gen's map with one thing changed; "none-due" is the map
brushup itself wrote from it, which needs no fix.
"""
import os
import random
import shutil
import subprocess
import sys


def is_face(line):
    return line.startswith(b"(")


def face_fields(line):
    """The three point groups as one text, then the other tokens."""
    end = line.rindex(b")") + 1
    return line[:end], line[end:].split()


def join(groups, tokens):
    return groups + b" " + b" ".join(tokens)


def few_textures(line, _):
    groups, tokens = face_fields(line)
    tokens[0] = [b"common/caulk", b"common/clip", b"e1u1/concrete4"][len(line) % 3]
    return join(groups, tokens)


def many_textures(line, number):
    groups, tokens = face_fields(line)
    tokens[0] += b"_%d" % (number % 40)
    return join(groups, tokens)


def long_fractions(line, number):
    groups, tokens = face_fields(line)
    rng = random.Random(number)
    for i in range(1, 6):
        tokens[i] = repr(rng.uniform(-64, 64)).encode()
    return join(groups, tokens)


def six_decimals(line, _):
    groups, tokens = face_fields(line)
    for i in range(1, 6):
        tokens[i] = b"%.6f" % float(tokens[i])
    return join(groups, tokens)


def valve_220(line, _):
    groups, tokens = face_fields(line)
    axes = [b"[ 1 0 0 %s ]" % tokens[1], b"[ 0 -1 0 %s ]" % tokens[2]]
    return join(groups, [tokens[0]] + axes + tokens[3:])


def every_face_changes(line, _):
    groups, tokens = face_fields(line)
    tokens[7] = b"99999"
    return join(groups, tokens)


def rewrite_faces(source, target, change):
    with open(source, "rb") as inp, open(target, "wb") as out:
        for number, line in enumerate(inp):
            text = line.rstrip(b"\r\n")
            if is_face(text):
                text = change(text, number)
            out.write(text + b"\r\n")


def regroup_brushes(source, target, size):
    """The faces of each entity in brushes of `size` faces."""
    with open(source, "rb") as inp, open(target, "wb") as out:
        depth, faces = 0, []
        for line in inp:
            text = line.rstrip(b"\r\n")
            if text.startswith(b"{"):
                depth += 1
                if depth == 1:
                    out.write(text + b"\r\n")
                continue
            if text.startswith(b"}"):
                depth -= 1
                if depth == 0:
                    for at in range(0, len(faces), size):
                        out.write(b"{\r\n" + b"".join(f + b"\r\n" for f in faces[at:at + size]) + b"}\r\n")
                    faces = []
                    out.write(text + b"\r\n")
                continue
            if depth == 2 and is_face(text):
                faces.append(text)
            elif depth == 1:
                out.write(text + b"\r\n")


def long_entities(source, target):
    """Every entity gets 40 more key lines, and the map as many more point entities as it has brushes / 8."""
    with open(source, "rb") as inp, open(target, "wb") as out:
        depth, brushes = 0, 0
        for line in inp:
            text = line.rstrip(b"\r\n")
            out.write(text + b"\r\n")
            if text.startswith(b"{"):
                depth += 1
                brushes += depth == 2
                if depth == 1:
                    out.write(b"".join(b'"key_%d" "value %d of a long entity"\r\n' % (k, k) for k in range(40)))
            elif text.startswith(b"}"):
                depth -= 1
        for n in range(brushes // 8):
            out.write(b'{\r\n"classname" "info_null"\r\n"origin" "%d 0 0"\r\n' % n)
            out.write(b"".join(b'"key_%d" "value %d"\r\n' % (k, k) for k in range(40)) + b"}\r\n")


def many_textures_ini(source, target):
    with open(source, "rb") as inp:
        lines = inp.read().split(b"\n")
    at = lines.index(next(l for l in lines if l.strip() == b"[TEXTURES]"))
    defined = [l for l in lines[at + 1:] if b"=" in l]
    extra = [name.strip() + b"_%d" % k + b" =" + flags for k in range(40) for name, flags in
             (l.split(b"=", 1) for l in defined)]
    with open(target, "wb") as out:
        out.write(b"\n".join(lines + extra) + b"\n")


def main():
    source, out_root = sys.argv[1], sys.argv[2]
    source_map = os.path.join(source, "generated.map")
    face_kinds = {"few-textures": few_textures, "many-textures": many_textures, "long-fractions": long_fractions,
                  "six-decimals": six_decimals, "valve-220": valve_220, "all-due": every_face_changes}
    kinds = list(face_kinds) + ["none-due", "small-brushes", "large-brushes", "long-entities"]
    for kind in kinds:
        folder = os.path.join(out_root, kind)
        os.makedirs(folder, exist_ok=True)
        shutil.copy(os.path.join(source, "brushup.ini"), folder)
        target = os.path.join(folder, "generated.map")
        if kind in face_kinds:
            rewrite_faces(source_map, target, face_kinds[kind])
        elif kind == "none-due":
            shutil.copy(source_map, target)
            subprocess.run([os.environ["BRUSHUP"], "generated"], cwd=folder, stdout=subprocess.DEVNULL, check=True)
            os.remove(target + ".backup")
        elif kind == "long-entities":
            long_entities(source_map, target)
        else:
            regroup_brushes(source_map, target, 4 if kind == "small-brushes" else 48)
        if kind == "many-textures":
            many_textures_ini(os.path.join(source, "brushup.ini"), os.path.join(folder, "brushup.ini"))
    print(" ".join(kinds))


if __name__ == "__main__":
    main()
