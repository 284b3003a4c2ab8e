"""A copy of the project's source tree for tests that change or build it.

Only the sources are copied: in a git checkout, the files git tracks (a new
file counts once it is added), never a build folder, whatever its name, nor
the test's own scratch folders when they lie inside the tree.
"""

import os
import shutil
import subprocess


def _listed_files(source):
    """The tree's source files relative to `source`, or None when git cannot
    list them (not a checkout, or no git)."""
    try:
        listed = subprocess.run(["git", "-C", source, "ls-files", "-z", "--cached"],
                                capture_output=True, timeout=60)
    except (OSError, subprocess.TimeoutExpired):
        return None
    if listed.returncode != 0:
        return None
    return sorted({name for name in listed.stdout.decode("utf-8", "surrogateescape").split("\0") if name})


def copy_source_tree(source, destination):
    """Copies the sources of `source` into the new folder `destination`,
    links as links and modes kept."""
    names = _listed_files(source)
    if names is None:
        # Not a checkout (an unpacked archive, say): everything but the
        # build folders the README's commands make and git's own folder.
        shutil.copytree(source, destination, symlinks=True,
                        ignore=lambda folder, entries: [n for n in entries if os.path.samefile(folder, source)
                                                        and (n.startswith("build") or n == ".git")])
        return
    os.makedirs(destination)
    for name in names:
        origin = os.path.join(source, name)
        if not os.path.lexists(origin):
            continue  # deleted in the working tree, not yet in git
        target = os.path.join(destination, name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        if os.path.islink(origin):
            os.symlink(os.readlink(origin), target)
        else:
            shutil.copy2(origin, target)
