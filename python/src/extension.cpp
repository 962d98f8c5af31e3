// The extension module qelfin._qelfin: loads libqelfin.so through the
// embeddable host and offers the catalogue of functions, column and series
// evaluation (the interpreter's lock released, taken back between blocks of
// rows to see Ctrl-C), single calls, and the fast path of a fixed-arity
// function called on plain numbers.  Broadcasting, pandas, Dask and the
// warnings' wording are the Python layer's business (qelfin/*.py).
#include "column_call.h"
#include "schedules.h"

#include "host/catalogue.h"
#include "host/examples.h"
#include "host/hints.h"
#include "host/module.h"
#include "host/reasons.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace py = pybind11;
using namespace qelfin;

namespace {

// One host and one module per process: the module keeps the anchors of the
// host that loaded it.
struct Loaded {
    host::Host host;
    std::unique_ptr<host::Module> module;
    std::unique_ptr<host::Reasons> reasons;
    std::array<std::unique_ptr<host::CallSite>, QELFIN_FUNCTION_COUNT> scalar_sites;  // the fast path's
};

Loaded& loaded() {
    static Loaded* const instance = new Loaded;  // never destroyed: entries may run until exit
    return *instance;
}

const host::Module& module() {
    if (!loaded().module) throw std::runtime_error("the qelfin module is not loaded");
    return *loaded().module;
}

void load(const std::string& path) {
    Loaded& l = loaded();
    if (l.module) return;
    try {
        l.module = std::make_unique<host::Module>(l.host, path);
    } catch (const host::LoadError& e) {
        throw py::import_error(e.what());
    }
}

const host::FunctionInfo& info(int function) {
    if (function < 0 || function >= QELFIN_FUNCTION_COUNT) throw py::value_error("no such function index");
    return host::functions()[static_cast<size_t>(function)];
}

int index_of(const std::string& name) {
    const auto i = host::function_index(name);
    if (!i) throw py::value_error(host::unknown_function(name));
    return *i;
}

// The module reads the arguments its functions take without counting them:
// a fixed-arity function gets exactly its own, a series function at least
// its leading ones.
void check_arity(int function, size_t count) {
    const host::FunctionInfo& f = info(function);
    const auto leading = static_cast<size_t>(f.leading);
    if (f.series ? count >= leading : count == leading) return;
    throw py::type_error(std::string(f.name) + (f.series ? " takes at least " : " takes ") + std::to_string(leading) +
                         " arguments (" + std::to_string(count) + " given)");
}

py::dict argument_dict(const host::ArgumentInfo& a) {
    py::dict d;
    d["name"] = std::string(a.name);
    d["meaning"] = std::string(a.meaning);
    d["unit"] = std::string(host::unit_text(a.unit));
    d["when_missing"] = std::string(host::when_missing_text(a.when_missing));
    d["hinted"] = a.plausibility != host::Plausibility::none;
    return d;
}

py::list catalogue() {
    py::list out;
    int index = 0;
    for (const host::FunctionInfo& f : host::functions()) {
        py::dict d;
        d["name"] = std::string(f.name);
        d["index"] = index++;
        d["leading"] = f.leading;
        d["series"] = f.series;
        d["family"] = std::string(f.family);
        d["summary"] = std::string(f.summary);
        d["result"] = std::string(f.result);
        d["result_unit"] = std::string(host::unit_text(f.result_unit));
        d["help"] = std::string(f.help);
        d["computes_missing"] = f.shape == host::Shape::exactly_one_missing;
        py::list arguments, names, meanings;
        for (int32_t i = 0; i < f.leading; ++i) {
            arguments.append(argument_dict(f.details[static_cast<size_t>(i)]));
            meanings.append(std::string(f.arguments[i]));
        }
        if (f.series) arguments.append(argument_dict(*f.list));
        for (const auto& a : arguments) names.append(a["name"]);
        d["parameters"] = arguments;
        d["names"] = names;
        d["arguments"] = meanings;
        d["element"] = std::string(f.element);
        py::list statuses;
        for (const host::StatusInfo& s : f.statuses)
            statuses.append(py::make_tuple(s.status, std::string(host::status_name(s.status)), std::string(s.meaning)));
        d["statuses"] = statuses;
        const host::ComputedExample example = host::computed_example(module(), f);
        d["example"] = py::make_tuple(std::string(example.call), example.sentence, example.value);
        out.append(d);
    }
    return out;
}

py::list note_list(const std::vector<host::Note>& notes) {
    py::list out;
    for (const host::Note& n : notes) {
        py::dict d;
        d["set"] = n.set;
        d["id"] = n.id;
        d["rate"] = n.has_rate ? py::object(py::float_(n.rate)) : py::object(py::none());
        d["function"] = n.function;
        d["text"] = n.text;
        out.append(d);
    }
    return out;
}

constexpr auto kDouble = static_cast<py::ssize_t>(sizeof(double));

const double* doubles(const py::array& a) {
    if (!a.dtype().is(py::dtype::of<double>())) throw py::type_error("columns are float64 arrays");
    for (py::ssize_t k = 0; k < a.ndim(); ++k)
        if (a.strides(k) % kDouble != 0) throw py::value_error("strides are whole doubles");
    return static_cast<const double*>(a.data());
}

// A float64 array of 0 or 1 dimensions as a column of `rows` rows: one
// element repeats (stride 0), otherwise it holds `rows` elements.
host::Column column_of(const py::array& a, size_t rows) {
    const double* data = doubles(a);
    if (a.size() == 1) return {data, 0};
    if (a.ndim() != 1 || static_cast<size_t>(a.shape(0)) != rows)
        throw py::value_error("a column holds one value or one per row");
    return {data, a.strides(0) / kDouble};  // negative for a reversed view
}

// The first value of the leading columns that draws a plausibility hint:
// (position, value, text), or None.
py::object first_hint(const host::FunctionInfo& f, const std::vector<host::Column>& leading, size_t rows) {
    for (size_t k = 0; k < leading.size() && k < static_cast<size_t>(f.leading); ++k) {
        const host::Plausibility p = f.details[k].plausibility;
        if (p == host::Plausibility::none) continue;
        const size_t n = leading[k].stride == 0 ? std::min<size_t>(rows, 1) : rows;
        const size_t r = host::first_implausible(p, leading[k].data, leading[k].stride, n);
        if (r < n) {
            const double x = leading[k].at(r);
            return py::make_tuple(k + 1, x, host::plausibility_hint(f, static_cast<int32_t>(k + 1), x));
        }
    }
    return py::none();
}

// Notes 201 by row: which series changed sign more than once.
struct RowNotes final : host::NoteSink {
    size_t row = 0;
    std::vector<int64_t> rows;
    void note(const host::Note& n) override {
        if (n.id == 201) rows.push_back(static_cast<int64_t>(row));
    }
};

// Asked between blocks of rows, with the lock taken back briefly: a signal
// handler that raised (Ctrl-C's KeyboardInterrupt) stops the loop.
bool signalled(void*) {
    py::gil_scoped_acquire locked;
    return PyErr_CheckSignals() != 0;
}

struct Series {
    std::optional<py::array> block;  // 2-D rows x elements, or flat with starts and lengths
    std::optional<py::array_t<int64_t>> starts;
    std::optional<py::array_t<int32_t>> lengths;
};

// evaluate(function, leading, rows, with_status, block=None, starts=None,
// lengths=None) -> (value, status, marked, several, hint): the leading
// arguments as columns, a series function's series as one block (row by
// row of a 2-D array, or rows of their own lengths at `starts` in a flat
// one).  status and marked are None unless asked for; several holds the
// rows whose series changed sign more than once; hint is first_hint's.
py::tuple evaluate(int function, const std::vector<py::array>& columns, size_t rows, bool with_status,
                   const Series& series) {
    const host::FunctionInfo& f = info(function);
    std::vector<host::Column> args;
    args.reserve(columns.size());
    for (const py::array& a : columns) args.push_back(column_of(a, rows));

    host::SeriesBlock block;
    if (series.block) {
        const py::array& b = *series.block;
        block.base = doubles(b);
        if (series.starts) {
            if (b.ndim() != 1 || !series.lengths || static_cast<size_t>(series.starts->size()) != rows ||
                static_cast<size_t>(series.lengths->size()) != rows)
                throw py::value_error("rows of their own lengths need a flat block, starts and lengths per row");
            block.element_stride = b.strides(0) / kDouble;
            block.starts = series.starts->data();
            block.lengths = series.lengths->data();
            int32_t longest = 0;
            for (size_t r = 0; r < rows; ++r) longest = std::max(longest, block.lengths[r]);
            block.elements = static_cast<size_t>(longest);
        } else {
            if (b.ndim() != 2 || static_cast<size_t>(b.shape(0)) != rows)
                throw py::value_error("a series block holds one row per result");
            block.row_stride = b.strides(0) / kDouble;
            block.element_stride = b.strides(1) / kDouble;
            block.elements = static_cast<size_t>(b.shape(1));
        }
        if (block.elements > static_cast<size_t>(INT32_MAX) - args.size())
            throw py::value_error("a series holds at most 2,147,483,647 values");
    }
    check_arity(function, args.size() + block.elements);
    if (!f.series && series.block) throw py::type_error(std::string(f.name) + " takes no series");

    py::array_t<double> value(static_cast<py::ssize_t>(rows));
    py::object status = py::none(), marked = py::none();
    RowNotes notes;
    const host::Interrupt interrupt{signalled, nullptr};
    host::ColumnOutputs out{value.mutable_data(), nullptr, nullptr, f.series ? &notes.row : nullptr, &interrupt};
    if (with_status) {
        py::array_t<uint32_t> s(static_cast<py::ssize_t>(rows));
        py::array_t<int32_t> m(static_cast<py::ssize_t>(rows));
        out.status = s.mutable_data();
        out.marked = m.mutable_data();
        status = s;
        marked = m;
    }
    host::ColumnSummary summary;
    py::object hint = first_hint(f, args, rows);
    {
        py::gil_scoped_release unlocked;
        summary = python::evaluate_call_site(module(), function, args, series.block ? &block : nullptr, rows, out,
                                             &notes);
    }
    if (summary.interrupted) throw py::error_already_set();
    return py::make_tuple(value, status, marked, py::array_t<int64_t>(notes.rows.size(), notes.rows.data()), hint);
}

// call(name, args) -> (value, status, marked, notes): one entry call on a
// fresh argument block; None is a missing argument.
py::tuple call(const std::string& name, const std::vector<std::optional<double>>& args) {
    check_arity(index_of(name), args.size());
    std::vector<host::Arg> block;
    block.reserve(args.size());
    for (const auto& a : args) block.push_back(a ? host::Arg(*a) : host::Arg::missing());
    host::CallResult r;
    {
        py::gil_scoped_release unlocked;
        r = module().call(name, block);
    }
    return py::make_tuple(r.value, r.status, r.marked, note_list(r.notes));
}

// reason(function, args, status, marked) -> why a call with these arguments
// gave no value, in the function's own terms ("" for status 0).
std::string reason(int function, const std::vector<double>& args, uint32_t status, int32_t marked) {
    check_arity(function, args.size());
    Loaded& l = loaded();
    if (!l.reasons) l.reasons = std::make_unique<host::Reasons>(module());
    return l.reasons->explain(function, args, status, marked);
}

// fast(function, a, b, ...): a fixed-arity function on plain numbers (float,
// int, numpy's scalars) or None, on the function's own call site, the lock
// held.  Returns the value, or None whenever the general road has something
// to say (an argument of another type, no value, a plausibility hint).
PyObject* fast(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs < 1 || !PyLong_CheckExact(args[0])) Py_RETURN_NONE;
    const long function = PyLong_AsLong(args[0]);
    Loaded& l = loaded();
    if (function < 0 || function >= QELFIN_FUNCTION_COUNT || !l.module) Py_RETURN_NONE;
    const host::FunctionInfo& f = host::functions()[static_cast<size_t>(function)];
    if (f.series || nargs - 1 != f.leading) Py_RETURN_NONE;
    auto& site = l.scalar_sites[static_cast<size_t>(function)];
    if (!site) site = std::make_unique<host::CallSite>(*l.module, static_cast<int>(function), f.leading);
    for (int32_t i = 0; i < f.leading; ++i) {
        PyObject* a = args[i + 1];
        double x;
        if (PyFloat_Check(a)) {
            x = PyFloat_AS_DOUBLE(a);
        } else if (PyLong_CheckExact(a) || (PyIndex_Check(a) && !PyBool_Check(a))) {  // int, numpy's integers
            PyObject* whole = PyNumber_Index(a);
            x = whole != nullptr ? PyLong_AsDouble(whole) : -1.0;
            Py_XDECREF(whole);
            if (x == -1.0 && PyErr_Occurred()) {
                PyErr_Clear();
                Py_RETURN_NONE;
            }
        } else if (a == Py_None) {
            x = host::missing_value();
        } else {
            Py_RETURN_NONE;
        }
        if (host::implausible(f.details[static_cast<size_t>(i)].plausibility, x)) Py_RETURN_NONE;
        site->value(i) = x;
    }
    const host::CallSite::Outcome o = site->call();
    if (o.status != 0) Py_RETURN_NONE;
    return PyFloat_FromDouble(o.value);
}

PyMethodDef kFast[] = {
    {"fast", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(fast)), METH_FASTCALL,
     "fast(function, *args): a fixed-arity function on plain numbers, or None for the general road."},
    {nullptr, nullptr, 0, nullptr}};

}  // namespace

PYBIND11_MODULE(_qelfin, m) {
    m.doc() = "qelfin's functions through the embeddable host";
    m.def("load", &load, py::arg("path"), "Loads libqelfin.so from path (once per process).");
    m.def("catalogue", &catalogue, "The module's functions as the catalogue describes them.");
    m.def("status_name", [](uint32_t s) { return std::string(host::status_name(s)); }, py::arg("status"));
    m.def(
        "evaluate",
        [](int function, const std::vector<py::array>& columns, size_t rows, bool with_status,
           std::optional<py::array> block, std::optional<py::array_t<int64_t>> starts,
           std::optional<py::array_t<int32_t>> lengths) {
            return evaluate(function, columns, rows, with_status, {std::move(block), std::move(starts), std::move(lengths)});
        },
        py::arg("function"), py::arg("columns"), py::arg("rows"), py::arg("with_status"), py::arg("block") = py::none(),
        py::arg("starts") = py::none(), py::arg("lengths") = py::none());
    m.def("call", &call, py::arg("name"), py::arg("args"));
    m.def("reason", &reason, py::arg("function"), py::arg("args"), py::arg("status"), py::arg("marked"));
    m.def("argument_name", [](int function, int32_t i) { return host::argument_name(info(function), i); },
          py::arg("function"), py::arg("position"));
    m.def("hint", [](int function, int32_t position, double x) {
        return host::plausibility_hint(info(function), position, x);
    }, py::arg("function"), py::arg("position"), py::arg("value"));
    if (PyModule_AddFunctions(m.ptr(), kFast) != 0) throw py::error_already_set();
    define_schedules(m, &module);
}
