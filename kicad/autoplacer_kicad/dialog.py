"""The options dialog: placer, grid, threshold, the five weights, only the selected footprints."""

import wx

from . import options as opts


class PlaceDialog(wx.Dialog):
    def __init__(self, parent, executable, executable_problem, any_selected):
        super().__init__(parent, title="Autoplacer: place footprints",
                         style=wx.DEFAULT_DIALOG_STYLE | wx.RESIZE_BORDER)
        sizer = wx.BoxSizer(wx.VERTICAL)

        self.placer = wx.RadioBox(self, label="Placer", choices=["Cluster placer", "Statistical placer"],
                                  majorDimension=1, style=wx.RA_SPECIFY_ROWS)
        self.placer.Bind(wx.EVT_RADIOBOX, lambda _event: self._enable_cluster_options())
        sizer.Add(self.placer, 0, wx.EXPAND | wx.ALL, 8)

        cluster = wx.StaticBoxSizer(wx.VERTICAL, self, "Cluster placer options")
        grid = wx.FlexGridSizer(cols=2, vgap=4, hgap=8)
        grid.AddGrowableCol(1)
        self.grid = wx.TextCtrl(self, value=opts.DEFAULT_GRID)
        self.grid.SetToolTip("With its unit: 25mil, 0.5mm (1 mil to 1000 mil)")
        self.threshold = wx.SpinCtrl(self, min=0, max=opts.MAX_THRESHOLD, initial=opts.DEFAULT_THRESHOLD)
        self.threshold.SetToolTip("Pairs scoring at least this much are clustered together (0 to 105)")
        self._add_row(grid, "Grid", self.grid)
        self._add_row(grid, "Clustering threshold", self.threshold)
        self.weights = {}
        for attribute, label, _ in opts.WEIGHTS:
            control = wx.SpinCtrl(self, min=0, max=opts.MAX_WEIGHT, initial=opts.DEFAULT_WEIGHT)
            self.weights[attribute] = control
            self._add_row(grid, "Weight: " + label.lower(), control)
        cluster.Add(grid, 0, wx.EXPAND | wx.ALL, 4)
        self.defaults = wx.Button(self, label="Defaults")
        self.defaults.Bind(wx.EVT_BUTTON, lambda _event: self._set_defaults())
        cluster.Add(self.defaults, 0, wx.ALIGN_RIGHT | wx.ALL, 4)
        sizer.Add(cluster, 0, wx.EXPAND | wx.LEFT | wx.RIGHT, 8)

        self.selected_only = wx.CheckBox(self, label="Only the selected footprints (the others stay where they are)")
        self.selected_only.SetValue(any_selected)
        self.selected_only.Enable(any_selected)
        sizer.Add(self.selected_only, 0, wx.ALL, 8)

        where = wx.StaticBoxSizer(wx.VERTICAL, self, "autoplacer executable")
        row = wx.BoxSizer(wx.HORIZONTAL)
        self.executable = wx.TextCtrl(self, value=executable or "")
        browse = wx.Button(self, label="Browse...")
        browse.Bind(wx.EVT_BUTTON, lambda _event: self._browse())
        row.Add(self.executable, 1, wx.EXPAND | wx.RIGHT, 4)
        row.Add(browse, 0)
        where.Add(row, 0, wx.EXPAND | wx.ALL, 4)
        if executable_problem:
            note = wx.StaticText(self, label=executable_problem)
            note.Wrap(440)
            note.SetForegroundColour(wx.Colour(160, 0, 0))
            where.Add(note, 0, wx.ALL, 4)
        sizer.Add(where, 0, wx.EXPAND | wx.LEFT | wx.RIGHT, 8)

        buttons = wx.StdDialogButtonSizer()
        place = wx.Button(self, wx.ID_OK, "Place")
        place.SetDefault()
        buttons.AddButton(place)
        buttons.AddButton(wx.Button(self, wx.ID_CANCEL))
        buttons.Realize()
        sizer.Add(buttons, 0, wx.EXPAND | wx.ALL, 8)
        self.SetSizerAndFit(sizer)

    def _add_row(self, grid, label, control):
        grid.Add(wx.StaticText(self, label=label), 0, wx.ALIGN_CENTER_VERTICAL)
        grid.Add(control, 1, wx.EXPAND)

    def _enable_cluster_options(self):
        cluster = self.placer.GetSelection() == 0
        for control in [self.grid, self.threshold, self.defaults] + list(self.weights.values()):
            control.Enable(cluster)

    def _browse(self):
        with wx.FileDialog(self, "The autoplacer executable", style=wx.FD_OPEN | wx.FD_FILE_MUST_EXIST) as chooser:
            if chooser.ShowModal() == wx.ID_OK:
                self.executable.SetValue(chooser.GetPath())

    def _set_defaults(self):
        self.grid.SetValue(opts.DEFAULT_GRID)
        self.threshold.SetValue(opts.DEFAULT_THRESHOLD)
        for control in self.weights.values():
            control.SetValue(opts.DEFAULT_WEIGHT)

    def options(self):
        chosen = opts.PlaceOptions(
            placer=opts.CLUSTER if self.placer.GetSelection() == 0 else opts.STATISTICAL,
            grid=self.grid.GetValue(),
            threshold=self.threshold.GetValue(),
            selected_only=self.selected_only.IsEnabled() and self.selected_only.GetValue())
        for attribute, control in self.weights.items():
            setattr(chosen, attribute, control.GetValue())
        return chosen

    def executable_path(self):
        return self.executable.GetValue().strip()
