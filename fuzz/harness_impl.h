// Inside of the harness, shared by its two halves (entries.cpp, routines.cpp).
#pragma once

#include "fuzz/byte_input.h"
#include "fuzz/harness.h"
#include "fuzz/value_arena.h"
#include "host/standin/standin.h"

#include <qelfin/qelfin.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace qelfin::fuzz {

inline uint64_t bits_of(double x) { return std::bit_cast<uint64_t>(x); }
inline bool is_missing_bits(double x) { return bits_of(x) == QELFIN_MISSING_BITS; }

// A signalling NaN the harness writes into every output before a call, to
// see that the call wrote it.  Inputs never carry it: a value passed through
// could pass for an output never written.
inline constexpr uint64_t kUnwrittenBits = 0x7FF0DEAD0000BEEFull;
inline double unwritten() { return std::bit_cast<double>(kUnwrittenBits); }
inline bool is_unwritten(double x) { return bits_of(x) == kUnwrittenBits; }
inline void avoid_unwritten(std::vector<ArgValue>& args) {
    for (auto& a : args)
        if (a.numeric && is_unwritten(a.number)) a.number = std::bit_cast<double>(kUnwrittenBits ^ 1);
}

std::string show(double x);
std::string show(const ArgValue& a);
// The arguments of a list of `length` repeating `values`.
std::string show_args(const std::vector<ArgValue>& values, int32_t length);

// Collects the failed checks of one call; the call is described only when one failed.
class Verdict {
public:
    void add(std::string what) { failures_.push_back(std::move(what)); }
    bool failed() const { return !failures_.empty(); }
    void describe(std::string call) { call_ = std::move(call); }
    std::string report() const;

private:
    std::string call_;
    std::vector<std::string> failures_;
};

// A check whose message is only put together when the check fails.
#define QELFIN_CHECK(verdict, ok, what) \
    do {                                \
        if (!(ok)) (verdict).add(what); \
    } while (0)

// The host's fault switches and pool logs around one call (none for a shared session).
struct PoolWatch {
    PoolWatch(Session& s, uint8_t flags) : h(s.host), own(!s.shared), flags_(own && (flags & kFaults) ? flags : 0) {
        if (!own) return;
        switches(fault(kRefuseCounterPool), fault(kRefuseVectorPool), fault(kFailToolkitCreate),
                 fault(kFailToolkitAllocate));
        counter_asked = h.counter_pool().requests().size();
        vector_asked = h.vector_pool().requests().size();
        allocations = h.toolkit().allocations().size();
        creations = h.toolkit().creations().size();
        created = h.toolkit().created(), destroyed = h.toolkit().destroyed();
    }
    bool fault(uint8_t bit) const { return (flags_ & bit) != 0; }
    void switches(bool counter, bool vector, bool create, bool allocate) const {
        h.counter_pool().set_refuse(counter);
        h.vector_pool().set_refuse(vector);
        h.toolkit().set_fail_create(create);
        h.toolkit().set_fail_allocate(allocate);
    }
    // Switches the faults off; no toolkit pool may outlive the call, and
    // none may be created unless `may_create`.
    void finish(Verdict& v, bool may_create) const {
        if (!own) return;
        switches(false, false, false, false);
        QELFIN_CHECK(v, h.toolkit().live_pools() == 0, "a toolkit pool outlived the call");
        QELFIN_CHECK(v, h.toolkit().created() - created == h.toolkit().destroyed() - destroyed,
                     "pools created and destroyed differ");
        if (!may_create) QELFIN_CHECK(v, h.toolkit().creations().size() == creations, "a toolkit pool was created");
    }

    standin::Host& h;
    const bool own;
    size_t counter_asked = 0, vector_asked = 0, allocations = 0, creations = 0;  // log lengths before the call
    int created = 0, destroyed = 0;

private:
    uint8_t flags_;
};

// The exported routines in the order of their operation numbers, and the scans.
#define QELFIN_ROUTINES(X)                                                                                   \
    X(zpower) X(zexpm1) X(zln1px) X(zlnSumOfExp) X(zqlog) X(zvasum) X(zvamx) X(vzatl) X(zcmpnd) X(zmort)      \
        X(zsaving) X(znpv) X(zirr_s) X(zirr) X(zdcdb) X(zdpdb) X(zdcdbsl) X(zdpdbsl) X(zdcsl) X(zdpsl)       \
            X(zdcsyd) X(zdpsyd) X(zdctab) X(zdptab) X(intdat) X(intdvq) X(netpv2) X(netpvd) X(qelwufin)      \
                X(rzvercn1)
#define QELFIN_SCANS(X) X(fncnmis) X(fnccmis) X(fncmis)

// The exported routines, found by name; null when the module lacks one.
struct Routines {
#define QELFIN_ROUTINE_SLOT(name) decltype(&::name) name##_ = nullptr;
    QELFIN_ROUTINES(QELFIN_ROUTINE_SLOT)
    QELFIN_SCANS(QELFIN_ROUTINE_SLOT)
#undef QELFIN_ROUTINE_SLOT
};

// A series read through the harness's own value callback, which records every index asked.
struct SeriesProbe {
    const double* values = nullptr;  // read-only
    int32_t length = 0;              // valid indexes 0 .. length-1
    std::vector<int32_t> asked;      // every index asked, in order
    bool foreign_context = false;    // the callback got a context that is not this probe
    static double callback(int32_t index, void* context);
    static thread_local SeriesProbe* current;  // the probe of the call under way
};

struct Harness::Impl {
    explicit Impl(std::string module_path);

    size_t run(const uint8_t* data, size_t size, bool entries);
    Outcome entry_op(Session& s, const OpRecord& r);
    Outcome routine_op(Session& s, const OpRecord& r);
    void fail(const Verdict& v) const;

    std::string path;
    standin::Host boot_host;
    std::unique_ptr<host::Module> boot;  // the first load: symbols and the reference vector
    Routines routines;
    std::vector<std::string> absent;  // names of the routines not exported
    std::vector<uint8_t> version_record;  // rzvercn1's record, read at load
    FailureHandler handler;
    ValueArena arena;  // lent to the session of each input
};

// Sign changes of a series read as the IRR solver reads it: missing values
// count as 0, zeros change nothing.
int32_t sign_changes(const std::vector<double>& flows);

// Short lists are all explicit: pads them to `length` arguments with 1.
inline int32_t pad(std::vector<ArgValue>& values, int32_t length) {
    while (static_cast<int32_t>(values.size()) < length) values.push_back(ArgValue{true, 1.0, {}});
    return length;
}

// A 1-based argument index from an input integer, in 1..n.
inline int32_t pick(int32_t v, int32_t n) {
    if (n <= 0) return 0;
    const int64_t m = static_cast<int64_t>(v) % n;
    return static_cast<int32_t>(m < 0 ? -m : m) + 1;
}

}  // namespace qelfin::fuzz
