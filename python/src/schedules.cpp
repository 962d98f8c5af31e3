// _qelfin.loan_schedule, depreciation_schedule and irr_rates: the host
// library's schedules and rates, as (columns, rows, totals) and arrays.
// Its refusals (std::invalid_argument) reach Python as ValueError.
#include "schedules.h"

#include "host/rates.h"
#include "host/schedule.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <string>
#include <vector>

namespace py = pybind11;
using namespace qelfin;

namespace {

py::tuple table(const host::Schedule& s) {
    const size_t width = s.columns.size();
    py::array_t<double> rows({s.rows.size(), width});
    auto r = rows.mutable_unchecked<2>();
    for (size_t i = 0; i < s.rows.size(); ++i)
        for (size_t c = 0; c < width; ++c) r(i, c) = s.rows[i][c];
    std::vector<std::string> columns(s.columns.begin(), s.columns.end());
    return py::make_tuple(columns, rows, s.totals);
}

}  // namespace

void define_schedules(py::module_& m, const host::Module& (*module)()) {
    m.def(
        "loan_schedule",
        [module](const std::vector<double>& args, int decimals) {
            if (args.size() != 4) throw py::value_error("a loan schedule takes amount, payment, rate, periods");
            return table(host::loan_schedule(module(), args, decimals));
        },
        py::arg("args"), py::arg("decimals"));
    m.def(
        "depreciation_schedule",
        [module](const std::string& method, const std::vector<double>& args, int decimals) {
            return table(host::depreciation_schedule(module(), method, args, decimals));
        },
        py::arg("method"), py::arg("args"), py::arg("decimals"));
    m.def(
        "irr_rates",
        [module](double freq, const std::vector<double>& flows) {
            const std::vector<double> rates = host::irr_rates(module(), freq, flows);
            return py::array_t<double>(static_cast<py::ssize_t>(rates.size()), rates.data());
        },
        py::arg("freq"), py::arg("flows"));
}
