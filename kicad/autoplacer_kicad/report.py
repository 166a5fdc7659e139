"""The message shown after a run, from the placer's report."""

from .options import STATISTICAL

_LISTED = 12  # names shown in a list before "and N more"


def _names(names):
    shown = ", ".join(names[:_LISTED])
    if len(names) > _LISTED:
        shown += " and %d more" % (len(names) - _LISTED)
    return shown


def summary(result, options):
    report = result.report
    before = report.get("before", {})
    after = report.get("after", {})
    placer = "statistical placer" if options.placer == STATISTICAL else "cluster placer"
    lines = ["Placed with the %s in %.1f s (%.1f s with copying and applying)."
             % (placer, report.get("seconds", 0.0), result.seconds)]
    if not report.get("legal", True):
        lines.append("NOT A LEGAL PLACEMENT: some parts are not fitted, outside the outline or overlapping.")
    lines.append("")
    lines.append("Connection length: %.1f mm before, %.1f mm after."
                 % (before.get("connection_length_mm", 0.0), after.get("connection_length_mm", 0.0)))
    lines.append("Footprints changed on the board: %d of %d (turned %d, to the other side %d)."
                 % (len(result.moved), report.get("components", 0), report.get("turned", 0),
                    report.get("flipped", 0)))
    not_fitted = result.not_fitted
    if not_fitted:
        lines.append("Not fitted (now selected): %d: %s." % (len(not_fitted), _names(not_fitted)))
    else:
        lines.append("Not fitted: none.")
    outside = list(report.get("outside_outline", []))
    if outside:
        lines.append("Outside the outline: %d: %s." % (len(outside), _names(outside)))
    overlapping = list(report.get("overlapping", []))
    if overlapping:
        pairs = ["%s/%s" % tuple(pair) for pair in overlapping]
        lines.append("Overlapping pairs: %d: %s." % (len(pairs), _names(pairs)))
    if result.unmatched:
        lines.append("Not in the placed board, left alone: %s." % _names(result.unmatched))
    lines.append("")
    lines.append("Edit > Undo takes the whole placement back.")
    return "\n".join(lines)
