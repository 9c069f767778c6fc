#!/usr/bin/env python3
"""Sorts the errors of a memcheck XML log into ours and the system libraries'.

Usage: memcheck-report.py MEMCHECK_XML SOURCE_ROOT PROGRAM

An error is ours when the first frame of its stack outside the C library and
valgrind's own replacements (memcpy, malloc, ...) is in the program binary
(all our libraries are linked into it statically) or in a file under
SOURCE_ROOT. A use of an uninitialised value is ours as well when the value
was created in our code, wherever it was then used. Exits 1 when any error
is ours."""
import collections
import os
import sys
import xml.etree.ElementTree as ET

ALLOCATORS = ("malloc", "calloc", "realloc", "memalign", "posix_memalign",
              "aligned_alloc", "operator new", "operator new[]")


def frames(stack):
    return [{
        "obj": frame.findtext("obj") or "",
        "fn": frame.findtext("fn") or "??",
        "dir": frame.findtext("dir") or "",
        "file": frame.findtext("file") or "",
        "line": frame.findtext("line") or "",
    } for frame in stack.findall("frame")]


def outside_runtime(frame):
    obj = os.path.basename(frame["obj"])
    return not (obj.startswith("vgpreload_") or obj.startswith("libc.so")
                or obj.startswith("ld-linux") or obj.startswith("libc-"))


def is_ours(frame, root, program):
    path = os.path.join(frame["dir"], frame["file"]) if frame["file"] else ""
    return frame["obj"] == program or path.startswith(root + os.sep)


def deciding_frame(stack, skip_allocators=False):
    for frame in stack:
        if not outside_runtime(frame):
            continue
        if skip_allocators and frame["fn"].startswith(ALLOCATORS):
            continue
        return frame
    return None


def describe(frame):
    where = f"{frame['file']}:{frame['line']}" if frame["file"] else os.path.basename(frame["obj"])
    return f"{frame['fn']} ({where})"


def main():
    xml_path, root, program = sys.argv[1], os.path.realpath(sys.argv[2]), os.path.realpath(sys.argv[3])
    tree = ET.parse(xml_path)
    counts = {}
    for pair in tree.getroot().iter("pair"):
        counts[pair.findtext("unique")] = int(pair.findtext("count"))

    ours, theirs = [], []
    for error in tree.getroot().findall("error"):
        kind = error.findtext("kind")
        if kind.startswith("Leak_"):
            continue  # leaks are LeakSanitizer's to report
        what = error.findtext("what") or (error.find("xwhat").findtext("text") if error.find("xwhat") is not None else "")
        stacks = [frames(stack) for stack in error.findall("stack")]
        top = deciding_frame(stacks[0]) if stacks else None
        mine = top is not None and is_ours(top, root, program)
        if not mine and kind.startswith("Uninit") and len(stacks) > 1:
            origin = deciding_frame(stacks[1], skip_allocators=True)
            mine = origin is not None and is_ours(origin, root, program)
        aux = error.findtext("auxwhat") or (error.find("xauxwhat").findtext("text")
                                            if error.find("xauxwhat") is not None else "")
        entry = (kind, what, counts.get(error.findtext("unique"), 1), stacks, aux)
        (ours if mine else theirs).append(entry)

    def total(entries):
        return sum(entry[2] for entry in entries)

    def listing(title, entries):
        print(f"{title}: {total(entries)} error(s), {len(entries)} distinct")
        by_kind = collections.Counter()
        for kind, _, count, _, _ in entries:
            by_kind[kind] += count
        for kind, count in sorted(by_kind.items()):
            print(f"  {kind}: {count}")
        for kind, what, count, stacks, aux in entries:
            print(f"  - {kind} x{count}: {what}")
            for frame in stacks[0][:8] if stacks else []:
                print(f"      at {describe(frame)}")
            if len(stacks) > 1:
                print(f"      {aux}:")
                for frame in stacks[1][:6]:
                    print(f"      at {describe(frame)}")

    suppressed = sum(int(pair.findtext("count")) for pair in tree.getroot().iter("pair")
                     if pair.find("name") is not None)
    listing("memcheck, errors in our code", ours)
    listing("memcheck, errors inside system libraries only (not failures)", theirs)
    print(f"memcheck, suppressed as known system-library noise: {suppressed}")
    return 1 if ours else 0


if __name__ == "__main__":
    sys.exit(main())
