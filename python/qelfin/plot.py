"""Pictures of the module's figures with matplotlib (Debian python3-matplotlib;
imported when a picture is drawn, not with qelfin).  Each function draws into
the Axes given as ax=, or into a new figure, and returns the Axes.

    >>> qelfin.plot.npv_profile(1, [-100, 230, -132])          # NPV against the rate, 10 % and 20 % marked
    >>> qelfin.plot.schedule(amount=250000, rate=0.045 / 12, periods=360)
    >>> qelfin.plot.depreciation(50000, 10, factor=2)          # book value under each method
"""
import numpy as np

from . import _schedules

METHODS = ("SL", "SYD", "DB", "DBSL")


def _axes(ax):
    if ax is not None:
        return ax
    import matplotlib.pyplot as plt

    return plt.figure(figsize=(8, 4.5)).add_subplot()


def _rate_range(rates):
    """Rates in percent to draw over: every rate marked, with room around
    them, from 0 unless a rate is negative (the module's NPV takes no
    negative rate: the line has a gap there, the rates are marked)."""
    low, high = min(list(rates) + [0.0]), max(list(rates) + [10.0])
    room = max((high - low) * 0.25, 5.0)
    return (0.0 if low >= 0 else max(low - room, -99.0)), high + room


def npv_profile(freq, flows, *, rates=None, points=401, ax=None):
    """The net present value (the module's NPV) against the rate in percent
    per base period, with the zero line; every rate where the NPV changes
    sign (qelfin.irr_rates) marked with a dot and labelled, the module's IRR
    circled.  rates: the (low, high) range to draw, by default around the
    rates found.  The NPV line is ax.lines[0]; the marks are the collection
    with gid "rates" (the IRR's "irr")."""
    import qelfin

    flows = np.asarray(flows, dtype=float)
    found = _schedules.irr_rates(freq, flows)
    irr = qelfin.irr(freq, flows, warnings=False)  # every rate is drawn: no warning needed
    low, high = rates if rates is not None else _rate_range(list(found) + ([] if np.isnan(irr) else [irr]))
    grid = np.linspace(low, high, points)
    ax = _axes(ax)
    ax.plot(grid, qelfin.npv(grid, freq, flows, warnings=False), color="tab:blue", label="net present value")
    ax.axhline(0, color="0.4", linewidth=0.8)
    ax.scatter(found, np.zeros(len(found)), color="tab:red", zorder=3, gid="rates", label="rates of return")
    for r in found:
        ax.annotate(f"{r:.6g} %", (r, 0), textcoords="offset points", xytext=(0, 8), ha="center")
    if not np.isnan(irr):
        ax.scatter([irr], [0], s=160, facecolors="none", edgecolors="black", zorder=4, gid="irr", label="IRR")
    ax.set_xlabel("rate per base period (%)")
    ax.set_ylabel("net present value")
    ax.set_title("Net present value against the rate")
    ax.legend()
    return ax


def schedule(amount=None, payment=None, rate=None, periods=None, *, decimals=None, ax=None):
    """A loan's schedule (qelfin.mort_schedule, same arguments): interest and
    principal of each period as stacked bars, the balance as a line on a
    second axis (ax.right).  The bars are ax.containers[0] (interest) and
    [1] (principal); the balance line is ax.right.lines[0]."""
    frame = _schedules.mort_schedule(amount, payment, rate, periods, decimals=decimals)
    ax = _axes(ax)
    k = frame.index.to_numpy()
    ax.bar(k, frame["interest"], width=1.0, color="tab:orange", label="interest")
    ax.bar(k, frame["principal"], width=1.0, bottom=frame["interest"], color="tab:green", label="principal")
    ax.set_xlabel("period")
    ax.set_ylabel("payment")
    ax.right = ax.twinx()
    ax.right.plot(k, frame["balance"], color="tab:blue", label="balance")
    ax.right.set_ylabel("balance")
    ax.right.set_ylim(bottom=0)
    ax.set_title("Interest and principal per period, balance after it")
    handles = ax.get_legend_handles_labels()
    right = ax.right.get_legend_handles_labels()
    ax.legend(handles[0] + right[0], handles[1] + right[1], loc="upper center")
    return ax


def depreciation(value, life, factor=2, *, methods=METHODS, decimals=None, ax=None):
    """The book value at the end of each period of the life under each
    depreciation method (qelfin.depreciation_schedule), side by side: one
    bar group per period, ax.containers[i] the bars of methods[i].  factor
    is the declining-balance methods' multiple of the straight-line rate."""
    ax = _axes(ax)
    width = 0.8 / len(methods)
    for i, method in enumerate(methods):
        takes_factor = method.upper().endswith(("DB", "DBSL"))
        frame = _schedules.depreciation_schedule(method, value, life, factor if takes_factor else None,
                                                 decimals=decimals)
        ax.bar(frame.index + (i - (len(methods) - 1) / 2) * width, frame["book_value"], width=width,
               label=method.upper())
    ax.set_xlabel("period")
    ax.set_ylabel("book value")
    ax.set_title(f"Book value of {value:g} over a life of {life:g} periods")
    ax.legend(title="method")
    return ax
