#!/usr/bin/env python3
"""Mutates the settings region of a package N times and runs the extractor
on each mutant, silently, with $DESTINATION$ fixed on the command line and
under a time limit. Reports the exit codes, crashes, hangs, processes left
running, and anything written in the scratch folder outside the
destination (the package's folder, the temporary folder and a neighbour
folder are snapshotted before and after each run). Exits with 1 when any
run crashed, hung or wrote outside; each such mutant is kept under
WORK/findings, named by its number, and --only NUMBER runs it again.

  tools/mutate_settings.py [-n N] [--seed S] [--jobs J] [--limit SECONDS]
                           [--work DIR] [--package PACKAGE] [--only NUMBER]

Without --package it builds one with oxpack (a few files, a command that
ends at once). Runs the extractor of the build tree that runs here
(build/bin), through build/wine-run and build/bin/guarded_run.exe.
"""
import argparse
import collections
import concurrent.futures
import os
import queue
import random
import re
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MARKER = b"\r\n$KORVANTE$\r\n"


def windows(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def settings_region(package):
    """(first byte after the marker line, first byte of the cabinet)."""
    at = package.find(MARKER)
    if at < 0:
        sys.exit("mutate_settings: the package holds no settings marker")
    start = at + len(MARKER)
    numbers = re.match(rb"(\d+)\r\n(\d+)\r\n(\d+)\r\n", package[start:])
    if not numbers:
        sys.exit("mutate_settings: the settings do not begin with three numbers")
    end = sum(int(n) for n in numbers.groups())
    if package[end:end + 4] != b"MSCF":
        sys.exit("mutate_settings: no cabinet where the settings say it begins")
    return start, end


def mutate(region, rng):
    """The region changed by one to four edits, and what they were."""
    data = bytearray(region)
    done = []
    # Half the edits go to the lines before the messages (numbers, texts,
    # destination, command, parameters, flags): the messages are most of
    # the region, yet a silent run hands few of them to the system.
    licence_end = region.find(b"\0$LUMBO$\0\r\n")
    head = len(region)
    if licence_end >= 0:
        head = licence_end
        for _ in range(8):
            head = region.find(b"\r\n", head) + 2
    for _ in range(rng.randint(1, 4)):
        kind = rng.choice(["byte", "bytes", "long", "long", "field", "cut", "line end", "number", "repeat"])
        at = rng.randrange(min(head, len(data)) + 1 if rng.random() < 0.5 else len(data) + 1)
        if kind == "byte" and data:
            at = min(at, len(data) - 1)
            data[at] = rng.randrange(256)
        elif kind == "bytes":
            data[at:at] = bytes(rng.randrange(256) for _ in range(rng.randint(1, 16)))
        elif kind == "long":
            # Fields of a few hundred to a few thousand characters: where
            # fixed buffers of the platform give way.
            data[at:at] = bytes([rng.choice(b"A\\.x\xff%")]) * rng.randint(200, 5000)
        elif kind == "field":
            # One of the lines before the messages replaced by a long text.
            lines = [0] + [i + 2 for i in range(min(head, len(data))) if data[i:i + 2] == b"\r\n"]
            at = rng.choice(lines)
            line_end = data.find(b"\r\n", at)
            data[at:line_end if line_end >= 0 else len(data)] = b"A" * rng.randint(200, 5000)
        elif kind == "cut":
            del data[at:at + rng.randint(1, 64)]
        elif kind == "line end":
            data[at:at] = rng.choice([b"\r", b"\n", b"\r\n", b"\x1a", b"\0"])
        elif kind == "number":
            data[at:at] = rng.choice([b"-1", b"0", b"2147483647", b"-2147483648", b"9223372036854775807",
                                      b"99999999999999999999"])
        elif kind == "repeat" and data:
            piece = data[at:at + rng.randint(1, 40)]
            data[at:at] = piece * rng.randint(2, 100)
        done.append("%s@%d" % (kind, at))
    # Half the mutants keep the cabinet where the settings say it is, so
    # that the run gets past the settings more often.
    if rng.random() < 0.5:
        numbers = re.match(rb"(\d+)\r\n(\d+)\r\n(\d+)\r\n", data)
        if numbers:
            # The block counts the marker line and the CR LF before it.
            fixed = len(MARKER) + len(data) - len(numbers.group(3))
            length = fixed
            while length != fixed + len(str(length)):
                length = fixed + len(str(length))
            data[numbers.start(3):numbers.end(3)] = str(length).encode()
            done.append("block length kept")
    return bytes(data), " ".join(done)


def snapshot(folder, skip):
    seen = {}
    for top, folders, files in os.walk(folder):
        if os.path.abspath(top) in skip:
            folders[:] = []
            continue
        for name in folders + files:
            path = os.path.join(top, name)
            if os.path.abspath(path) in skip:
                continue
            info = os.lstat(path)
            seen[os.path.relpath(path, folder)] = (info.st_size, info.st_mtime_ns, info.st_mode)
    return seen


class Runner:
    def __init__(self, args, build, package):
        self.args = args
        self.build = build
        self.package = package
        self.start, self.end = settings_region(package)

    def run(self, number, worker):
        rng = random.Random("%d/%d" % (self.args.seed, number))
        region, how = mutate(self.package[self.start:self.end], rng)
        mutant = self.package[:self.start] + region + self.package[self.end:]
        scratch = os.path.join(self.args.work, "scratch%d" % worker)
        folders = {name: os.path.join(scratch, name) for name in ("package", "dest", "temp", "neighbour")}
        for name in ("dest", "temp"):
            shutil.rmtree(folders[name], ignore_errors=True)
        for folder in folders.values():
            os.makedirs(folder, exist_ok=True)
        path = os.path.join(folders["package"], "mutant.exe")
        with open(path, "wb") as out:
            out.write(mutant)
        skip = {os.path.abspath(folders["dest"])}
        before = snapshot(scratch, skip)
        result = os.path.join(self.args.work, "result%d.txt" % worker)
        if os.path.exists(result):
            os.remove(result)
        command = [os.path.join(self.build, "wine-run"), os.path.join(self.build, "bin", "guarded_run.exe"),
                   windows(result), str(self.args.limit * 1000), windows(folders["temp"]), windows(path),
                   "$SILENT$", "$DESTINATION$=" + windows(folders["dest"])]
        # A runner that could not start the extractor, or wrote nothing (Wine
        # itself failing to start it), is tried once more; then its outcome
        # is reported as it is, never as the extractor's.
        for _ in range(2):
            try:
                subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, timeout=self.args.limit + 60, check=False)
                outcome = open(result).read().split() if os.path.exists(result) else ["noresult", "strays", "0"]
            except subprocess.TimeoutExpired:
                outcome = ["hang", "strays", "0"]
            if outcome[0] not in ("unstarted", "noresult"):
                break
        # The work folder of the run goes with the run: what stays in the
        # temporary folder counts as written outside.
        after = snapshot(scratch, skip)
        outside = sorted(name for name in set(before) | set(after)
                         if before.get(name) != after.get(name) and name != "result%d.txt" % worker)
        return number, how, outcome, outside, mutant


def own_package(build, work):
    payload = os.path.join(work, "payload")
    os.makedirs(os.path.join(payload, "sub"), exist_ok=True)
    with open(os.path.join(payload, "hello.txt"), "w") as out:
        out.write("hello\r\n")
    with open(os.path.join(payload, "sub", "data.bin"), "wb") as out:
        out.write(bytes(range(256)) * 64)
    shutil.copy(os.path.join(build, "bin", "guarded_run.exe"), os.path.join(payload, "run.exe"))
    package = os.path.join(work, "package.exe")
    subprocess.run([os.path.join(build, "wine-run"), os.path.join(build, "bin", "oxpack.exe"), "--quiet",
                    "--title", "Mutated", "--destination", windows(os.path.join(work, "never")),
                    "--command", "run.exe", "--completion", "Done",
                    "--folder", windows(payload), "--output", windows(package)],
                   check=True, stdin=subprocess.DEVNULL)
    return package


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("-n", type=int, default=100, help="mutations (default 100)")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--jobs", type=int, default=1, help="runs at once (default 1)")
    parser.add_argument("--limit", type=int, default=30, help="seconds a run may take (default 30)")
    parser.add_argument("--work", help="folder of its own (default BUILD/mutate-settings)")
    parser.add_argument("--package", help="the package to mutate (default: one built here)")
    parser.add_argument("--only", type=int, help="run this mutation number alone")
    args = parser.parse_args()
    build = os.environ.get("OX_BUILD", os.path.join(ROOT, "build"))
    args.work = os.path.abspath(args.work or os.path.join(build, "mutate-settings"))
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    package_path = args.package or own_package(build, args.work)
    with open(package_path, "rb") as source:
        runner = Runner(args, build, source.read())

    numbers = [args.only] if args.only is not None else range(args.n)
    codes = collections.Counter()
    findings = []
    # Each run at once has a scratch folder of its own.
    workers = queue.Queue()
    for worker in range(max(1, args.jobs)):
        workers.put(worker)

    def run(number):
        worker = workers.get()
        try:
            return runner.run(number, worker)
        finally:
            workers.put(worker)

    with concurrent.futures.ThreadPoolExecutor(max(1, args.jobs)) as pool:
        for result in pool.map(run, numbers):
            findings += tally(result, codes, args.work)

    total = sum(codes.values())
    print("mutate_settings: %d mutations of %d settings bytes, seed %d" % (total, runner.end - runner.start,
                                                                          args.seed))
    print("  exit codes: " + ", ".join("%s: %d" % item for item in sorted(codes.items())))
    for kind in ("crash", "hang", "strays", "outside"):
        print("  %s: %d" % (kind, sum(1 for finding in findings if finding[0] == kind)))
    for finding in sorted(findings, key=lambda f: f[1]):
        print("  %s #%d: %s (%s)" % finding)
    bad = [f for f in findings if f[0] != "strays"]
    return 1 if bad else 0


def tally(result, codes, work):
    number, how, outcome, outside, mutant = result
    found = []
    if outcome[0] == "exit":
        codes[outcome[1]] += 1
    else:
        codes[outcome[0]] += 1
        found.append((outcome[0], number, " ".join(outcome[1:-2]) or "no end within the limit", how))
    if outcome[-1] != "0":
        found.append(("strays", number, outcome[-1] + " processes left running", how))
    if outside:
        found.append(("outside", number, ", ".join(outside[:5]), how))
    if any(f[0] != "strays" for f in found):
        os.makedirs(os.path.join(work, "findings"), exist_ok=True)
        with open(os.path.join(work, "findings", "mutant%d.exe" % number), "wb") as out:
            out.write(mutant)
    return found


if __name__ == "__main__":
    sys.exit(main())
