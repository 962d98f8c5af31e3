// The extension module qelfin._qelfin: loads libqelfin.so through the
// embeddable host and offers the catalogue of functions, column evaluation
// (the interpreter's lock released) and single calls.  Broadcasting, pandas
// and warnings are the Python layer's business (qelfin/*.py).
#include "column_call.h"
#include "schedules.h"

#include "host/catalogue.h"
#include "host/module.h"
#include "host/reasons.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

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

int index_of(const std::string& name) {
    const auto i = host::function_index(name);
    if (!i) throw py::value_error(host::unknown_function(name));
    return *i;
}

// The module reads the arguments its functions take without counting them:
// a fixed-arity function gets exactly its own, a series function at least
// its leading ones.
void check_arity(int function, size_t count) {
    const host::FunctionInfo& f = host::functions()[static_cast<size_t>(function)];
    const auto leading = static_cast<size_t>(f.leading);
    if (f.series ? count >= leading : count == leading) return;
    throw py::type_error(std::string(f.name) + (f.series ? " takes at least " : " takes ") + std::to_string(leading) +
                         " arguments (" + std::to_string(count) + " given)");
}

py::dict note_dict(const host::Note& n) {
    py::dict d;
    d["set"] = n.set;
    d["id"] = n.id;
    d["rate"] = n.has_rate ? py::object(py::float_(n.rate)) : py::object(py::none());
    d["function"] = n.function;
    d["text"] = n.text;
    return d;
}

py::list note_list(const std::vector<host::Note>& notes) {
    py::list out;
    for (const host::Note& n : notes) out.append(note_dict(n));
    return out;
}

py::list catalogue() {
    py::list out;
    for (const host::FunctionInfo& f : host::functions()) {
        py::dict d;
        d["name"] = std::string(f.name);
        d["leading"] = f.leading;
        d["series"] = f.series;
        py::list meanings;
        for (int32_t i = 0; i < f.leading; ++i) meanings.append(std::string(f.arguments[i]));
        d["arguments"] = meanings;
        d["element"] = std::string(f.element);
        out.append(d);
    }
    return out;
}

// A float64 array of 0 or 1 dimensions as a column of `rows` rows: one
// element repeats (stride 0), otherwise it holds `rows` elements.
host::Column column_of(const py::array& a, size_t rows) {
    if (!a.dtype().is(py::dtype::of<double>())) throw py::type_error("columns are float64 arrays");
    constexpr auto kDouble = static_cast<py::ssize_t>(sizeof(double));
    const auto* data = static_cast<const double*>(a.data());
    if (a.size() == 1) return {data, 0};
    if (a.ndim() != 1 || static_cast<size_t>(a.shape(0)) != rows || a.strides(0) % kDouble != 0)
        throw py::value_error("a column holds one value or one per row");
    return {data, a.strides(0) / kDouble};  // negative for a reversed view
}

// evaluate(name, columns, rows, with_status) -> (value, status, marked, notes);
// status and marked are None unless asked for.
py::tuple evaluate(const std::string& name, const std::vector<py::array>& columns, size_t rows, bool with_status) {
    const int function = index_of(name);
    check_arity(function, columns.size());
    std::vector<host::Column> args;
    args.reserve(columns.size());
    for (const py::array& a : columns) args.push_back(column_of(a, rows));

    py::array_t<double> value(static_cast<py::ssize_t>(rows));
    py::object status = py::none(), marked = py::none();
    host::ColumnOutputs out{value.mutable_data(), nullptr, nullptr};
    if (with_status) {
        py::array_t<uint32_t> s(static_cast<py::ssize_t>(rows));
        py::array_t<int32_t> m(static_cast<py::ssize_t>(rows));
        out.status = s.mutable_data();
        out.marked = m.mutable_data();
        status = s;
        marked = m;
    }
    std::vector<host::Note> notes;
    {
        py::gil_scoped_release unlocked;
        notes = python::evaluate_call_site(module(), function, args, rows, out);
    }
    return py::make_tuple(value, status, marked, note_list(notes));
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

// reason(name, args, status, marked) -> why a call with these arguments gave
// no value, in the function's own terms ("" for status 0).
std::string reason(const std::string& name, const std::vector<double>& args, uint32_t status, int32_t marked) {
    const int function = index_of(name);
    check_arity(function, args.size());
    Loaded& l = loaded();
    if (!l.reasons) l.reasons = std::make_unique<host::Reasons>(module());
    return l.reasons->explain(function, args, status, marked);
}

}  // namespace

PYBIND11_MODULE(_qelfin, m) {
    m.doc() = "qelfin's functions through the embeddable host";
    m.def("load", &load, py::arg("path"), "Loads libqelfin.so from path (once per process).");
    m.def("catalogue", &catalogue, "The module's functions: name, leading arguments and their meanings, series.");
    m.def("status_name", [](uint32_t s) { return std::string(host::status_name(s)); }, py::arg("status"));
    m.def("evaluate", &evaluate, py::arg("name"), py::arg("columns"), py::arg("rows"), py::arg("with_status"));
    m.def("call", &call, py::arg("name"), py::arg("args"));
    m.def("reason", &reason, py::arg("name"), py::arg("args"), py::arg("status"), py::arg("marked"));
    define_schedules(m, &module);
}
