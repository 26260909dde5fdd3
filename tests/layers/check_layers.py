#!/usr/bin/env python3
"""Keeps the calls of the extractor going one way: reads every #include
line under src/ and fails when a file includes a header of a layer above
its own, or of another folder of its own layer. With a second folder, the
builder's, it checks the builder's own layers (BUILDER_LAYERS) the same way,
and that it takes from src/ only the format core and the few extractor
headers it still shares (SHARED_WITH_BUILDER).

    check_layers.py SRC_FOLDER [BUILDER_FOLDER]

First it shows on made-up trees that it catches each kind of wrong
include, then it checks SRC_FOLDER (and BUILDER_FOLDER); the test "layers"
runs it.

A file may include headers of its own folder and of every layer below it.
The folders of one layer never include one another: they meet only in the
layers below (the progress dialog and the extraction run, for instance,
only through services/uUserInterface.h). A folder that is in no layer is an
error too, so that a new folder gets its place here first.
"""
import os
import re
import sys
import tempfile

# The layers, top first; "" is the root of src/.
LAYERS = [
    ("the main program and its start-up sequence", [""]),
    ("dialogs, cabinet engine, completion actions", ["ui", "cabinet", "actions"]),
    ("run state, reporting, progress, settings, work folder", ["services"]),
    ("path, file and text utilities", ["util"]),
    ("the pure format core, shared with the builder", ["format"]),
]

# The builder's layers, top first; "" is the root of its folder.
BUILDER_LAYERS = [
    ("the command line", [""]),
    ("package assembly", ["assembly"]),
    ("the builder's platform calls", ["platform"]),
]

# Headers of src/ the builder includes besides the format core: they move
# into the core in time, and no others may join them.
SHARED_WITH_BUILDER = ["services/uVersion.h", "cabinet/uCabCheck.h"]

# The builder's folder under src/, checked by check_builder.
BUILDER_FOLDER = "oxpack"

SOURCE_ENDINGS = (".h", ".hpp", ".c", ".cpp", ".rc")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def layer_of(folder, layers=LAYERS):
    for index, (_, folders) in enumerate(layers):
        if folder in folders:
            return index
    return None


def folder_of(relative_path):
    """The top-level folder of a path relative to src/, "" at the root."""
    parts = relative_path.replace("\\", "/").split("/")
    return parts[0] if len(parts) > 1 else ""


def resolve(source_root, including_file, kind, name):
    """The included file as a path relative to source_root, or None when it
    is not a file of the tree (a system header)."""
    candidates = [os.path.join(source_root, name)]
    if kind == '"':
        candidates.insert(0, os.path.join(os.path.dirname(including_file), name))
    root = os.path.realpath(source_root)
    for candidate in candidates:
        if os.path.isfile(candidate):
            real = os.path.realpath(candidate)
            if real.startswith(root + os.sep):
                return os.path.relpath(real, root)
            return ".."
    return None


def source_files(root):
    """Every source file below root, with its path relative to root."""
    for directory, _, names in sorted(os.walk(root)):
        for name in sorted(names):
            if name.endswith(SOURCE_ENDINGS):
                path = os.path.join(directory, name)
                yield path, os.path.relpath(path, root).replace("\\", "/")


def includes(path):
    """(line number, '"' or '<', name) of every #include of a file."""
    with open(path, encoding="latin-1") as text:
        for number, line in enumerate(text, 1):
            match = INCLUDE.match(line)
            if match:
                yield (number,) + match.groups()


def check(source_root, layers=LAYERS, skip=BUILDER_FOLDER):
    """Every wrong include as a line of text; empty when the tree is sound."""
    problems = []
    for path, relative in source_files(source_root):
        folder = folder_of(relative)
        if folder == skip:
            continue
        own = layer_of(folder, layers)
        if own is None:
            problems.append("%s: folder %s/ has no layer in %s" % (relative, folder, __file__))
            continue
        for number, kind, included in includes(path):
            target = resolve(source_root, path, kind, included)
            where = "%s:%d: includes %s" % (relative, number, included)
            if target is None:
                if kind == '"':
                    problems.append(where + ", which is no file of the tree")
                continue
            if target == "..":
                problems.append(where + ", which lies outside the tree")
                continue
            target_folder = folder_of(target)
            theirs = layer_of(target_folder, layers)
            if target_folder == folder or (theirs is not None and theirs > own):
                continue
            if theirs is None:
                problems.append(where + ", from folder %s/, which has no layer" % target_folder)
            elif theirs == own:
                problems.append(where + ": %s/ and %s/ share a layer and never include one another"
                                % (folder or "src", target_folder or "src"))
            else:
                problems.append(where + ", a header of a higher layer (%s)" % layers[theirs][0])
    return problems


def check_builder(builder_root, source_root):
    """Every include of the builder that leaves its folder and is neither
    the format core nor a shared header, and every include against the
    builder's own layers, as a line of text. Its files include one another
    by bare name (their folders are on the include path), so a bare name is
    looked up in the layers' folders too."""
    problems = []
    folders = [os.path.join(builder_root, f) for _, layer in BUILDER_LAYERS for f in layer]
    for path, relative in source_files(builder_root):
        for number, kind, included in includes(path):
            if kind == '"' and os.path.isfile(os.path.join(os.path.dirname(path), included)):
                continue
            own = layer_of(folder_of(relative), BUILDER_LAYERS)
            home = next((f for f in folders if os.path.isfile(os.path.join(f, included))), None)
            if own is None:
                problems.append("%s: folder %s/ has no layer in %s" % (relative, folder_of(relative), __file__))
                break
            if home is not None:
                theirs = layer_of(folder_of(os.path.relpath(os.path.join(home, included), builder_root)),
                                  BUILDER_LAYERS)
                if theirs < own:
                    problems.append("%s:%d: includes %s, a header of a higher layer (%s)"
                                    % (relative, number, included, BUILDER_LAYERS[theirs][0]))
                continue
            target = resolve(source_root, path, "<", included)
            if target is None or target == "..":
                continue
            target = target.replace("\\", "/")
            if folder_of(target) != "format" and target not in SHARED_WITH_BUILDER:
                problems.append("%s:%d: includes %s, an extractor header the builder does not share"
                                % (relative, number, included))
    return problems


def self_test():
    """Builds a sound tree, then spoils it one include at a time; each spoilt
    tree must be refused, naming the spoilt file."""
    sound = {
        "oxtarn.cpp": '#include "ui/uDialog.h"\n#include "cabinet/uRun.h"\n#include <windows.h>\n',
        "ui/uDialog.h": '#include "services/uState.h"\n',
        "ui/uDialog.cpp": '#include "ui/uDialog.h"\n#include "uLocal.h"\n#include "util/mPath.h"\n',
        "ui/uLocal.h": "",
        "ui/res.rc": '#include "uLocal.h"\n',
        "cabinet/uRun.h": '#include <services/uState.h>\n',
        "actions/uAct.h": "",
        "services/uState.h": '#include "util/mPath.h"\n',
        "util/mPath.h": '#include "format/uRule.h"\n',
        "format/uRule.h": "#include <string>\n",
        "format/uRule.cpp": '#include "uRule.h"\n',
        "services/uVersion.h": "",
    }
    spoilt = [
        ("services/uBad.cpp", '#include "cabinet/uRun.h"\n'),      # upward
        ("util/mBad.cpp", "#include <services/uState.h>\n"),        # upward, angle form
        ("ui/uPeer.cpp", '#include "cabinet/uRun.h"\n'),            # same layer
        ("actions/uPeer.cpp", '  #  include "ui/uDialog.h"\n'),     # same layer, spaced
        ("services/uTop.h", '#include "../oxtarn.cpp"\n'),          # the top, by a relative path
        ("extra/uNew.cpp", '#include "util/mPath.h"\n'),            # folder without a layer
        ("cabinet/uLost.cpp", '#include "cabinet/uGone.h"\n'),      # no such header
        ("format/uBad.cpp", '#include "util/mPath.h"\n'),          # the bottom layer, upward
    ]
    builder_sound = {
        "uCommand.cpp": '#include "uPack.h"\n#include "mFiles.h"\n',
        "uCommand.h": "",
        "assembly/uPack.h": '#include "format/uRule.h"\n#include "services/uVersion.h"\n',
        "assembly/uPack.cpp": '#include "uPack.h"\n#include "mFiles.h"\n',
        "platform/mFiles.h": "",
        "platform/mFiles.cpp": '#include "mFiles.h"\n#include <windows.h>\n',
    }
    builder_spoilt = [
        ("uBad.cpp", '#include "ui/uDialog.h"\n'),                  # a dialog of the extractor
        ("uWorse.cpp", '#include <services/uState.h>\n'),          # unshared, angle form
        ("assembly/uUp.cpp", '#include "uCommand.h"\n'),           # assembly above itself
        ("platform/mUp.cpp", '#include "uPack.h"\n'),              # platform calling assembly
        ("extra/uNew.cpp", '#include "mFiles.h"\n'),               # folder without a layer
    ]
    failures = []
    with tempfile.TemporaryDirectory() as top:
        source, builder = os.path.join(top, "src"), os.path.join(top, "builder")
        failures += spoil_one_by_one(source, sound, spoilt, lambda: check(source))
        failures += spoil_one_by_one(builder, builder_sound, builder_spoilt, lambda: check_builder(builder, source))
    return failures


def write(root, path, body):
    full = os.path.join(root, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "w") as out:
        out.write(body)
    return full


def spoil_one_by_one(root, sound, spoilt, run):
    """The sound tree must pass; with each spoilt file added alone, run must
    complain once, about that file."""
    for path, body in sound.items():
        write(root, path, body)
    found = run()
    failures = ["sound tree %s refused: %s" % (root, found)] if found else []
    for path, body in spoilt:
        full = write(root, path, body)
        found = run()
        if len(found) != 1 or not found[0].startswith(path + ":"):
            failures.append("%s: expected one complaint about it, got %s" % (path, found))
        os.remove(full)
    return failures


def main():
    if len(sys.argv) not in (2, 3):
        print(__doc__)
        return 2
    failures = self_test()
    for failure in failures:
        print("self-test: " + failure)
    if failures:
        return 1
    problems = check(sys.argv[1])
    if len(sys.argv) == 3:
        problems += check_builder(sys.argv[2], sys.argv[1])
    for problem in problems:
        print(problem)
    if problems:
        print("%d include(s) against the layers" % len(problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
