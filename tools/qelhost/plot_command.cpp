// qelhost plot: pictures as standalone SVG files, every figure from the
// module or the host library.
//
//   plot profile 'IRR(1, -100, 230, -132)' -o profile.svg
//       the NPV (the module's NPV) against the rate in percent, the zero
//       line, every rate where the NPV changes sign marked and labelled,
//       the module's IRR ringed; NPV(...) and NETPV(...) take their flows
//   plot schedule 'MORT(250000, ., 0.045/12, 360)' -o loan.svg [--decimals 2]
//       interest and principal per period as stacked bars, the balance as
//       a line on the right axis; for a depreciation function the
//       depreciation per period and the book value
//
// The file is written as run writes its output: whole or not at all.
#include "commands.h"
#include "one_call.h"
#include "output_file.h"
#include "svg_chart.h"

#include "host/rates.h"

#include <algorithm>
#include <cmath>

namespace qelhost {

namespace {

constexpr int kProfilePoints = 401;

std::string profile(const Module& module, const OneCall& c) {
    const bool npv_form = c.function->name == "NPV" || c.function->name == "NETPV";
    OneCall flows = c;
    if (npv_form) flows.args.erase(flows.args.begin());  // the rate: the picture spans many
    std::vector<double> rates;  // in percent, as the axis
    try {
        rates = qelfin::host::irr_rates(module, flows.args[0], std::span<const double>(flows.args).subspan(1));
    } catch (const qelfin::host::RatesError& e) {
        throw UsageError(std::string(c.function->name) + ": " + e.what());
    }
    std::vector<qelfin::host::Arg> call(flows.args.begin(), flows.args.end());
    const qelfin::host::CallResult irr = module.call("IRR", call);
    std::vector<double> marked = rates;
    if (irr.ok()) marked.push_back(irr.value);
    double low = 0, high = 10;
    for (const double r : marked) low = std::min(low, r), high = std::max(high, r);
    const double room = std::max((high - low) * 0.25, 5.0);
    const double from = low >= 0 ? 0.0 : std::max(low - room, -99.0), to = high + room;

    std::vector<double> xs, ys;
    call.insert(call.begin(), 0.0);  // NPV(rate, freq, flows...)
    double y_low = 0, y_high = 0;
    for (int i = 0; i < kProfilePoints; ++i) {
        call[0] = from + (to - from) * i / (kProfilePoints - 1);
        const qelfin::host::CallResult r = module.call("NPV", call);
        xs.push_back(call[0].number);
        ys.push_back(r.ok() ? r.value : NAN);
        if (r.ok()) y_low = std::min(y_low, r.value), y_high = std::max(y_high, r.value);
    }
    SvgChart chart("Net present value against the rate", {"rate per base period (%)", from, to},
                   {"net present value", y_low, y_high});
    chart.level(0, "#666666");
    chart.line(xs, ys, "#1f77b4", "net present value");
    for (const double r : rates) chart.mark(r, 0, "rate", r, chart_number(r) + " %");
    if (irr.ok()) chart.mark(irr.value, 0, "irr", irr.value, "", true);
    return chart.render();
}

std::string schedule_picture(const Module& module, const OneCall& c, int decimals) {
    const qelfin::host::Schedule s = schedule_of(module, c, decimals);
    const bool loan = c.function->name == "MORT";
    std::vector<double> k, first, second, level, zero(s.rows.size(), 0.0);
    double bar_top = 0, level_top = 0;
    for (const auto& row : s.rows) {
        k.push_back(row[0]);
        first.push_back(loan ? row[2] : row[1]);  // interest, or the depreciation
        second.push_back(loan ? row[3] : 0.0);    // principal on top
        level.push_back(loan ? row[4] : row[3]);  // balance, or the book value
        bar_top = std::max({bar_top, first.back() + second.back(), first.back()});
        level_top = std::max(level_top, level.back());
    }
    if (!loan) level_top = std::max(level_top, s.rows.front()[3] + s.rows.front()[1]);
    const double periods = static_cast<double>(s.rows.size());
    SvgChart chart(loan ? "Interest and principal per period, balance after it"
                        : "Depreciation per period, book value after it",
                   {"period", 0.5, periods + 0.5}, {loan ? "payment" : "depreciation", 0, bar_top},
                   {loan ? "balance" : "book value", 0, level_top});
    chart.bars(k, zero, first, 0.9, "#ff7f0e", loan ? "interest" : "depreciation");
    if (loan) chart.bars(k, first, second, 0.9, "#2ca02c", "principal");
    chart.line(k, level, "#1f77b4", loan ? "balance" : "book value", true);
    return chart.render();
}

}  // namespace

int plot(const Module& module, const PlotOptions& options) {
    const bool profile_kind = options.kind == "profile";
    if (!profile_kind && options.kind != "schedule")
        throw UsageError("plot draws a profile or a schedule, not '" + options.kind + "'");
    const OneCall c = one_call(
        module, options.expression, kDefaultCallerKind, options.hints,
        [&](const qelfin::host::FunctionInfo& f) {
            return profile_kind ? f.family == "Cash flows" : f.name == "MORT" || f.family == "Depreciation";
        },
        profile_kind ? "plot profile takes one call of IRR, INTRR, NPV or NETPV, such as IRR(1, -100, 230, -132)"
                     : "plot schedule takes one call of MORT or of a depreciation function, such as "
                       "MORT(250000, ., 0.045/12, 360) or DEPDB(., 50000, 10, 2)");
    const std::string svg = profile_kind ? profile(module, c) : schedule_picture(module, c, options.decimals);
    OutputFile out(options.output);
    out.write(svg);
    out.commit();
    return 0;
}

}  // namespace qelhost
