// qelfin_crossrun: runs the cross-build table through the module of its own
// build, as the stand-in host of that build loads it, and writes one result
// line per call (format: cross_table.h).
//
//   qelfin_crossrun TABLE [MODULE]
//
// Every call that uses exp, log or pow is made three more times with their
// results moved one unit in the last place up, down and alternately
// (libm_probe.c), so
// that the comparer knows which results depend on the math library and by
// how much.  Repeats leave the call sites as the first call left them.
#include "tests/robustness/cross/cross_table.h"

#include "host/standin/standin.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

extern "C" {
extern long qelfin_libm_calls;
extern int qelfin_libm_nudge;
}

namespace {

using namespace qelfin::host;
using qelfin::cross::hex;
using qelfin::cross::TableCall;

struct Outputs {
    int64_t status = 0;
    int32_t marked = 0, marks = 0;
    std::string notes = "-";
    std::vector<double> out;
};

struct Runner {
    qelfin::standin::Host host;
    Module module;
    std::map<std::pair<int, int>, SiteState> sites;
    decltype(&zpower) zpower_ = nullptr;
    decltype(&zexpm1) zexpm1_ = nullptr;
    decltype(&zln1px) zln1px_ = nullptr;
    decltype(&zlnSumOfExp) zlnSumOfExp_ = nullptr;
    decltype(&zqlog) zqlog_ = nullptr;
    decltype(&zirr) zirr_ = nullptr;
    decltype(&intdat) intdat_ = nullptr;
    decltype(&intdvq) intdvq_ = nullptr;
    decltype(&netpv2) netpv2_ = nullptr;
    decltype(&netpvd) netpvd_ = nullptr;

    explicit Runner(const std::string& path) : module(host, path) {
        find("zpower", zpower_);
        find("zexpm1", zexpm1_);
        find("zln1px", zln1px_);
        find("zlnSumOfExp", zlnSumOfExp_);
        find("zqlog", zqlog_);
        find("zirr", zirr_);
        find("intdat", intdat_);
        find("intdvq", intdvq_);
        find("netpv2", netpv2_);
        find("netpvd", netpvd_);
    }
    template <class F>
    void find(const char* name, F& slot) {
        try {
            slot = module.symbol<F>(name);
        } catch (const LoadError&) {
            slot = nullptr;
        }
    }

    // One call.  `site` is the call site to use (null for none); `ok` is
    // false when the module lacks the routine.
    Outputs call(const TableCall& c, SiteState* site, bool& ok) {
        Outputs o;
        ok = true;
        const auto& v = c.values;
        auto at = [&](size_t i) { return i < v.size() ? v[i] : 0.0; };
        if (function_index(c.name)) {
            std::vector<Arg> args(v.begin(), v.end());
            const CallResult r = module.call(c.name, args, site);
            o.status = r.status;
            o.marked = r.marked;
            o.marks = r.mark_count;
            o.out.push_back(r.value);
            std::string notes;
            for (const auto& n : r.notes) {
                notes += (notes.empty() ? "" : "+") + std::to_string(n.id) + ":" + n.function;
                if (n.has_rate) o.out.push_back(n.rate);
            }
            if (!notes.empty()) o.notes = notes;
            return o;
        }
        int32_t err = 0;
        const std::string& f = c.name;
        if (f == "zpower" && zpower_) {
            o.out.push_back(zpower_(at(0), at(1), &err));
            o.status = err;
        } else if (f == "zexpm1" && zexpm1_) {
            o.out.push_back(zexpm1_(at(0)));
        } else if (f == "zln1px" && zln1px_) {
            o.out.push_back(zln1px_(at(0)));
        } else if (f == "zlnSumOfExp" && zlnSumOfExp_) {
            o.out.push_back(zlnSumOfExp_(at(0), at(1)));
        } else if (f == "zqlog" && zqlog_) {
            o.out.push_back(zqlog_(at(0)));
        } else if (f == "zirr" && zirr_) {
            std::vector<double> flows(v.begin() + 1, v.end());
            o.out.push_back(zirr_(at(0), c.count, &read_flow, &flows, &err));
            o.status = err;
        } else if ((f == "intdat" && intdat_) || (f == "intdvq" && intdvq_) || (f == "netpv2" && netpv2_) ||
                   (f == "netpvd" && netpvd_)) {
            std::vector<Arg> args(v.begin(), v.end());
            ArgBlock block(args);
            double a = 0, b = 0;
            if (f == "intdat") intdat_(c.count, at(0), &a, block.get());
            if (f == "intdvq") intdvq_(c.count, at(0), &a, &b, block.get());
            if (f == "netpv2") netpv2_(c.count, at(0), at(1), &a, block.get());
            if (f == "netpvd") netpvd_(c.count, at(0), &a, &b, block.get());
            o.out.push_back(a);
            if (f == "intdvq" || f == "netpvd") o.out.push_back(b);
        } else {
            ok = false;
        }
        return o;
    }

    static double read_flow(int32_t i, void* context) {
        return (*static_cast<const std::vector<double>*>(context))[static_cast<size_t>(i)];
    }
};

std::string outs(const std::vector<double>& v) {
    std::string s;
    for (size_t i = 0; i < v.size(); ++i) s += (i ? "," : "") + hex(v[i]);
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s TABLE [MODULE]\n", argv[0]);
        return 2;
    }
    std::ifstream table(argv[1]);
    if (!table) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    Runner runner(argc > 2 ? argv[2] : default_module_path());
    std::string line;
    long index = 0;
    while (std::getline(table, line)) {
        if (line.empty()) continue;
        const TableCall c = qelfin::cross::parse_call(line);
        SiteState* site = nullptr;
        if (c.has_site) {
            auto [it, fresh] = runner.sites.try_emplace({c.kind, c.site}, SiteState{c.kind, nullptr});
            site = &it->second;
        }
        // What the call site holds before the call, to repeat the call from
        // the same state without disturbing the site.
        const bool had_state = site != nullptr && site->call_state != nullptr;
        const int32_t counter_before = had_state ? *site->call_state : 0;

        bool ok = true;
        qelfin_libm_calls = 0;
        qelfin_libm_nudge = 0;
        const Outputs o = runner.call(c, site, ok);
        const long libm = qelfin_libm_calls;
        if (!ok) {
            std::printf("%ld absent\n", index++);
            continue;
        }
        std::printf("%ld %llx %d/%d %s L=%ld O=%s", index++, static_cast<unsigned long long>(o.status), o.marked,
                    o.marks, o.notes.c_str(), libm, outs(o.out).c_str());
        if (libm > 0) {
            for (int nudge : {+1, -1, 2}) {
                int32_t counter = counter_before;
                SiteState copy{site ? site->caller_kind : uint8_t{0}, site && site->call_state ? &counter : nullptr};
                qelfin_libm_nudge = nudge;
                const Outputs moved = runner.call(c, site ? &copy : nullptr, ok);
                qelfin_libm_nudge = 0;
                std::printf(" %s=%llx/%s",
                            nudge == 1    ? "P"
                            : nudge == -1 ? "Q"
                                          : "R",
                            static_cast<unsigned long long>(moved.status), outs(moved.out).c_str());
            }
        }
        std::printf("\n");
    }
    return 0;
}
