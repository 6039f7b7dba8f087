#!/usr/bin/env python3
"""Checks the layering of src/ and tools/: a folder includes only from itself and from the folders it links.

The allowed table is the build's own: the layer line and the DEPENDS of each tidewick_core_module in
src/CMakeLists.txt, and the target_link_libraries of the Qt layer (src/ui, src/app) and of tools/. Two checks:
  1. every DEPENDS points to a lower layer of the layer line (so the line and the links cannot drift apart);
  2. every '#include "room/..."' of a file names its own room or one its target links, directly or through
     another room.
Run from anywhere: python3 scripts/check_layers.py [SOURCE_DIR]. Exit status 0 when clean, 1 with a list of faults.
"""

import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def cmake_calls(text, function):
    """The argument lists of every call of function in a CMake text, comments removed."""
    text = re.sub(r"#[^\n]*", "", text)
    return [call.split() for call in re.findall(r"\b" + function + r"\s*\(([^)]*)\)", text)]


def layer_line(text):
    """The rooms of the layer comment ("Layering, lowest first (...): a <- b, c <- d."), as a room -> layer map."""
    match = re.search(r"#\s*Layering, lowest first[^:]*:((?:.|\n)*?)\.\s*\n", text)
    if not match:
        sys.exit("check_layers: src/CMakeLists.txt has no 'Layering, lowest first' line")
    line = re.sub(r"\n\s*#", " ", match.group(1))
    return {room.strip(): level for level, group in enumerate(line.split("<-")) for room in group.split(",")}


def room_of_target(name):
    """tidewick_ui_rules -> ui/rules, tidewick_core -> core; None for targets outside the rooms."""
    if not name.startswith("tidewick_"):
        return None
    return name[len("tidewick_"):].replace("_", "/")


def read_table(root):
    """Room -> rooms it links directly, and the room -> layer map."""
    top = (root / "src/CMakeLists.txt").read_text()
    layers = layer_line(top)
    links = {}
    for args in cmake_calls(top, "tidewick_core_module"):
        room, rest = args[0], args[1:]
        depends = rest[rest.index("DEPENDS") + 1:] if "DEPENDS" in rest else []
        links[room] = set(depends[: depends.index("LIBRARIES")] if "LIBRARIES" in depends else depends)
    # The interface library every core user links, and the targets defined by plain CMake.
    targets = {"core": "core", "ui": "ui", "app": "app", "tidewick-feed": "tools"}
    for folder in ("src", "src/ui", "src/app", "tools"):
        for args in cmake_calls((root / folder / "CMakeLists.txt").read_text(), "target_link_libraries"):
            owner = targets.get(room_of_target(args[0]) or args[0])
            if owner is None:
                continue
            linked = {room_of_target(arg) for arg in args[1:]} - {None}
            links.setdefault(owner, set()).update(linked)
    return links, layers


def reachable(room, links):
    seen, todo = set(), [room]
    while todo:
        for dep in links.get(todo.pop(), ()):
            if dep not in seen:
                seen.add(dep)
                todo.append(dep)
    return seen - {"core"}


def room_of_include(path, rooms):
    """"ui/rules/x.h" -> ui/rules, "ui/main/x.h" -> ui, "feeds/x.h" -> feeds; None for other includes."""
    parts = path.split("/")
    if len(parts) > 2 and "/".join(parts[:2]) in rooms:
        return "/".join(parts[:2])
    if len(parts) > 1 and parts[0] in rooms:
        return parts[0]
    return None


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    links, layers = read_table(root)
    faults = []
    for room, deps in sorted(links.items()):
        if room not in layers and room not in ("core", "tools"):
            faults.append(f"src/CMakeLists.txt: room {room} is missing from the layer line")
            continue
        for dep in sorted(deps - {"core"}):
            if room in layers and layers.get(dep, 99) >= layers[room]:
                faults.append(f"CMake: {room} links {dep}, which is not below it in the layer line")

    rooms = set(layers)
    folders = {room: [root / "src" / room] for room in rooms}
    folders["ui"] = [path for path in (root / "src/ui").iterdir() if path.is_dir() and path.name != "rules"]
    folders["tools"] = [root / "tools"]
    for room in sorted(rooms):
        if not (root / "src" / room).is_dir():
            faults.append(f"src/CMakeLists.txt: the layer line names {room}, which is no folder of src/")
    for folder in (root / "src").iterdir():
        if folder.is_dir() and folder.name not in rooms and folder.name != "ui":
            faults.append(f"src/{folder.name}: a folder that is missing from the layer line")
    for room, paths in sorted(folders.items()):
        allowed = reachable(room, links) | {room}
        if room == "tools":
            allowed -= {"ui", "ui/rules", "app"}  # the tool stands on the core alone
        for folder in paths:
            for source in sorted(folder.rglob("*")):
                if source.suffix not in (".h", ".cpp", ".in"):
                    continue
                for number, line in enumerate(source.read_text(errors="replace").splitlines(), 1):
                    match = INCLUDE.match(line)
                    included = match and room_of_include(match.group(1), rooms)
                    if included and included not in allowed:
                        where = source.relative_to(root)
                        faults.append(f"{where}:{number}: {room} includes {match.group(1)}, from a room it may not use")
    for fault in faults:
        print(fault)
    if faults:
        print(f"check_layers: {len(faults)} fault(s); allowed rooms follow src/CMakeLists.txt's layer line and links")
        return 1
    print(f"check_layers: {sum(len(p) for p in folders.values())} folders clean")
    return 0


if __name__ == "__main__":
    sys.exit(main())
