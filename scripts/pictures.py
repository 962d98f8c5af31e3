#!/usr/bin/env python3
"""Draws the README's pictures with qelfin.plot into a folder (docs/ by
default): npv_profile.png, loan_schedule.png, depreciation.png.  Run it with
the Python of build/python-venv, where the package is installed; the Python
tests run it too, into a temporary folder.

    build/python-venv/bin/python scripts/pictures.py docs
"""
import sys
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

import qelfin  # noqa: E402
import qelfin.plot  # noqa: E402

PICTURES = {
    "npv_profile.png": lambda: qelfin.plot.npv_profile(1, [-100, 230, -132]),
    "loan_schedule.png": lambda: qelfin.plot.schedule(amount=250000, payment=1300, rate=0.045 / 12, decimals=2),
    "depreciation.png": lambda: qelfin.plot.depreciation(50000, 10, factor=2),
}


def main(folder):
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    for name, draw in PICTURES.items():
        ax = draw()
        ax.figure.savefig(folder / name, dpi=80, metadata={"Software": None})
        plt.close(ax.figure)
    return [folder / name for name in PICTURES]


if __name__ == "__main__":
    for path in main(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "docs"):
        print(path)
