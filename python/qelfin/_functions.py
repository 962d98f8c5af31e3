"""The seventeen functions as Python sees them: lowercase names, arguments
in the module's order with their units, and an example each.  The module's
own catalogue (names, arities, meanings) comes from the extension; the
tests hold these signatures and texts against it."""
import inspect

from . import _evaluate

_RATE = "rate per period, a fraction (0.05 is 5 %)"
_TVM = ("Leave exactly one argument None (or NaN): the function returns it. "
        "The rate is found by Newton iteration where no closed form exists.")
_FREQ = "frequency: cash flows per base period; 0 selects continuous discounting"
_FLOWS = ("cash flow c0, c1, ... one per interval, c0 at time 0, along `axis` "
          "(NaN is a missing flow); a 2-D array or a DataFrame gives one result per series")
_PERIOD = "period: periods elapsed (may be fractional)"
_VALUE = "value: the depreciable amount"
_LIFE = "life: periods of the asset's life (may be fractional)"
_FACTOR = "rate factor: the fraction per period is factor / life (2 is double-declining balance)"
_WHOLE = "Period and life are whole numbers."
_TABLE = ("table entry t0, t1, ...: the fraction of the value depreciated in period "
          "1, 2, ..., along `axis`; each within [0, 1], adding up to at most 1")

# name: (summary, [(argument, what it is)], example, remarks)
_DOCS = {
    "compound": ("Compound interest: f = a (1 + r)**n.",
                 [("a", "initial amount"), ("f", "final amount"), ("r", _RATE), ("n", "periods")],
                 "compound(100, None, 0.05, 10)  # 162.889..., 100 after ten years at 5 %", _TVM),
    "mort": ("Loan repayment: p = a r / (1 - (1 + r)**-n), payments at the end of each period.",
             [("a", "amount of the loan"), ("p", "payment at the end of each period"), ("r", _RATE),
              ("n", "periods: number of payments")],
             "mort(50000, None, 0.005, 360)  # 299.775..., thirty years at 6 % a year", _TVM),
    "saving": ("Savings plan: f = p (1 + r) ((1 + r)**n - 1) / r, payments at the start of each period.",
               [("f", "final amount at the end of the last period"), ("p", "payment at the start of each period"),
                ("r", _RATE), ("n", "periods (may be fractional)")],
               "saving(None, 100, 0.05, 10)  # 1320.68..., the amount reached", _TVM),
    "npv": ("Net present value at the time of the first cash flow, the rate in percent.",
            [("rate", "rate (percent) per base period: 10 is 10 %"), ("freq", _FREQ), ("flows", _FLOWS)],
            "npv(np.linspace(0, 30, 301), 1, [-1000, 500, 400, 300])  # an NPV profile", ""),
    "netpv": ("Net present value at the time of the first cash flow, the rate a fraction.",
              [("rate", "rate per base period, a fraction: 0.1 is 10 %"), ("freq", _FREQ), ("flows", _FLOWS)],
              "netpv(0.1, 1, [-1000, 500, 400, 300])  # 10.518..., as npv(10, 1, ...)", ""),
    "irr": ("Internal rate of return per base period, in percent.",
            [("freq", _FREQ), ("flows", _FLOWS)],
            "irr(1, [-100, 230, -132])  # 10.0, with a SeveralRatesWarning (two sign changes)",
            "A series that changes sign more than once gives a qelfin.SeveralRatesWarning; "
            "after ten in one call, one more says that the rest go unreported."),
    "intrr": ("Internal rate of return per base period, a fraction.",
              [("freq", _FREQ), ("flows", _FLOWS)],
              "intrr(1, [-1000, 500, 400, 300])  # 0.1065..., irr(...) / 100",
              "A series that changes sign more than once gives a qelfin.SeveralRatesWarning."),
    "daccdb": ("Declining-balance depreciation accumulated through a period.",
               [("period", _PERIOD), ("value", _VALUE), ("life", _LIFE), ("factor", _FACTOR)],
               "daccdb(2, 1000, 5, 2)  # 640.0: 400 then 240", ""),
    "depdb": ("Declining-balance depreciation of one period.",
              [("period", _PERIOD), ("value", _VALUE), ("life", _LIFE), ("factor", _FACTOR)],
              "depdb(2, 1000, 5, 2)  # 240.0", ""),
    "daccdbsl": ("Declining-balance depreciation switching to straight line, accumulated through a period.",
                 [("period", "period: whole periods elapsed"), ("value", _VALUE),
                  ("life", "life: whole periods of the asset's life"), ("factor", _FACTOR)],
                 "daccdbsl(5, 1000, 5, 2)  # 1000.0: the value written off", _WHOLE),
    "depdbsl": ("Declining-balance depreciation switching to straight line, of one period.",
                [("period", "period: whole periods elapsed"), ("value", _VALUE),
                 ("life", "life: whole periods of the asset's life"), ("factor", _FACTOR)],
                "depdbsl(4, 1000, 5, 2)  # 108 (107.99999999999999): straight line in the last two",
                _WHOLE),
    "daccsl": ("Straight-line depreciation accumulated through a period.",
               [("period", _PERIOD), ("value", _VALUE), ("life", _LIFE)],
               "daccsl(2.5, 1000, 10)  # 250.0", ""),
    "depsl": ("Straight-line depreciation of one period.",
              [("period", _PERIOD), ("value", _VALUE), ("life", _LIFE)],
              "depsl(3, 1000, 10)  # 100.0", ""),
    "daccsyd": ("Sum-of-years'-digits depreciation accumulated through a period.",
                [("period", _PERIOD), ("value", _VALUE), ("life", _LIFE)],
                "daccsyd(2, 1500, 5)  # 900.0: 500 then 400", ""),
    "depsyd": ("Sum-of-years'-digits depreciation of one period.",
               [("period", _PERIOD), ("value", _VALUE), ("life", _LIFE)],
               "depsyd(2, 1500, 5)  # 400.0", ""),
    "dacctab": ("Depreciation from a table of fractions per period, accumulated through a period.",
                [("period", _PERIOD), ("value", _VALUE), ("table", _TABLE)],
                "dacctab(2, 1000, [0.5, 0.3, 0.2])  # 800.0", ""),
    "deptab": ("Depreciation from a table of fractions per period, of one period.",
               [("period", _PERIOD), ("value", _VALUE), ("table", _TABLE)],
               "deptab(2, 1000, [0.5, 0.3, 0.2])  # 300.0", ""),
}

_COMMON = """
Every argument broadcasts as in numpy: scalars give a float, arrays an
array, pandas Series a Series with the index kept.  An element without a
value is NaN; errors="raise" raises qelfin.FunctionError (a ValueError)
naming the status, the argument marked invalid and the element's index."""


def _docstring(name, info):
    summary, arguments, example, remarks = _DOCS[name]
    lines = [f"{info['name']}: {summary}", "", "Arguments:"]
    lines += [f"    {arg}: {what}" for arg, what in arguments]
    lines += ["", remarks] if remarks else []
    lines += [_COMMON.strip("\n"), "", "Example:", f"    >>> qelfin.{example}"]
    return "\n".join(lines)


def _signature(names, series):
    p = inspect.Parameter
    params = [p(n, p.POSITIONAL_OR_KEYWORD) for n in names]
    if series:
        params.append(p("axis", p.KEYWORD_ONLY, default=-1))
    params.append(p("errors", p.KEYWORD_ONLY, default="nan"))
    return inspect.Signature(params)


def make_function(info):
    """The Python function of one catalogue entry."""
    name = info["name"].lower()
    names = [arg for arg, _ in _DOCS[name][1]]
    signature = _signature(names, info["series"])

    if info["series"]:
        def function(*args, **kwargs):
            bound = signature.bind(*args, **kwargs)
            bound.apply_defaults()
            a = bound.arguments
            return _evaluate.series(info, names, [a[n] for n in names], a["axis"], a["errors"])
    else:
        def function(*args, **kwargs):
            bound = signature.bind(*args, **kwargs)
            bound.apply_defaults()
            a = bound.arguments
            return _evaluate.elementwise(info, names, [a[n] for n in names], a["errors"])

    function.__name__ = function.__qualname__ = name
    function.__module__ = "qelfin"
    function.__signature__ = signature
    function.__doc__ = _docstring(name, info)
    return function
