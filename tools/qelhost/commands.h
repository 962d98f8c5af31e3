// The commands of qelhost.  Each returns the exit status; errors the user
// can fix are thrown as UsageError or ExpressionError (exit status 2).
#pragma once

#include "host/module.h"

#include <qelfin/qelfin_host.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qelhost {

// Caller kind of qelhost's call sites unless told otherwise: the host's
// kind of a site called row after row, for which IRR and INTRR write at
// most ten notes per call site.
inline constexpr uint8_t kDefaultCallerKind = QELFIN_CALLER_ROWS;

struct DescribeOptions {
    std::vector<std::string> functions;  // names: the reference of each
    bool markdown = false;               // the whole reference as Markdown
};
// Without names or --markdown the module's records are shown too; the
// examples of the reference are computed by the module.
int describe(const qelfin::host::Module& module, const DescribeOptions& options);

struct EvalOptions {
    std::vector<std::string> expressions;
    bool json = false;
    int precision = -1;  // decimals of the values shown; -1: the shortest form that reads back
    bool hints = true;   // plausibility hints on standard error
    uint8_t caller_kind = kDefaultCallerKind;
};
int evaluate(const qelfin::host::Module& module, const EvalOptions& options);

struct ScheduleOptions {
    std::string expression;  // one call of MORT or of a depreciation function
    bool json = false;
    int precision = -1;
    int decimals = -1;  // bank-style rounding to N decimals; -1: the module's figures unrounded
    bool hints = true;
    uint8_t caller_kind = kDefaultCallerKind;
};
int schedule(const qelfin::host::Module& module, const ScheduleOptions& options);

struct RatesOptions {
    std::string expression;  // one call of IRR or INTRR
    int precision = -1;
    bool hints = true;
};
int rates(const qelfin::host::Module& module, const RatesOptions& options);

struct PlotOptions {
    std::string kind;        // "profile" or "schedule"
    std::string expression;  // IRR/INTRR/NPV/NETPV for a profile; MORT or a depreciation function for a schedule
    std::string output;      // the SVG file
    int decimals = -1;       // a bank-style schedule
    bool hints = true;
};
int plot(const qelfin::host::Module& module, const PlotOptions& options);

struct RunOptions {
    std::string input;                  // a path, or "-" for standard input
    std::vector<std::string> computes;  // "name = expression", in order
    std::string output;                 // empty: standard output
    char delimiter = ',';
    uint8_t caller_kind = kDefaultCallerKind;
    bool timing = false;
    bool progress = true;
    std::vector<std::string> status;  // computed columns that get a NAME_status column
    std::string errors;               // where to write one CSV row per refusal (empty: nowhere)
    int precision = -1;               // decimals of the computed cells; -1: the shortest form that reads back
    bool json = false;                // one JSON object per row instead of CSV
    bool hints = true;                // plausibility hints on standard error, one per call site
};
int run(const qelfin::host::Module& module, const RunOptions& options);

}  // namespace qelhost
