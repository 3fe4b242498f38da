#!/usr/bin/env python3
"""Fails when a source file includes a project header across the layers.

The layers follow the folder layout: common/ is the bottom and includes only
itself; the platform's stand-ins build on common/; the sink reaches the
platform only through the platform's interfaces (never a stand-in's
implementation); the setup program reaches the stand-ins through their
interfaces (setup/app, which wires them together, excepted) and neither the
sink nor the tools.
Tools, benchmarks and fuzz targets may include anything. No product file
includes a test double (in-memory and failing implementations, test support).

Every `#include "..."` line of every file git knows is checked; a quoted
include must name its header by its path from the repository root. Prints
one line per offending include and exits 1 when there is any.

Usage: tools/check-layers.py [REPOSITORY_ROOT]
"""

import os
import re
import subprocess
import sys

# The platform's interfaces, as the server defines them: the headers at
# platform/ itself, the component, event and messaging interfaces, and the
# data layer's record and stream that a store event hands over.
PLATFORM_INTERFACES = re.compile(
    r"^platform/([^/]+\.h|com/.*|events/.*|cdo/.*|ado/(Record|Stream|Variant)\.h)$"
)

ANY = re.compile(r".*")

# Set by check(): the repository being checked.
ROOT = "."


def under(*prefixes):
    return re.compile("^(" + "|".join(re.escape(p) for p in prefixes) + ")")


def stand_in_interface(header):
    """A stand-in's header with no implementation file of its own beside it:
    the interface (or plain values) a program reaches that stand-in through."""
    if not re.match(r"^platform/(store|complus|directory|host|metabase|smtp)/.*\.h$", header):
        return False
    return not os.path.exists(os.path.join(ROOT, header[: -len(".h")] + ".cc"))


# The setup program's window logic works with the data layer's objects and
# the control models themselves, and with every other stand-in through its
# interfaces (only setup/app, which wires the stand-ins together, sees them).
SETUP_PLATFORM = [
    under("common/", "setup/", "platform/com/", "platform/events/", "platform/cdo/"),
    under("platform/ado/", "platform/controls/"),
    re.compile(r"^platform/[^/]+\.h$"),
    stand_in_interface,
]

# Which headers the files under a folder may include; the longest matching
# folder decides.
LAYERS = {
    "common/": [under("common/")],
    "platform/": [under("common/", "platform/")],
    "sink/": [under("common/", "sink/"), PLATFORM_INTERFACES],
    "setup/": SETUP_PLATFORM,
    "setup/app/": [under("common/", "platform/", "setup/")],
    # Shared by both windows: the controls, and nothing of either window.
    "setup/ui/": [under("common/", "platform/controls/", "setup/ui/")],
    "tools/": [ANY],
    "bench/": [ANY],
    "fuzz/": [ANY],
}

# Tests may reach further than the code they test: they build the stand-ins
# that the code under test only sees through interfaces.
TEST_LAYERS = {
    "setup/": [under("common/", "platform/", "setup/")],
}

# Crossings that are true, each with its reason: (file pattern, header pattern, why).
EXCEPTIONS = [
    (
        r"^common/RuleLint\.cc$",
        r"^platform/smtp/PickupFileFormat\.h$",
        "the rule checks read a forward target exactly as the SMTP service reads an "
        "envelope address, so that they name the targets it would refuse",
    ),
    (
        r"^platform/controls/qt/\w+_test\.cc$",
        r"^setup/(main/InstallForm|rules/frmAddEdit)\.h$",
        "the Qt binding tests draw the setup program's two real forms",
    ),
    (
        r"^setup/.*_test(_support)?\.(cc|h)$",
        r"^tools/(exsim|quarvel-explain)/",
        "the setup program's tests stand up the simulated server and ask the dry run",
    ),
    (
        r"^setup/main/MainWindow\.cc$",
        r"^platform/(directory/DirectoryProvider|store/provider/StoreSession)\.h$",
        "the providers' names (kDirectoryProviderName, kStoreProviderName) are defined "
        "beside the providers, not in an interface header",
    ),
    (
        r"^setup/discovery/ServerPaths\.cc$",
        r"^platform/store/provider/ServerConfig\.h$",
        "the store's status and folder tree type values (kStoreMounted, kTreeMapi) are "
        "defined beside the server configuration, not in ManagementObjects.h",
    ),
]

TEST_DOUBLE = re.compile(
    r"(^|/)((Memory|InMemory|Failing|Fake|Scripted)[A-Z]\w*|ServerConfigDiscovery"
    r"|\w*_test_support|\w*TestSupport)\.(h|cc)$"
)
TEST_FILE = re.compile(r"(_test|_test_support|TestSupport|_bench|_fuzz)\.(cc|h)$")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def layer_of(path):
    best = None
    for folder in LAYERS:
        if path.startswith(folder) and (best is None or len(folder) > len(best)):
            best = folder
    return best


def is_test_code(path):
    return bool(TEST_FILE.search(path)) or bool(TEST_DOUBLE.search(path))


def excepted(path, header):
    return any(re.search(f, path) and re.search(h, header) for f, h, _ in EXCEPTIONS)


def source_files(root):
    """The C++ files git knows; outside a git checkout, those in the tree."""
    try:
        return subprocess.run(
            ["git", "-C", root, "ls-files", "*.h", "*.cc", "*.hpp", "*.cpp"],
            check=True,
            capture_output=True,
            text=True,
        ).stdout.split()
    except (OSError, subprocess.CalledProcessError):
        files = []
        for folder, subfolders, names in os.walk(root):
            # Build trees and hidden folders hold no sources of ours.
            subfolders[:] = [d for d in subfolders if not d.startswith(("build", "."))]
            relative = os.path.relpath(folder, root)
            for name in names:
                if name.endswith((".h", ".cc", ".hpp", ".cpp")):
                    files.append(os.path.normpath(os.path.join(relative, name)))
        return sorted(files)


def allowed(rule, header):
    return rule(header) if callable(rule) else bool(rule.search(header))


def check(root):
    global ROOT
    ROOT = root
    files = source_files(root)
    top_folders = {f.split("/")[0] + "/" for f in files if "/" in f}
    problems = []
    for path in files:
        layer = layer_of(path)
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
            for number, line in enumerate(source, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                header = match.group(1)
                where = f"{path}:{number}: {header}"
                if header.split("/")[0] + "/" not in top_folders:
                    problems.append(f"{where}: name the header by its path from the repository root")
                    continue
                if excepted(path, header):
                    continue
                if TEST_DOUBLE.search(header) and not is_test_code(path) and layer != "bench/":
                    problems.append(f"{where}: product code includes a test double")
                    continue
                rules = LAYERS.get(layer, [])
                if is_test_code(path):
                    rules = TEST_LAYERS.get(layer, rules)
                if layer and not any(allowed(rule, header) for rule in rules):
                    problems.append(f"{where}: {layer} may not include this header")
    return problems


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    problems = check(root)
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} include(s) across layers", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
