// Direct calls of the exported routines, and what each must keep (listed
// in fuzz/README.md).
#include "fuzz/harness_impl.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <tuple>

namespace qelfin::fuzz {

namespace {

const char* const kRoutineNames[] = {
#define QELFIN_ROUTINE_NAME(name) #name,
    QELFIN_ROUTINES(QELFIN_ROUTINE_NAME)
#undef QELFIN_ROUTINE_NAME
};
constexpr int kRoutineOps = sizeof kRoutineNames / sizeof kRoutineNames[0];

constexpr int32_t kGarbage = 0x5A5A5A5A;

// Integer parameter k of the record, or a default.
int32_t int_or(const OpRecord& r, size_t k, int32_t fallback) { return k < r.ints.size() ? r.ints[k] : fallback; }

// A count that the harness can back with a series of `available` values:
// counts beyond it are cut to it, everything else (zero, negative) stays.
int32_t within(int32_t v, int32_t available) { return v > available ? available : v; }

void check_reads(Verdict& v, const SeriesProbe& probe, int32_t m, bool descending) {
    for (size_t i = 0; i < probe.asked.size(); ++i) {
        const int32_t want = descending ? m - 1 - static_cast<int32_t>(i) : static_cast<int32_t>(i);
        if (probe.asked[i] != want || want < 0 || want >= m) {
            v.add("callback asked for index " + std::to_string(probe.asked[i]) + " as read " + std::to_string(i + 1) +
                  " of a series of " + std::to_string(m));
            break;
        }
    }
    QELFIN_CHECK(v, !probe.foreign_context, "callback got a foreign context");
}

// A solver's error word among lo..hi, and its failure value on failure.  The
// word is taken by reference: it is read once the call among the arguments
// has set it, whatever the order in which they are evaluated.
void check_error_word(Verdict& v, const int32_t& err, int32_t lo, int32_t hi, double y,
                      bool zero_on_failure = false) {
    QELFIN_CHECK(v, err >= lo && err <= hi, "error word " + std::to_string(err));
    if (err != 0)
        QELFIN_CHECK(v, zero_on_failure ? bits_of(y) == 0 : is_missing_bits(y), "failed without MISSING or 0.0");
}

}  // namespace

std::vector<std::string> Harness::routine_ops() { return {std::begin(kRoutineNames), std::end(kRoutineNames)}; }

Outcome Harness::Impl::routine_op(Session& s, const OpRecord& r) {
    const int op = r.op % kRoutineOps;
    const std::string name = kRoutineNames[op];
    if (std::find(absent.begin(), absent.end(), name) != absent.end()) return {};
    const Routines& f = routines;
    standin::Host& h = s.host;

    std::vector<ArgValue> values = r.values;
    avoid_unwritten(values);
    std::vector<double> x;
    for (int32_t i = 0; i < r.length; ++i) x.push_back(r.arg(i).numeric ? values[i % values.size()].number : 0.0);
    auto d = [&](size_t i) { return i < x.size() ? x[i] : 1.0; };
    auto tail = [&](size_t from) {
        return std::vector<double>(x.begin() + static_cast<long>(std::min(from, x.size())), x.end());
    };

    const ValueCallback callback = (r.flags & kExtraArguments) ? nullptr : &SeriesProbe::callback;
    const PoolWatch watch(s, r.flags);
    const bool own = watch.own, refuse_vector = watch.fault(kRefuseVectorPool);
    const bool no_scratch = watch.fault(kFailToolkitCreate) || watch.fault(kFailToolkitAllocate);

    Verdict v;
    Outcome out;
    int32_t err = kGarbage;
    auto result = [&](double y) {
        out.out.push_back(y);
        out.status = err;
        return y;
    };
    auto value = [&](double y) {  // a routine without an error word
        err = 0;
        return result(y);
    };
    s.arena.open();
    SeriesProbe probe;
    auto make_probe = [&](const std::vector<double>& series) {
        probe.values = s.arena.put_doubles(series);
        probe.length = static_cast<int32_t>(series.size());
        SeriesProbe::current = &probe;
    };

    if (name == "zvasum" || name == "zvamx") {
        const double* p = s.arena.put_doubles(x);
        s.arena.seal();
        const int32_t n = within(int_or(r, 0, static_cast<int32_t>(x.size())), static_cast<int32_t>(x.size()));
        const double got = value(name == "zvasum" ? f.zvasum_(p, n) : f.zvamx_(p, n));
        long double sum = 0;
        double top = 0;
        for (int32_t i = 0; i < n; ++i)
            sum += std::fabs(static_cast<long double>(x[i])), top = std::max(top, std::fabs(x[i]));
        const long double tol = sum * n * LDBL_EPSILON * 4096 + 4 * DBL_TRUE_MIN;
        if (n <= 0) {
            QELFIN_CHECK(v, got == 0.0, "an empty array gives " + show(got));
        } else if (std::isnan(sum)) {
            // what a NaN element does is not fixed
        } else if (name == "zvamx") {
            QELFIN_CHECK(v, bits_of(got) == bits_of(top), "largest magnitude " + show(top) + ", got " + show(got));
        } else if (std::isinf(sum) || sum > DBL_MAX / 2) {
            QELFIN_CHECK(v, got >= DBL_MAX / 4, "sum of magnitudes overflowing, got " + show(got));
        } else {
            QELFIN_CHECK(v, std::fabs(got - sum) <= tol,
                         "sum of magnitudes " + show(static_cast<double>(sum)) + ", got " + show(got));
        }
    } else if (name == "vzatl") {
        const std::string text = !values.empty() && !values[0].numeric ? values[0].text : std::string(3, ' ');
        const uint8_t* p = s.arena.put_text(text);  // ends where nothing may be read
        s.arena.seal();
        const int c = int_or(r, 0, ' ');
        const int32_t n = within(int_or(r, 1, static_cast<int32_t>(text.size())), static_cast<int32_t>(text.size()));
        const int want = std::all_of(p, p + std::max(n, 0), [&](uint8_t b) { return b == c; }) ? 1 : 0;
        err = f.vzatl_(c, p, n);
        QELFIN_CHECK(v, err == want, "vzatl gives " + std::to_string(err) + ", expected " + std::to_string(want));
        result(0);
    } else if (name == "znpv" || name == "zdctab" || name == "zdptab") {
        make_probe(tail(2));
        s.arena.seal();
        const int32_t m = within(int_or(r, 0, probe.length), probe.length);
        if (name == "znpv") {
            check_error_word(v, err, 0, 3, result(f.znpv_(d(0), d(1), m, &SeriesProbe::callback, &probe, &err)));
            check_reads(v, probe, m, true);
        } else {
            const auto solve = name == "zdctab" ? f.zdctab_ : f.zdptab_;
            check_error_word(v, err, 0, 1, result(solve(d(0), d(1), m, callback, &probe, &err)));
            check_reads(v, probe, std::max(m, 0), false);
            if (!std::isnan(d(0)) && !std::isnan(d(1)) && (m < 1 || callback == nullptr))
                QELFIN_CHECK(v, err == 1 && probe.asked.empty(), "an empty table or no callback accepted");
        }
    } else if (name == "zirr_s" || name == "zirr") {
        const std::vector<double> flows = tail(1);
        make_probe(flows);
        s.arena.seal();
        // Counts the solver accepts are backed by the series; others
        // (below 2, above 32767) must be refused before any reading.
        int32_t count = int_or(r, 0, probe.length);
        if (count >= 2 && count <= 32767) count = within(count, probe.length);
        const double freq = d(0);
        const bool valid = !std::isnan(freq) && freq >= 0 && count >= 2 && count <= 32767 && callback != nullptr;
        double rate = unwritten();
        ZirrParams p{freq, kGarbage, count, callback, &probe, kGarbage, unwritten()};
        if (name == "zirr_s") {
            err = f.zirr_s_(&p);
            rate = p.rate;
            QELFIN_CHECK(
                v, bits_of(p.freq) == bits_of(freq) && p.count == count && p.callback == callback && p.context == &probe,
                "zirr_s changed its inputs");
            QELFIN_CHECK(v, (err == 0) != is_unwritten(rate), err == 0 ? "rate not written" : "rate written on failure");
        } else {
            rate = f.zirr_(freq, count, callback, &probe, &err);
            QELFIN_CHECK(v, (err != 0) == is_missing_bits(rate), "zirr's value and code disagree");
        }
        result(rate);
        constexpr int32_t kCodes[] = {0, -999, 1, -1000, -995, -994, -993, -997};
        QELFIN_CHECK(v, std::find(std::begin(kCodes), std::end(kCodes), err) != std::end(kCodes),
                     "IRR code " + std::to_string(err));
        QELFIN_CHECK(v, (err == -999) == !valid, valid ? "a valid request refused" : "an invalid request accepted");
        check_reads(v, probe, std::max(count, 0), false);
        const auto calls = static_cast<int32_t>(probe.asked.size());
        const bool scratch = valid && !no_scratch;
        QELFIN_CHECK(v, calls == (scratch ? count : 0), "the series read " + std::to_string(calls) + " times");
        if (valid && !scratch) QELFIN_CHECK(v, err == 1, "no scratch memory not reported as code 1");
        if (own) {
            QELFIN_CHECK(v, h.toolkit().creations().size() - watch.creations == (valid ? 1u : 0u),
                         "scratch pools created");
            const size_t allocated = h.toolkit().allocations().size() - watch.allocations;
            QELFIN_CHECK(v,
                         allocated == 0 || (allocated == 1 && h.toolkit().allocations().back() ==
                                                                  static_cast<size_t>(count) * sizeof(double)),
                         "scratch allocations");
        }
        if (name == "zirr_s" && !scratch) {
            QELFIN_CHECK(v, p.sign_changes == 0 && p.multiple == 0, "outputs not cleared on entry");
        } else if (name == "zirr_s") {
            const std::vector<double> read(flows.begin(), flows.begin() + count);
            const int32_t changes = sign_changes(read);
            if (std::all_of(read.begin(), read.end(), [](double c) { return std::isnan(c) || c == 0; })) {
                QELFIN_CHECK(v, err == -1000 && p.sign_changes == -994, "an all-zero series not reported");
            } else {
                QELFIN_CHECK(v, p.sign_changes == changes,
                             "sign changes " + std::to_string(p.sign_changes) + ", counted " + std::to_string(changes));
                QELFIN_CHECK(v, p.multiple == (changes >= 2 ? 1 : 0), "multiple " + std::to_string(p.multiple));
                if (changes == 0) QELFIN_CHECK(v, err == 1, "no sign change not reported as code 1");
            }
        }
    } else if (name == "intdat" || name == "intdvq" || name == "netpv2" || name == "netpvd") {
        // The block holds the arguments; the flows sit where IRR (from
        // argument 2) or NPV (from argument 3) keep them.
        const int32_t first = name.rfind("int", 0) == 0 ? 2 : 3;
        int32_t length = r.length;
        if (length < first) length = pad(values, first);
        const int32_t n = within(int_or(r, 0, length - (first - 1)), length - (first - 1));
        BlockDecor decor;
        decor.host_seed = (r.flags & kHostBits) ? s.host_seed(r) : 0;
        decor.caller_kind = site_caller_kind(r.site);
        TestBlock block(s.arena, values, length, decor);
        s.arena.seal();
        const auto* bytes = reinterpret_cast<const uint8_t*>(block.get());
        const std::vector<uint8_t> before(bytes, bytes + block.bytes());
        double out1 = unwritten(), out2 = 0;
        const bool two = name == "intdvq" || name == "netpvd";
        if (two) out2 = unwritten();
        if (name == "intdat") f.intdat_(n, d(0), &out1, block.get());
        if (name == "intdvq") f.intdvq_(n, d(0), &out1, &out2, block.get());
        if (name == "netpv2") f.netpv2_(n, d(0), d(1), &out1, block.get());
        if (name == "netpvd") f.netpvd_(n, d(0), &out1, &out2, block.get());
        out.out.push_back(out1);
        if (two) out.out.push_back(out2);
        QELFIN_CHECK(v, !is_unwritten(out1) && !is_unwritten(out2), "an output not written");
        QELFIN_CHECK(v, std::memcmp(before.data(), block.get(), block.bytes()) == 0, "the block changed");
    } else if (name == "qelwufin") {
        s.arena.seal();
        auto* vec = static_cast<FunctionVector*>(f.qelwufin_());
        if (own) {
            const auto log = h.vector_pool().requests();
            QELFIN_CHECK(v,
                         log.size() == watch.vector_asked + 1 && log.back().size == sizeof(FunctionVector) &&
                             log.back().flags == 8198,
                         "the vector pool was not asked once for the vector");
        }
        if (refuse_vector || vec == nullptr) {
            QELFIN_CHECK(v, (vec == nullptr) == refuse_vector, refuse_vector ? "a vector from a refusing pool"
                                                                              : "no vector from a willing pool");
        } else {
            QELFIN_CHECK(v, std::memcmp(vec->entries, boot->vector()->entries, sizeof vec->entries) == 0,
                         "the vector differs from the first one");
            const auto* head = reinterpret_cast<const unsigned char*>(&vec->header);
            QELFIN_CHECK(v, std::all_of(head, head + sizeof vec->header, [](auto c) { return c == standin::Pool::kFill; }),
                         "word 0 of the vector was written");
        }
    } else if (name == "rzvercn1") {
        s.arena.seal();
        std::vector<uint8_t> copy(sizeof(VersionRecord), 0xCC);
        err = f.rzvercn1_(reinterpret_cast<VersionRecord*>(copy.data()));
        result(0);
        QELFIN_CHECK(v, err == 0, "rzvercn1 returned " + std::to_string(err));
        QELFIN_CHECK(v, copy == version_record, "the version record changed");
    } else {  // the primitives and the solvers with fixed arguments
        s.arena.seal();
        int32_t which = 1;  // the quantity to solve for: the first missing one
        for (int i = 3; i >= 0; --i)
            if (std::isnan(d(static_cast<size_t>(i)))) which = i + 1;
        which = int_or(r, 0, which);
        if (name == "zpower") check_error_word(v, err, 0, 3, result(f.zpower_(d(0), d(1), &err)));
        for (const auto& [fn_name, fn] : {std::pair{"zexpm1", f.zexpm1_}, {"zln1px", f.zln1px_}, {"zqlog", f.zqlog_}})
            if (name == fn_name) value(fn(d(0)));
        if (name == "zlnSumOfExp") value(f.zlnSumOfExp_(d(0), d(1)));
        // zcmpnd and zsaving fail with 1 only; zmort names its failures 1 to
        // 5, and a rate search that does not converge may give a further
        // positive code (or a rate); it fails with 0.0, not MISSING.
        for (const auto& [solver, fn, hi] : {std::tuple{"zcmpnd", f.zcmpnd_, 1}, {"zsaving", f.zsaving_, 1},
                                             {"zmort", f.zmort_, INT32_MAX}})
            if (name == solver)
                check_error_word(v, err, 0, hi, result(fn(d(0), d(1), d(2), d(3), which, &err)), hi > 1);
        for (const auto& [solver, fn] :
             {std::pair{"zdcdb", f.zdcdb_}, {"zdpdb", f.zdpdb_}, {"zdcdbsl", f.zdcdbsl_}, {"zdpdbsl", f.zdpdbsl_}})
            if (name == solver) check_error_word(v, err, -4, 3, result(fn(d(0), d(1), d(2), d(3), &err)));
        for (const auto& [solver, fn] :
             {std::pair{"zdcsl", f.zdcsl_}, {"zdpsl", f.zdpsl_}, {"zdcsyd", f.zdcsyd_}, {"zdpsyd", f.zdpsyd_}})
            if (name == solver) check_error_word(v, err, -3, 0, result(fn(d(0), d(1), d(2), &err)));
    }

    SeriesProbe::current = nullptr;
    watch.finish(v, name == "zirr_s" || name == "zirr");
    if (v.failed()) {
        std::string ints;
        for (int32_t i : r.ints) ints += " #" + std::to_string(i);
        v.describe(name + show_args(values, r.length) + ints + " flags " + std::to_string(r.flags));
        fail(v);
    }
    return out;
}

}  // namespace qelfin::fuzz
