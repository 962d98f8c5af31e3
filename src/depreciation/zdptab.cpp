// zdctab, zdptab: depreciation from a table of fractions, accumulated
// through period p (DACCTAB) and for period p alone (DEPTAB).  Entry t(j),
// read as fn(j, context), is the fraction of the value depreciated in
// period j + 1; the table has m entries.
//
// Method: the accumulated fraction after x periods is, with q = min(x, m)
// and k = floor(q),
//
//   G(x) = t(0) + ... + t(k - 1) + t(k) * (q - k)     (0 for x <= 0),
//
// summed in that order, the part period accruing linearly and the fraction
// staying at G(m) beyond the table.  DACCTAB = G(p) * v.  DEPTAB
// interpolates between adjacent entries: with k = floor(p) and d = p - k,
//
//   H(p) = t(k - 1) * (1 - d) + d * t(k),
//
// the first term only for k > 0 and the second only for k < m, which is
// G(p) - G(p - 1) in exact arithmetic; DEPTAB = H(p) * v, and a plain 0 for
// p <= 0 or p >= m + 1.
//
// Checks, whatever the period: every entry lies in [0, 1], and the entries
// of periods 1 .. floor(p) + 1 (none for p < 0) add up to at most kOnePlusThreeUlps.
// They take one pass over the table, which also collects what the result
// needs: the sum t(0) + ... + t(k - 1) is the prefix of the checked sum,
// added in the same order, so the value is the one a second pass would give.
//
// Error word: 0 ok, also with MISSING for a missing period, value or entry
// (the entry reports those with their marks); 1 for an invalid table or
// call (no entries, no callback, an entry out of range, the sum too large).
#include "entry/entry.h"
#include "numeric/limits.h"

#include <cmath>

namespace {

using qelfin::numeric::kOnePlusThreeUlps;

using qelfin::entry::is_missing;
using qelfin::entry::kMissing;

constexpr int32_t kInvalidTable = 1;

// What one pass over the table gathers for the whole periods k: the sum of
// t(0) .. t(k - 1) and the entries on either side of period boundary k.
struct TableRead {
    double before = 0.0;   // t(0) + ... + t(k - 1)
    double last = 0.0;     // t(k - 1), when k > 0
    double next = 0.0;     // t(k), when k < m
};

// Checks p, v and the table, and reads it for the whole periods k
// (0 <= k <= m).  Returns false with *err set (and MISSING due) on failure.
bool read_table(double p, double v, int32_t m, ValueCallback fn, void* context, int32_t k, TableRead* read,
                int32_t* err) {
    *err = 0;
    if (is_missing(p) || is_missing(v)) return false;
    if (m < 1 || fn == nullptr) {
        *err = kInvalidTable;
        return false;
    }
    double sum = 0.0;
    for (int32_t i = 0; i < m; ++i) {
        const double t = fn(i, context);
        if (is_missing(t)) return false;
        if (t < 0 || t > 1) {
            *err = kInvalidTable;
            return false;
        }
        if (i == k - 1) read->last = t;
        if (i == k) {
            read->before = sum;
            read->next = t;
        }
        if (p >= i) sum = sum + t;
    }
    if (k == m) read->before = sum;
    if (sum > kOnePlusThreeUlps) {
        *err = kInvalidTable;
        return false;
    }
    return true;
}

// floor(x) as an integer for 0 <= x <= m.
int32_t whole_periods(double x) { return static_cast<int32_t>(std::floor(x)); }

}  // namespace

extern "C" QELFIN_API double zdctab(double p, double v, int32_t m, ValueCallback fn, void* context, int32_t* err) {
    const double q = p <= m ? p : m;
    const int32_t k = p > 0 && m > 0 ? whole_periods(q) : 0;
    TableRead read;
    if (!read_table(p, v, m, fn, context, k, &read, err)) return kMissing;
    if (p <= 0) return 0.0 * v;
    double acc = read.before;
    if (q > k) acc = acc + read.next * (q - k);
    return acc * v;
}

extern "C" QELFIN_API double zdptab(double p, double v, int32_t m, ValueCallback fn, void* context, int32_t* err) {
    const bool within = p > 0 && p < m + 1.0;
    const int32_t k = within ? whole_periods(p) : 0;
    TableRead read;
    if (!read_table(p, v, m, fn, context, k, &read, err)) return kMissing;
    if (!within) return 0.0;
    const double d = p - k;
    double a = k > 0 ? read.last * (1.0 - d) : 0.0;
    if (k < m) a = a + d * read.next;
    return a * v;
}
