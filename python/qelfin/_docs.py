"""numpydoc docstrings written from the module's catalogue: the summary,
each argument's meaning, unit and what a missing value does, the result,
the statuses behind FunctionError, the warnings, the conventions, and the
catalogue's example as a doctest whose figure is the module's own output
(the host fills the example's sentence with the module's figures)."""
import re
import textwrap

_CASH_FLOWS = ("NPV", "NETPV", "IRR", "INTRR")


def example_call(info):
    """The catalogue's example as a Python call: "MORT(50000, ., 0.005, 360)"
    gives "qelfin.mort(50000, None, 0.005, 360)"."""
    call = info["example"][0]
    inner = re.fullmatch(r"\w+\((.*)\)", call).group(1)
    args = [None if a.strip() == "." else float(a) for a in inner.split(",")]
    words = ["None" if a is None else (repr(int(a)) if a == int(a) else repr(a)) for a in args]
    lead = info["leading"]
    if info["series"]:
        words = words[:lead] + ["[" + ", ".join(words[lead:]) + "]"]
    return f"qelfin.{info['name'].lower()}({', '.join(words)})"


def _wrap(text, indent="    "):
    """A paragraph as docstring lines of at most 79 characters."""
    return textwrap.wrap(text, 79, initial_indent=indent, subsequent_indent=indent, break_on_hyphens=False)


def _sentence(text):
    return text[:1].upper() + text[1:] + ("" if text.endswith(".") else ".")


def _parameter(p, optional):
    kind = "float or array_like" + (", optional" if optional else "")
    return [f"{p['name']} : {kind}", *_wrap(f"{_sentence(p['meaning'])} Unit: {p['unit']}; {p['when_missing']}.")]


def docstring(info):
    """The docstring of one function."""
    _, sentence, figure = info["example"]
    name, series = info["name"], info["series"]
    params = info["parameters"]
    lines = [*_wrap(f"{name}: {info['summary']}", ""), ""]
    if info["computes_missing"]:
        lines += [*_wrap(f"Leave exactly one of {', '.join(info['names'])} as None (or NaN): the function "
                         "returns it. Rates and periods are found by iteration within a tolerance.", ""), ""]
    lines += ["Parameters", "----------"]
    for p in params[:-1] if series else params:
        lines += _parameter(p, info["computes_missing"])
    if series:
        flows = params[-1]
        lines += [f"{flows['name']} : array_like, Series or DataFrame",
                  *_wrap(f"{_sentence(flows['meaning'])} Unit: {flows['unit']}; {flows['when_missing']}. A 1-D "
                         "sequence is one series; a 2-D array or a DataFrame holds one series along `axis` for "
                         "each result.")]
        lines += ["axis : int, default -1", f"    The axis of `{flows['name']}` along which each series runs."]
        if name in _CASH_FLOWS:
            lines += ["by : array_like or Series, optional",
                      "    Long format: the group of each row of `flows`; one result per group.",
                      "period : array_like or Series, optional",
                      *_wrap("Long format: the whole-number period of each row. A group's series runs from its "
                             "smallest period to its largest; a period without rows is a flow of 0; the flows of "
                             "one period add up, sorted ascending by value.")]
    lines += ['errors : {"nan", "raise"}, default "nan"',
              "    An element without a value is NaN, or raises FunctionError.",
              "warnings : bool, default True",
              "    False: no PlausibilityWarning or SeveralRatesWarning from this call.", ""]
    lines += ["Returns", "-------", "float, ndarray, Series or DataFrame",
              *_wrap(f"{_sentence(info['result'])} Unit: {info['result_unit']}."),
              "    A float for numbers, an array of the broadcast shape for arrays, a Series",
              "    (named after the function, or after the one Series passed) or a DataFrame",
              "    with the labels of the pandas arguments; by group in long format.", ""]
    lines += ["Raises", "------", "FunctionError",
              '    With errors="raise", for the first element without a value, with the', "    reason:"]
    for _, label, meaning in info["statuses"][1:]:
        lines += _wrap(f"{label}: {_sentence(meaning)}")
    lines += ["TypeError", "    An argument that is not a number (strings, dates, ...).",
              "ValueError", "    Shapes that do not broadcast; pandas arguments with different indexes.", ""]
    warns = [p["name"] for p in params if p["hinted"]]
    if warns or name in ("IRR", "INTRR"):
        lines += ["Warns", "-----"]
        if warns:
            lines += ["PlausibilityWarning", f"    Once per call, for a value of {', '.join(warns)} that looks like a "
                      "unit slip."]
        if name in ("IRR", "INTRR"):
            lines += ["SeveralRatesWarning", "    Once per call, when series change sign more than once: the rate",
                      "    found may not be their only one."]
        lines.append("")
    lines += ["Notes", "-----", *_wrap(info["help"], ""), "", "Examples", "--------", ">>> import qelfin",
              f">>> {example_call(info)}", repr(figure), "", *_wrap(_sentence(sentence), "")]
    return "\n".join(lines)
