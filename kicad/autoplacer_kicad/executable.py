"""Finding the `autoplacer` executable: the path the user set once, else PATH."""

import json
import os
import shutil

# Overrides everything (tests, or a user with several builds).
ENVIRONMENT_VARIABLE = "AUTOPLACER_EXECUTABLE"


class ExecutableNotFound(Exception):
    pass


def config_path():
    """The file that keeps the path the user set, outside KiCad's folders so a reinstall keeps it."""
    base = os.environ.get("XDG_CONFIG_HOME") or os.path.join(os.path.expanduser("~"), ".config")
    return os.path.join(base, "autoplacer", "kicad-plugin.json")


def stored_path():
    try:
        with open(config_path(), encoding="utf-8") as f:
            value = json.load(f).get("autoplacer", "")
    except (OSError, ValueError, AttributeError):
        return ""
    return value if isinstance(value, str) else ""


def store_path(path):
    """Remembers the executable for every later run."""
    target = config_path()
    os.makedirs(os.path.dirname(target), exist_ok=True)
    with open(target, "w", encoding="utf-8") as f:
        json.dump({"autoplacer": os.path.abspath(path)}, f, indent=2)
        f.write("\n")


def _runnable(path):
    return bool(path) and os.path.isfile(path) and os.access(path, os.X_OK)


def find_executable():
    """The executable to run; ExecutableNotFound saying where it was looked for otherwise."""
    from_environment = os.environ.get(ENVIRONMENT_VARIABLE, "")
    if from_environment:
        if _runnable(from_environment):
            return from_environment
        raise ExecutableNotFound("%s is set to %s, which is not an executable file"
                                 % (ENVIRONMENT_VARIABLE, from_environment))
    stored = stored_path()
    if stored:
        if _runnable(stored):
            return stored
        raise ExecutableNotFound(
            "the autoplacer set in %s (%s) is not an executable file any more; set it again in the "
            "plugin's dialog or with the install script's --autoplacer option" % (config_path(), stored))
    on_path = shutil.which("autoplacer")
    if on_path:
        return on_path
    raise ExecutableNotFound(
        "the autoplacer executable was not found: it is not on PATH and no path is set. Give its path "
        "in the plugin's dialog, or run the install script with --autoplacer /path/to/autoplacer.")
