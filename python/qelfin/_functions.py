"""The seventeen functions as Python sees them, written from the catalogue:
lowercase names, keyword names and their order from the catalogue's
argument identifiers (COMPOUND, MORT and SAVING default every argument to
None: the one left out is computed), a numpydoc docstring.  Each is real
Python source compiled here, so that calls bind their arguments as fast
as any function's; a call on plain numbers first tries the extension's
fast path and takes the general road only when it declines."""
from . import _docs, _evaluate, _qelfin

_TEMPLATE_FIXED = """\
def {name}({params}, *, errors="nan", warnings=True):
    result = _fast({index}, {args})
    if result is not None and (errors == "nan" or errors == "raise"):
        return result
    return _elementwise(_info, ({args},), errors, warnings)
"""

_TEMPLATE_SERIES = """\
def {name}({params}, *, axis=-1,{long} errors="nan", warnings=True):
    return _series(_info, [{args}], axis, {by}, errors, warnings)
"""


def source(info):
    """The Python source of one catalogue entry's function."""
    names = info["names"]
    if info["series"]:
        long = info["name"] in _docs._CASH_FLOWS
        return _TEMPLATE_SERIES.format(name=info["name"].lower(), params=", ".join(names), args=", ".join(names),
                                       long=" by=None, period=None," if long else "",
                                       by="by, period" if long else "None, None")
    default = "=None" if info["computes_missing"] else ""
    return _TEMPLATE_FIXED.format(name=info["name"].lower(), params=", ".join(n + default for n in names),
                                  index=info["index"], args=", ".join(names))


def make_function(info):
    """The Python function of one catalogue entry."""
    namespace = {"__name__": "qelfin._functions", "_info": info, "_fast": _qelfin.fast,
                 "_elementwise": _evaluate.elementwise, "_series": _evaluate.series}
    exec(compile(source(info), f"<qelfin.{info['name'].lower()}>", "exec"), namespace)
    function = namespace[info["name"].lower()]
    function.__module__ = "qelfin"
    function.__doc__ = _docs.docstring(info)
    return function
