#!/usr/bin/env python3
"""Installs the autoplacer action plugin into KiCad's user plugin folder (KiCad 6 and later).

    python3 kicad/install.py                         # every KiCad version set up for this user
    python3 kicad/install.py --kicad 8.0             # one version (the folder is created)
    python3 kicad/install.py --autoplacer build/bin/autoplacer   # also set the executable once
    python3 kicad/install.py --plugins-dir DIR       # any other folder
    python3 kicad/install.py --uninstall
"""

import argparse
import os
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
PACKAGE = "autoplacer_kicad"
VERSIONS = ("6.0", "7.0", "8.0", "9.0")

sys.path.insert(0, HERE)
from autoplacer_kicad.executable import ExecutableNotFound, config_path, find_executable, store_path  # noqa: E402


def kicad_user_folder(version):
    """KiCad's per-user documents folder for a version: its scripting/plugins holds action plugins."""
    home = os.path.expanduser("~")
    if sys.platform.startswith("win"):
        return os.path.join(os.environ.get("USERPROFILE", home), "Documents", "KiCad", version)
    if sys.platform == "darwin":
        return os.path.join(home, "Documents", "KiCad", version)
    data = os.environ.get("XDG_DATA_HOME") or os.path.join(home, ".local", "share")
    return os.path.join(data, "kicad", version)


def plugin_folder(version):
    return os.path.join(kicad_user_folder(version), "scripting", "plugins")


def install_into(folder):
    target = os.path.join(folder, PACKAGE)
    os.makedirs(folder, exist_ok=True)
    if os.path.isdir(target):
        shutil.rmtree(target)
    shutil.copytree(os.path.join(HERE, PACKAGE), target, ignore=shutil.ignore_patterns("__pycache__"))
    return target


def main():
    parser = argparse.ArgumentParser(description="Install the autoplacer action plugin into KiCad")
    parser.add_argument("--kicad", action="append", choices=VERSIONS, metavar="VERSION",
                        help="KiCad version (%s); default: each one set up for this user" % ", ".join(VERSIONS))
    parser.add_argument("--plugins-dir", help="install into this folder instead")
    parser.add_argument("--autoplacer", help="the autoplacer executable, remembered for every run")
    parser.add_argument("--uninstall", action="store_true", help="remove the plugin instead")
    args = parser.parse_args()
    if args.autoplacer and not (os.path.isfile(args.autoplacer) and os.access(args.autoplacer, os.X_OK)):
        print("install: %s is not an executable file; nothing installed" % args.autoplacer, file=sys.stderr)
        return 1

    if args.plugins_dir:
        folders = [args.plugins_dir]
    elif args.kicad:
        folders = [plugin_folder(v) for v in args.kicad]
    else:
        folders = [plugin_folder(v) for v in VERSIONS if os.path.isdir(kicad_user_folder(v))]
        if not folders:
            print("install: no KiCad 6 or later set up for this user (none of %s); start KiCad once or "
                  "give --kicad VERSION" % ", ".join(kicad_user_folder(v) for v in VERSIONS), file=sys.stderr)
            return 1

    for folder in folders:
        target = os.path.join(folder, PACKAGE)
        if args.uninstall:
            if os.path.isdir(target):
                shutil.rmtree(target)
                print("removed %s" % target)
            continue
        print("installed %s" % install_into(folder))
    if args.uninstall:
        return 0

    if args.autoplacer:
        store_path(args.autoplacer)
        print("autoplacer: %s (kept in %s)" % (os.path.abspath(args.autoplacer), config_path()))
    else:
        try:
            print("autoplacer: %s" % find_executable())
        except ExecutableNotFound as error:
            print("note: %s" % error)
    print("Restart KiCad's board editor (or Tools > External Plugins > Refresh Plugins) to see the button.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
