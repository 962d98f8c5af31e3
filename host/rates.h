// Every rate of return of a series of cash flows, for every surface: the
// rates at which the net present value changes sign, where IRR gives one.
//
//   every_rate(module, 1, {-100, 230, -132})   -> {0.1, 0.2} (fractions; irr_rates: percent)
//
// The search works on the discount factor v per cash-flow interval, the
// rate per base period being v^(-freq) - 1 (freq > 0, so every v > 0 is a
// rate above -100 %) or -ln v (freq 0, continuous).  The module's netpvd
// gives Q(v) = sum of c(i) v^i and Q'(v).  Every positive root of Q lies
// within Cauchy's bounds, 1 / (1 + max |c(i) / c(first)| over the later
// flows) <= v <= 1 + max |c(i) / c(last)| over the earlier flows, c(first)
// and c(last) being the first and last non-zero flows.  The search samples
// Q over that range (widened by 2 at each end, kept within e^-700 to e^700)
// at even steps in ln v.  Within a step where Q keeps its sign but Q'
// changes sign it finds the extremum (bisecting Q') and looks at Q there.
// Each sign change is bisected down to two adjacent doubles; the one where
// |Q| is smaller is the root.  The first grid has 64 steps, each next one
// twice as many, up to steps 1/1024 apart (at least 1024 steps, at most
// 65536, so wide bounds get longer steps); the search stops as soon as it
// has found as many rates as the flows have sign changes, since by
// Descartes' rule of signs there are no more.
//
// What it cannot see: a root where Q touches zero without changing sign
// (a double root), two roots closer together than one step whose step
// holds no extremum of Q the derivative test finds (three or more roots in
// one step), and roots where Q overflows.  A missing flow counts as 0; with
// freq 0 a missing flow gives no rate, as IRR refuses it.
#pragma once

#include "host/module.h"

#include <span>
#include <stdexcept>
#include <vector>

namespace qelfin::host {

struct RatesError : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

// Every rate as a fraction per base period, ascending; empty when the net
// present value never changes sign (or there are fewer than two flows).
// Throws RatesError for a missing or negative frequency, and for freq 0
// with a missing flow.
std::vector<double> every_rate(const Module& module, double freq, std::span<const double> flows);

// The same in percent, as IRR gives its rate.
std::vector<double> irr_rates(const Module& module, double freq, std::span<const double> flows);

}  // namespace qelfin::host
