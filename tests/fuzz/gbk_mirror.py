#!/usr/bin/python3
"""Copies the sources the fuzz build needs into a mirror in which every
non-ASCII character of a C++ file is written as GBK octal escapes.

clang accepts no execution character set but UTF-8, while the program's
literals must be GBK bytes at run time; escapes give clang those bytes.
Files are rewritten only when their content changes, so make stays
incremental."""

import pathlib
import shutil
import sys

ENTRIES = ["CMakeLists.txt", "cmake", "host", "install", "startup", "maintenance", "app",
           "tests/support", "tests/fuzz"]
CPP_SUFFIXES = {".cpp", ".h", ".hpp", ".inc"}


def escape_non_ascii(source: str) -> str:
    out = []
    for char in source:
        if ord(char) < 0x80:
            out.append(char)
            continue
        try:
            encoded = char.encode("gbk")
        except UnicodeEncodeError:
            encoded = char.encode("utf-8")
        out.append("".join("\\%03o" % byte for byte in encoded))
    return "".join(out)


def mirror_file(source: pathlib.Path, target: pathlib.Path) -> None:
    data = source.read_bytes()
    if source.suffix in CPP_SUFFIXES:
        data = escape_non_ascii(data.decode("utf-8")).encode("ascii")
    if target.exists() and target.read_bytes() == data:
        return
    target.parent.mkdir(parents=True, exist_ok=True)
    target.write_bytes(data)
    shutil.copymode(source, target)


def main() -> int:
    if len(sys.argv) != 3:
        print("usage: gbk_mirror.py SOURCE_ROOT MIRROR_ROOT", file=sys.stderr)
        return 2
    root, mirror = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    wanted = set()
    for entry in ENTRIES:
        path = root / entry
        files = [path] if path.is_file() else [p for p in path.rglob("*") if p.is_file()]
        for source in files:
            if "__pycache__" in source.parts:
                continue
            relative = source.relative_to(root)
            wanted.add(relative)
            mirror_file(source, mirror / relative)
    # Files deleted from the tree must not linger in the mirror's globs.
    for stale in [p for p in mirror.rglob("*") if p.is_file()]:
        if stale.relative_to(mirror) not in wanted:
            stale.unlink()
    return 0


if __name__ == "__main__":
    sys.exit(main())
