"""autoplacer inside KiCad's board editor: an action plugin that places the open board."""

try:
    import wx
except ImportError:  # the install script, run by a Python without wxPython
    wx = None

# KiCad imports this package to load the plugin; tests and the install script
# import its modules with no wx application running, and nothing to register with.
if wx is not None and wx.GetApp() is not None:
    from .action import AutoplacerAction

    AutoplacerAction().register()
