// Direct calls of the exported routines, and what each must keep:
//
//   - error words among the codes its contract lists, and MISSING (or 0.0
//     for zmort) whenever a failure is reported;
//   - every output written;
//   - series read through the harness's callback only at indexes inside the
//     series: znpv from the last to the first, once each; zirr_s and zirr
//     from the first to the last, once each, and never on a request they
//     refuse or without their scratch array;
//   - zirr_s: inputs left as given, outputs set on every path, the rate only
//     on success, the sign changes of the series reported, every scratch
//     pool destroyed;
//   - the argument-block routines leave the block exactly as it was;
//   - zvasum, zvamx and vzatl give what their definitions say;
//   - qelwufin returns null when the vector pool refuses, else the vector
//     of the first load; rzvercn1 copies the same record every time.
#include "fuzz/harness_impl.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace qelfin::fuzz {

namespace {

const char* const kRoutineNames[] = {
    "zpower",  "zexpm1", "zln1px", "zlnSumOfExp", "zqlog",  "zvasum", "zvamx",   "vzatl",   "zcmpnd",   "zmort",
    "zsaving", "znpv",   "zirr_s", "zirr",        "zdcdb",  "zdpdb",  "zdcdbsl", "zdpdbsl", "zdcsl",    "zdpsl",
    "zdcsyd",  "zdpsyd", "zdctab", "zdptab",      "intdat", "intdvq", "netpv2",  "netpvd",  "qelwufin", "rzvercn1"};
constexpr int kRoutineOps = sizeof kRoutineNames / sizeof kRoutineNames[0];

constexpr int32_t kIrrCodes[] = {0, -999, 1, -1000, -995, -994, -993, -997};
bool irr_code(int32_t c) { return std::find(std::begin(kIrrCodes), std::end(kIrrCodes), c) != std::end(kIrrCodes); }

constexpr int32_t kGarbage = 0x5A5A5A5A;

// Integer parameter k of the record, or a default.
int32_t int_or(const OpRecord& r, size_t k, int32_t fallback) { return k < r.ints.size() ? r.ints[k] : fallback; }

// A count that the harness can back with a series of `available` values:
// counts beyond it are cut to it, everything else (zero, negative) stays.
int32_t within(int32_t v, int32_t available) { return v > available ? available : v; }

void check_series_ascending(Verdict& v, const SeriesProbe& probe, int32_t count) {
    const auto calls = static_cast<int32_t>(probe.asked.size());
    QELFIN_CHECK(v, calls == 0 || calls == count,
                 "callback called " + std::to_string(calls) + " times for " + std::to_string(count) + " cash flows");
    for (int32_t i = 0; i < calls; ++i)
        if (probe.asked[static_cast<size_t>(i)] != i) {
            QELFIN_CHECK(v, false,
                         "callback asked for index " + std::to_string(probe.asked[static_cast<size_t>(i)]) +
                             " as read " + std::to_string(i + 1));
            break;
        }
}

void check_in_range(Verdict& v, const SeriesProbe& probe, int32_t m) {
    for (int32_t i : probe.asked)
        if (i < 0 || i >= m) {
            QELFIN_CHECK(v, false,
                         "callback asked for index " + std::to_string(i) + " of a series of " + std::to_string(m));
            break;
        }
    QELFIN_CHECK(v, !probe.foreign_context, "callback got a foreign context");
}

}  // namespace

std::vector<std::string> Harness::routine_ops() { return {std::begin(kRoutineNames), std::end(kRoutineNames)}; }

Outcome Harness::Impl::routine_op(Session& s, const OpRecord& r) {
    const int op = r.op % kRoutineOps;
    if (std::find(absent.begin(), absent.end(), kRoutineNames[op]) != absent.end()) return {};
    const Routines& f = routines;
    host::Host& h = s.host;

    std::vector<ArgValue> values = r.values;
    avoid_unwritten(values);
    std::vector<double> x;
    for (int32_t i = 0; i < r.length; ++i) {
        const ArgValue& a = values[static_cast<size_t>(i) % values.size()];
        x.push_back(a.numeric ? a.number : 0.0);
    }
    auto d = [&](size_t i) { return i < x.size() ? x[i] : 1.0; };
    auto tail = [&](size_t from) {
        return from < x.size() ? std::vector<double>(x.begin() + static_cast<long>(from), x.end())
                               : std::vector<double>{};
    };

    // The host's switches and logs are the session's own unless it shares
    // its host; then no faults are injected and the logs are not read.
    const bool own = !s.shared;
    const bool faults = own && (r.flags & kFaults) != 0;
    const bool fail_create = faults && (r.flags & kFailToolkitCreate);
    const bool fail_allocate = faults && (r.flags & kFailToolkitAllocate);
    const bool refuse_vector = faults && (r.flags & kRefuseVectorPool);
    const bool null_callback = (r.flags & kExtraArguments) != 0;
    if (own) {
        h.toolkit().set_fail_create(fail_create);
        h.toolkit().set_fail_allocate(fail_allocate);
        h.vector_pool().set_refuse(refuse_vector);
    }
    const int created = own ? h.toolkit().created() : 0, destroyed = own ? h.toolkit().destroyed() : 0;
    const size_t creations = own ? h.toolkit().creations().size() : 0;
    const size_t allocations = own ? h.toolkit().allocations().size() : 0;

    Verdict v;
    Outcome out;

    s.arena.open();
    SeriesProbe probe;
    auto make_probe = [&](const std::vector<double>& series) {
        probe.values = s.arena.put_doubles(series);
        probe.length = static_cast<int32_t>(series.size());
        SeriesProbe::current = &probe;
    };

    switch (op) {
        case 0: {  // zpower
            s.arena.seal();
            int32_t err = kGarbage;
            const double y = f.zpower_(d(0), d(1), &err);
            out.status = err;
            out.out.push_back(y);
            QELFIN_CHECK(v, err >= 0 && err <= 3, "zpower error " + std::to_string(err));
            if (err != 0) QELFIN_CHECK(v, is_missing_bits(y), "zpower failed without MISSING");
            break;
        }
        case 1:
            s.arena.seal();
            out.out.push_back(f.zexpm1_(d(0)));
            break;
        case 2:
            s.arena.seal();
            out.out.push_back(f.zln1px_(d(0)));
            break;
        case 3:
            s.arena.seal();
            out.out.push_back(f.zlnSumOfExp_(d(0), d(1)));
            break;
        case 4:
            s.arena.seal();
            out.out.push_back(f.zqlog_(d(0)));
            break;
        case 5:
        case 6: {  // zvasum, zvamx
            const double* p = s.arena.put_doubles(x);
            s.arena.seal();
            const int32_t n = within(int_or(r, 0, static_cast<int32_t>(x.size())), static_cast<int32_t>(x.size()));
            const double got = op == 5 ? f.zvasum_(p, n) : f.zvamx_(p, n);
            out.out.push_back(got);
            if (n <= 0) {
                QELFIN_CHECK(v, got == 0.0, "an empty array gives " + show(got));
                break;
            }
            bool nan = false;
            long double sum = 0;
            double top = 0;
            for (int32_t i = 0; i < n; ++i) {
                nan = nan || std::isnan(x[static_cast<size_t>(i)]);
                sum += std::fabs(static_cast<long double>(x[static_cast<size_t>(i)]));
                top = std::max(top, std::fabs(x[static_cast<size_t>(i)]));
            }
            if (nan) break;  // what a NaN element does is not fixed
            if (op == 6) {
                QELFIN_CHECK(v, bits_of(got) == bits_of(top), "largest magnitude " + show(top) + ", got " + show(got));
            } else if (std::isinf(sum) || sum > DBL_MAX / 2) {
                QELFIN_CHECK(v, got >= DBL_MAX / 4, "sum of magnitudes overflowing, got " + show(got));
            } else {
                const long double tol = sum * n * LDBL_EPSILON * 4096 + 4 * std::numeric_limits<double>::denorm_min();
                QELFIN_CHECK(v, std::fabs(got - sum) <= tol,
                             "sum of magnitudes " + show(static_cast<double>(sum)) + ", got " + show(got));
            }
            break;
        }
        case 7: {  // vzatl
            const std::string text = !values.empty() && !values[0].numeric ? values[0].text : std::string(3, ' ');
            const uint8_t* p = s.arena.put_text(text);  // ends where nothing may be read
            s.arena.seal();
            const int c = int_or(r, 0, ' ');
            const int32_t n =
                within(int_or(r, 1, static_cast<int32_t>(text.size())), static_cast<int32_t>(text.size()));
            int want = 1;
            for (int32_t i = 0; i < n; ++i)
                if (p[i] != c) want = 0;
            const int got = f.vzatl_(c, p, n);
            out.status = got;
            QELFIN_CHECK(v, got == want, "vzatl gives " + std::to_string(got) + ", expected " + std::to_string(want));
            break;
        }
        case 8:
        case 9:
        case 10: {  // zcmpnd, zmort, zsaving
            s.arena.seal();
            auto solve = op == 8 ? f.zcmpnd_ : op == 9 ? f.zmort_ : f.zsaving_;
            int32_t which = 1;
            for (int i = 3; i >= 0; --i)
                if (std::isnan(d(static_cast<size_t>(i)))) which = i + 1;
            which = int_or(r, 0, which);
            int32_t err = kGarbage;
            const double y = solve(d(0), d(1), d(2), d(3), which, &err);
            out.status = err;
            out.out.push_back(y);
            // zcmpnd and zsaving fail with 1 only; zmort names its failures
            // 1 to 5, and the outcome of a rate search that does not converge
            // is the implementer's (a further positive code, or a rate).
            if (op == 9)
                QELFIN_CHECK(v, err >= 0, "error word " + std::to_string(err));
            else
                QELFIN_CHECK(v, err == 0 || err == 1, "error word " + std::to_string(err));
            if (err != 0 && op == 9) QELFIN_CHECK(v, bits_of(y) == 0, "zmort failed without returning 0.0");
            if (err != 0 && op != 9) QELFIN_CHECK(v, is_missing_bits(y), "failed without MISSING");
            break;
        }
        case 11: {  // znpv
            const std::vector<double> flows = tail(2);
            make_probe(flows);
            s.arena.seal();
            const int32_t m = within(int_or(r, 0, probe.length), probe.length);
            int32_t err = kGarbage;
            const double y = f.znpv_(d(0), d(1), m, &SeriesProbe::callback, &probe, &err);
            out.status = err;
            out.out.push_back(y);
            QELFIN_CHECK(v, err >= 0 && err <= 3, "znpv error " + std::to_string(err));
            if (err != 0) QELFIN_CHECK(v, is_missing_bits(y), "znpv failed without MISSING");
            check_in_range(v, probe, m);
            for (size_t i = 0; i < probe.asked.size(); ++i)
                if (probe.asked[i] != m - 1 - static_cast<int32_t>(i)) {
                    QELFIN_CHECK(v, false,
                                 "znpv read cash flow " + std::to_string(probe.asked[i]) + " as read " +
                                     std::to_string(i + 1) + " of a series of " + std::to_string(m));
                    break;
                }
            break;
        }
        case 12:
        case 13: {  // zirr_s, zirr
            const std::vector<double> flows = tail(1);
            make_probe(flows);
            s.arena.seal();
            // Counts the solver accepts are backed by the series; others
            // (below 2, above 32767) must be refused before any reading.
            int32_t count = int_or(r, 0, probe.length);
            if (count >= 2 && count <= 32767) count = within(count, probe.length);
            const double freq = d(0);
            const ValueCallback cb = null_callback ? nullptr : &SeriesProbe::callback;
            const bool valid = !std::isnan(freq) && freq >= 0 && count >= 2 && count <= 32767 && cb != nullptr;
            int32_t code = 0;
            double rate = unwritten();
            ZirrParams p{};
            if (op == 12) {
                p.freq = freq;
                p.sign_changes = kGarbage;
                p.count = count;
                p.callback = cb;
                p.context = &probe;
                p.multiple = kGarbage;
                p.rate = unwritten();
                code = f.zirr_s_(&p);
                rate = p.rate;
                QELFIN_CHECK(
                    v, bits_of(p.freq) == bits_of(freq) && p.count == count && p.callback == cb && p.context == &probe,
                    "zirr_s changed its inputs");
            } else {
                code = kGarbage;
                rate = f.zirr_(freq, count, cb, &probe, &code);
            }
            out.status = code;
            out.out.push_back(rate);
            QELFIN_CHECK(v, irr_code(code), "IRR code " + std::to_string(code));
            QELFIN_CHECK(v, (code == -999) == !valid,
                         valid ? "a valid request refused" : "an invalid request accepted");
            if (op == 12) {
                QELFIN_CHECK(v, (code == 0) != is_unwritten(rate),
                             code == 0 ? "rate not written" : "rate written on failure");
            } else {
                QELFIN_CHECK(v, (code != 0) == is_missing_bits(rate), "zirr's value and code disagree");
            }
            check_in_range(v, probe, std::max(count, 0));
            const auto calls = static_cast<int32_t>(probe.asked.size());
            if (!valid || fail_create || fail_allocate) {
                QELFIN_CHECK(v, calls == 0, "the series was read without a scratch array");
                if (valid) QELFIN_CHECK(v, code == 1, "no scratch memory not reported as code 1");
            } else {
                check_series_ascending(v, probe, count);
                QELFIN_CHECK(v, calls == count, "the series was not read whole");
            }
            if (own) {
                QELFIN_CHECK(v, h.toolkit().creations().size() - creations == (valid ? 1u : 0u),
                             "scratch pools created: " + std::to_string(h.toolkit().creations().size() - creations));
                const size_t allocated = h.toolkit().allocations().size() - allocations;
                QELFIN_CHECK(v, allocated <= 1, "more than one scratch allocation");
                if (allocated == 1)
                    QELFIN_CHECK(v, h.toolkit().allocations().back() == static_cast<size_t>(count) * sizeof(double),
                                 "scratch array of " + std::to_string(h.toolkit().allocations().back()) + " bytes");
            }
            if (op == 12) {
                if (!valid || fail_create || fail_allocate) {
                    QELFIN_CHECK(v, p.sign_changes == 0 && p.multiple == 0, "outputs not cleared on entry");
                } else {
                    std::vector<double> read(flows.begin(), flows.begin() + count);
                    const int32_t changes = sign_changes(read);
                    const bool all_zero =
                        std::all_of(read.begin(), read.end(), [](double c) { return std::isnan(c) || c == 0; });
                    if (all_zero) {
                        QELFIN_CHECK(v, code == -1000 && p.sign_changes == -994, "an all-zero series not reported");
                    } else {
                        QELFIN_CHECK(
                            v, p.sign_changes == changes,
                            "sign changes " + std::to_string(p.sign_changes) + ", counted " + std::to_string(changes));
                        QELFIN_CHECK(v, p.multiple == (changes >= 2 ? 1 : 0), "multiple " + std::to_string(p.multiple));
                        if (changes == 0) QELFIN_CHECK(v, code == 1, "no sign change not reported as code 1");
                    }
                }
            }
            break;
        }
        case 14:
        case 15:
        case 16:
        case 17: {  // zdcdb, zdpdb, zdcdbsl, zdpdbsl
            s.arena.seal();
            auto solve = op == 14 ? f.zdcdb_ : op == 15 ? f.zdpdb_ : op == 16 ? f.zdcdbsl_ : f.zdpdbsl_;
            int32_t err = kGarbage;
            const double y = solve(d(0), d(1), d(2), d(3), &err);
            out.status = err;
            out.out.push_back(y);
            QELFIN_CHECK(v, err >= -4 && err <= 3, "error word " + std::to_string(err));
            if (err != 0) QELFIN_CHECK(v, is_missing_bits(y), "failed without MISSING");
            break;
        }
        case 18:
        case 19:
        case 20:
        case 21: {  // zdcsl, zdpsl, zdcsyd, zdpsyd
            s.arena.seal();
            auto solve = op == 18 ? f.zdcsl_ : op == 19 ? f.zdpsl_ : op == 20 ? f.zdcsyd_ : f.zdpsyd_;
            int32_t err = kGarbage;
            const double y = solve(d(0), d(1), d(2), &err);
            out.status = err;
            out.out.push_back(y);
            QELFIN_CHECK(v, err >= -3 && err <= 0, "error word " + std::to_string(err));
            if (err != 0) QELFIN_CHECK(v, is_missing_bits(y), "failed without MISSING");
            break;
        }
        case 22:
        case 23: {  // zdctab, zdptab
            make_probe(tail(2));
            s.arena.seal();
            auto solve = op == 22 ? f.zdctab_ : f.zdptab_;
            const int32_t m = within(int_or(r, 0, probe.length), probe.length);
            const ValueCallback cb = null_callback ? nullptr : &SeriesProbe::callback;
            int32_t err = kGarbage;
            const double y = solve(d(0), d(1), m, cb, &probe, &err);
            out.status = err;
            out.out.push_back(y);
            QELFIN_CHECK(v, err == 0 || err == 1, "error word " + std::to_string(err));
            if (err != 0) QELFIN_CHECK(v, is_missing_bits(y), "failed without MISSING");
            check_in_range(v, probe, std::max(m, 0));
            if (!std::isnan(d(0)) && !std::isnan(d(1)) && (m < 1 || cb == nullptr))
                QELFIN_CHECK(v, err == 1 && probe.asked.empty(), "an empty table or no callback accepted");
            break;
        }
        case 24:
        case 25:
        case 26:
        case 27: {  // intdat, intdvq, netpv2, netpvd
            // The block holds the arguments; the flows sit where IRR (from
            // argument 2) or NPV (from argument 3) keep them.
            const int32_t first = op <= 25 ? 2 : 3;
            int32_t length = r.length;
            if (length < first) {  // short lists are all explicit
                while (static_cast<int32_t>(values.size()) < first) values.push_back(ArgValue{true, 1.0, {}});
                length = first;
            }
            const int32_t held = length - (first - 1);
            const int32_t n = within(int_or(r, 0, held), held);
            BlockDecor decor;
            decor.host_seed = (r.flags & kHostBits) ? s.host_seed(r) : 0;
            decor.caller_kind = site_caller_kind(r.site);
            TestBlock block(s.arena, values, length, decor);
            s.arena.seal();
            const std::vector<uint8_t> before(reinterpret_cast<const uint8_t*>(block.get()),
                                              reinterpret_cast<const uint8_t*>(block.get()) + block.bytes());
            double out1 = unwritten(), out2 = unwritten();
            if (op == 24) f.intdat_(n, d(0), &out1, block.get());
            if (op == 25) f.intdvq_(n, d(0), &out1, &out2, block.get());
            if (op == 26) f.netpv2_(n, d(0), d(1), &out1, block.get());
            if (op == 27) f.netpvd_(n, d(0), &out1, &out2, block.get());
            out.out.push_back(out1);
            if (op == 25 || op == 27) out.out.push_back(out2);
            QELFIN_CHECK(v, !is_unwritten(out1) && (op == 24 || op == 26 || !is_unwritten(out2)),
                         "an output not written");
            QELFIN_CHECK(v, std::memcmp(before.data(), block.get(), block.bytes()) == 0, "the block changed");
            break;
        }
        case 28: {  // qelwufin
            s.arena.seal();
            const size_t asked = own ? h.vector_pool().requests().size() : 0;
            auto* vec = static_cast<FunctionVector*>(f.qelwufin_());
            const auto log = own ? h.vector_pool().requests() : std::vector<host::Pool::Request>{};
            if (own)
                QELFIN_CHECK(v, log.size() == asked + 1,
                             "the vector pool was asked " + std::to_string(log.size() - asked) + " times");
            if (own && log.size() == asked + 1)
                QELFIN_CHECK(v, log.back().size == sizeof(FunctionVector) && log.back().flags == 8198,
                             "vector request");
            if (refuse_vector) {
                QELFIN_CHECK(v, vec == nullptr, "a vector from a refusing pool");
            } else if (vec == nullptr) {
                QELFIN_CHECK(v, false, "no vector from a willing pool");
            } else {
                QELFIN_CHECK(v, std::memcmp(vec->entries, boot->vector()->entries, sizeof vec->entries) == 0,
                             "the vector differs from the first one");
                unsigned char head[sizeof vec->header];
                std::memcpy(head, &vec->header, sizeof head);
                QELFIN_CHECK(v,
                             std::all_of(std::begin(head), std::end(head),
                                         [](unsigned char c) { return c == host::Pool::kFill; }),
                             "word 0 of the vector was written");
            }
            break;
        }
        default: {  // rzvercn1
            s.arena.seal();
            std::vector<uint8_t> copy(sizeof(VersionRecord), 0xCC);
            const int32_t rc = f.rzvercn1_(reinterpret_cast<VersionRecord*>(copy.data()));
            out.status = rc;
            QELFIN_CHECK(v, rc == 0, "rzvercn1 returned " + std::to_string(rc));
            QELFIN_CHECK(v, copy == version_record, "the version record changed");
            break;
        }
    }

    SeriesProbe::current = nullptr;
    if (own) {
        h.toolkit().set_fail_create(false);
        h.toolkit().set_fail_allocate(false);
        h.vector_pool().set_refuse(false);
        QELFIN_CHECK(v, h.toolkit().live_pools() == 0, "a toolkit pool outlived the call");
        QELFIN_CHECK(v, h.toolkit().created() - created == h.toolkit().destroyed() - destroyed,
                     "pools created and destroyed differ");
        if (op != 12 && op != 13)
            QELFIN_CHECK(v, h.toolkit().creations().size() == creations, "a toolkit pool was created");
    }
    if (v.failed()) {
        std::string ints;
        for (size_t i = 0; i < r.ints.size(); ++i) ints += (i ? ", " : "") + std::to_string(r.ints[i]);
        v.describe(std::string(kRoutineNames[op]) + show_args(values, r.length) + " ints(" + ints + ")" +
                   (r.flags ? " flags " + std::to_string(r.flags) : ""));
        fail(v);
    }
    return out;
}

}  // namespace qelfin::fuzz
