#!/usr/bin/env python3
"""The same job as `brushup MAP -c -d`, written the plain way a level designer
might write it, as a yardstick for bench/run.sh: read brushup.ini, list the
textures it does not define, give every face its texture's surface and content
flags (keeping content flag 28), give every brush the content most of its faces
carry, log the changes, and write a backup and the fixed map.

    naive_brushup.py MAP
"""
import sys

KEPT_CONTENT = 1 << 27


def clean(line):
    return line.split("//", 1)[0].strip(" \t\r\n")


def read_ini(path):
    names = {"SURFACE": {}, "CONTENT": {}}
    textures = {}
    section = ""
    with open(path, encoding="latin-1") as ini:
        for line in ini:
            line = clean(line)
            if not line or line.startswith(";"):
                continue
            if line.startswith("[") and line.endswith("]"):
                section = line[1:-1].upper()
                continue
            if "=" not in line:
                continue
            key, value = (part.strip() for part in line.split("=", 1))
            if section in names and key.upper().startswith("FLAG"):
                names[section][int(key[4:])] = value.lower()
            elif section == "TEXTURES":
                name = key.lower().replace("\\", "/").strip("/")
                value = value.lower()
                surface = sum(1 << (n - 1) for n, flag in names["SURFACE"].items() if flag in value)
                content = sum(1 << (n - 1) for n, flag in names["CONTENT"].items() if flag in value)
                textures.setdefault(name, (surface, content))
    return names, textures


def flag_list(flags, table):
    flags = int(flags)
    shown = ", ".join(name for n, name in sorted(table.items()) if flags & (1 << (n - 1)))
    return '"' + shown + '"' if shown else "NOTHING"


def split_face(line):
    """Three point groups, the texture and the numbers after it; None for no face."""
    end = 0
    for _ in range(3):
        end = line.find(")", end) + 1
        if end == 0:
            return None
    rest = line[end:].split()
    if not rest:
        return None
    return line[:end], rest[0], [float(x) for x in rest[1:9]] + [0.0] * (9 - len(rest))


def number(value):
    return "%d" % value if value == int(value) else "%.16g" % value


def face_line(points, texture, numbers):
    return points + " " + texture + " " + " ".join(number(x) for x in numbers)


def write_map(path, lines):
    with open(path, "w", encoding="latin-1", newline="\r\n") as out:
        out.write("\n")
        depth = entity = brush = 0
        for line in lines:
            if line.startswith("{"):
                depth += 1
                if depth == 1:
                    out.write("// entity %d\n" % entity)
                    entity += 1
                    brush = 0
                elif depth == 2:
                    out.write("// brush %d\n" % brush)
                    brush += 1
            elif line.startswith("}"):
                depth -= 1
            out.write(line + "\n")


def main():
    map_path = sys.argv[1]
    names, textures = read_ini("brushup.ini")
    with open(map_path, encoding="latin-1", newline="") as source:
        lines = [clean(line) for line in source]
    lines = [line for line in lines if line]
    write_map(map_path + ".backup", lines)

    log = open("brushup.log", "a", encoding="latin-1", newline="\r\n")
    undefined = set()
    depth = 0
    brush_faces = []
    for i, line in enumerate(lines):
        if line.startswith("{"):
            depth += 1
            brush_faces = []
            continue
        if line.startswith("}"):
            if depth == 2 and len({content for _, content in brush_faces}) > 1:
                counts = {}
                for _, content in brush_faces:
                    if content != 0:
                        counts[content] = counts.get(content, 0) + 1
                new = max(counts, key=counts.get) if counts else brush_faces[0][1]
                log.write("mixed face contents -- new content %s\n" % flag_list(new, names["CONTENT"]))
                for index, _ in brush_faces:
                    points, texture, numbers = split_face(lines[index])
                    numbers[5] = new
                    lines[index] = face_line(points, texture, numbers)
            depth -= 1
            continue
        if depth != 2:
            continue
        face = split_face(line)
        if face is None:
            continue
        points, texture, numbers = face
        key = texture.lower().replace("\\", "/").strip("/")
        if key == "null":
            key, texture = "common/0_sky1", "common/0_sky1"
        if key not in textures:
            if key not in undefined:
                undefined.add(key)
                log.write("     %s\n" % key)
            brush_faces.append((i, numbers[5]))
            continue
        surface, content = textures[key]
        old_content = int(numbers[5]) & 0xFFFFFFFF
        content |= old_content & KEPT_CONTENT
        if numbers[6] != surface or numbers[5] != content:
            log.write("[%s] %s >> %s\n" % (key, flag_list(numbers[6], names["SURFACE"]),
                                            flag_list(surface, names["SURFACE"])))
            numbers[5], numbers[6] = content, surface
            lines[i] = face_line(points, texture, numbers)
        brush_faces.append((i, numbers[5]))
    log.close()
    write_map(map_path, lines)


if __name__ == "__main__":
    main()
