"""The toolbar button: the options dialog, the run with its progress and Stop, the report."""

import os
import time

import pcbnew
import wx

from . import board as boards
from .dialog import PlaceDialog
from .executable import ExecutableNotFound, find_executable, store_path
from .place import PlaceFailed, PlaceStopped, place_board
from .report import summary

_TITLE = "Autoplacer"
_GAUGE = 1000
_REFRESH_SECONDS = 0.1  # how often the progress window answers clicks between progress lines


class _Progress:
    """The progress window: placer phases on its gauge, its Stop button asked while the placer runs."""

    def __init__(self, parent):
        self.dialog = wx.ProgressDialog(
            _TITLE, "Starting the placer ...", maximum=_GAUGE, parent=parent,
            style=wx.PD_APP_MODAL | wx.PD_CAN_ABORT | wx.PD_ELAPSED_TIME | wx.PD_AUTO_HIDE)
        self.stop = False
        self.value = 0
        self.text = ""
        self.last = 0.0

    def _update(self, text=None):
        keep_going, _ = self.dialog.Update(self.value, text if text is not None else self.text)
        self.stop = self.stop or not keep_going
        self.last = time.monotonic()

    def on_progress(self, done, total, phase):
        self.value = min(_GAUGE - 1, done * _GAUGE // total) if total > 0 else 0
        self.text = "%s  %d/%d" % (phase, done, total) if total > 0 else phase
        self._update(self.text)

    def should_stop(self):
        if not self.stop and time.monotonic() - self.last >= _REFRESH_SECONDS:
            self._update()
        return self.stop

    def close(self):
        self.dialog.Destroy()


class AutoplacerAction(pcbnew.ActionPlugin):
    def defaults(self):
        self.name = "Autoplacer: place footprints"
        self.category = "Placement"
        self.description = "Place the footprints of the board (or the selected ones) with autoplacer"
        self.show_toolbar_button = True
        self.icon_file_name = os.path.join(os.path.dirname(__file__), "icon.png")

    def Run(self):
        board = pcbnew.GetBoard()
        parent = wx.FindWindowByName("PcbFrame")
        try:
            executable, problem = find_executable(), ""
        except ExecutableNotFound as error:
            executable, problem = "", str(error)
        any_selected = any(f.IsSelected() for f in boards.footprints(board))
        dialog = PlaceDialog(parent, executable, problem, any_selected)
        try:
            if dialog.ShowModal() != wx.ID_OK:
                return
            options = dialog.options()
            chosen = dialog.executable_path()
        finally:
            dialog.Destroy()
        if chosen and chosen != executable:
            if not (os.path.isfile(chosen) and os.access(chosen, os.X_OK)):
                wx.MessageBox("%s is not an executable file; nothing was changed." % chosen, _TITLE,
                              wx.OK | wx.ICON_ERROR, parent)
                return
            store_path(chosen)  # set once: later runs find it without asking
        executable = chosen or None

        progress = _Progress(parent)
        try:
            result = place_board(board, options, executable, progress.on_progress, progress.should_stop)
        except PlaceStopped:
            progress.close()
            wx.MessageBox("Placement stopped; the board was not changed.", _TITLE, wx.OK | wx.ICON_INFORMATION,
                          parent)
            return
        except PlaceFailed as error:
            progress.close()
            wx.MessageBox("The board was not changed:\n\n%s" % error, _TITLE, wx.OK | wx.ICON_ERROR, parent)
            return
        progress.close()
        pcbnew.Refresh()
        wx.MessageBox(summary(result, options), _TITLE, wx.OK | wx.ICON_INFORMATION, parent)
