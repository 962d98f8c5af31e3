# The pictures draw the module's figures: the plotted data (not pixels) are
# those of the plain functions, irr_rates and the schedules.
import runpy
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import qelfin  # noqa: E402
import qelfin.plot  # noqa: E402

flows = [-100, 230, -132]


def test_npv_profile_marks_every_rate_and_the_irr():
    given = plt.figure().add_subplot()
    ax = qelfin.plot.npv_profile(1, flows, ax=given)
    assert ax is given
    x, y = ax.lines[0].get_data()
    assert np.array_equal(y, qelfin.npv(x, 1, flows, warnings=False)) and not np.isnan(y).any()
    marks = {c.get_gid(): c.get_offsets()[:, 0] for c in ax.collections}
    assert marks["rates"].tolist() == qelfin.irr_rates(1, flows).tolist()
    assert marks["irr"].tolist() == [qelfin.call("IRR", 1, *flows).value]
    assert x.min() < 10 and x.max() > 20


def test_schedule_and_depreciation_bars_are_the_schedules():
    ax = qelfin.plot.schedule(amount=1000, rate=0.01, periods=12, decimals=2)
    frame = qelfin.mort_schedule(amount=1000, rate=0.01, periods=12, decimals=2)
    for bars, column in zip(ax.containers, ["interest", "principal"]):
        assert [b.get_height() for b in bars] == frame[column].tolist()
    assert ax.right.lines[0].get_ydata().tolist() == frame["balance"].tolist()
    ax = qelfin.plot.depreciation(1000, 5, factor=2)
    for bars, method in zip(ax.containers, qelfin.plot.METHODS):
        factor = 2 if "DB" in method else None
        book = qelfin.depreciation_schedule(method, 1000, 5, factor)["book_value"]
        assert [b.get_height() for b in bars] == book.tolist(), method
    plt.close("all")


def test_the_readme_pictures_are_drawn(tmp_path):
    script = Path(__file__).resolve().parent.parent.parent / "scripts" / "pictures.py"
    for path in runpy.run_path(str(script))["main"](tmp_path):
        pixels = plt.imread(path)[:, :, :3]
        assert 0.01 < (pixels.sum(axis=2) < 2.5).mean() < 0.9, path  # something drawn, not all ink
