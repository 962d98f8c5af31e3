// The host of one backend: a static Host whose pools are the server's
// memory contexts and whose notes are kept for the glue to raise, the
// module loaded into it, and call sites behind the C interface of
// bridge.h.  A call site is one block in the SQL call's memory context:
// the argument descriptors, the fixed values, and (through the counter
// pool) the IRR counter word; calling it touches no C++ heap.  Every
// exception stops here; the glue sees return values only.
#include "bridge.h"

#include "host/catalogue.h"
#include "host/hints.h"
#include "host/host.h"
#include "host/module.h"
#include "host/reasons.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

using namespace qelfin::host;

namespace {

// The caller kind the module limits notes for (ten per call site).
constexpr uint8_t kCallerKind = 0x48;

// The memory context of the call being made: the IRR/INTRR counter word
// of a call site is allocated there, so it goes with the SQL call.
void* g_call_mcxt = nullptr;

class ContextPool final : public PoolService {
public:
    void* allocate(size_t size, uint32_t) override {
        return g_call_mcxt ? qelfin_pg_alloc(g_call_mcxt, size == 0 ? 1 : size) : nullptr;
    }
    void release(void* block) override {
        if (block != nullptr) qelfin_pg_free(block);
    }
};

// One scratch pool at a time (the solver creates one per call and
// destroys it before returning), over one context reset on destroy.
class ContextScratch final : public ScratchService {
public:
    void* context = nullptr;

    ScratchPool* create(const uint32_t*, int32_t, const char*) override {
        if (busy_ || context == nullptr) return nullptr;
        busy_ = true;
        bind_scratch_pool(pool_, *this);
        return &pool_;
    }
    void* allocate(ScratchPool*, size_t size, uint32_t) override {
        return qelfin_pg_alloc(context, size == 0 ? 1 : size);
    }
    void destroy(ScratchPool*) override {
        qelfin_pg_reset(context);
        busy_ = false;
    }

private:
    ScratchPool pool_;
    bool busy_ = false;
};

// Keeps the texts of the notes of the call being made, without the
// "NOTE: " the host's texts start with (the server says NOTICE already).
class KeepNotes final : public NoteSink {
public:
    QelfinOutcome* out = nullptr;
    void note(const Note& n) override {
        if (out == nullptr || out->note_count >= QELFIN_MAX_NOTES) return;
        const char* text = n.text.c_str();
        if (std::strncmp(text, "NOTE: ", 6) == 0) text += 6;
        std::snprintf(out->notes[out->note_count++], QELFIN_NOTE_LEN, "%s", text);
    }
};

ContextPool g_pool;
ContextScratch g_scratch;
KeepNotes g_notes;
Host g_host;
std::unique_ptr<Module> g_module;
std::unique_ptr<Reasons> g_reasons;
std::string g_load_error;

// Where an unbound list element reads: missing.
const double g_missing = missing_value();

}  // namespace

struct QelfinSite {
    int function;
    int32_t fixed;     // arguments read from values[]
    int32_t capacity;  // descriptors the block has room for
    const double* bound;  // the list the elements read, and how many are bound to it
    int32_t bound_count;
    void* mcxt;
    FunctionEntry entry;
    FunctionArgs* block;  // follows this header in the same allocation
    double values[4];
};

namespace {

// The names of bridge.h's QF_ numbers, which must be the host's order.
constexpr const char* kOrder[] = {"COMPOUND", "DACCDB", "DACCDBSL", "DACCSL", "DACCSYD", "DACCTAB",
                                  "DEPDB",    "DEPDBSL", "DEPSL",    "DEPSYD", "DEPTAB",  "INTRR",
                                  "IRR",      "MORT",    "NETPV",    "NPV",    "SAVING"};

// One load step done; throws when the test setting says to stop here.
void step_done(int step, int fail_after) {
    if (step == fail_after) throw LoadError("loading was made to fail after step " + std::to_string(step));
}

}  // namespace

extern "C" {

const char* qelfin_bridge_load(const char* path, void* scratch, int fail_after) {
    if (g_module && g_reasons) return nullptr;
    try {
        for (int i = 0; i < QF_SAVING + 1; ++i)
            if (function_index(kOrder[i]) != i)
                throw LoadError(std::string("the host numbers ") + kOrder[i] + " differently from this library");
        step_done(1, fail_after);
        g_scratch.context = scratch;
        g_host.set_counter_pool(&g_pool);
        g_host.set_scratch(&g_scratch);
        g_host.set_note_sink(&g_notes);
        auto module = std::make_unique<Module>(g_host, path);
        step_done(2, fail_after);
        auto reasons = std::make_unique<Reasons>(*module);
        step_done(3, fail_after);
        // Kept only once every part is there.
        g_module = std::move(module);
        g_reasons = std::move(reasons);
        return nullptr;
    } catch (const std::exception& e) {
        g_load_error = e.what();
    } catch (...) {
        g_load_error = "unknown failure";
    }
    return g_load_error.c_str();
}

double qelfin_missing(void) { return missing_value(); }

}  // extern "C"

// For the schedules' bridge (schedules_bridge.cpp), after qelfin_ensure_loaded.
const Module& qelfin_bridge_module() { return *g_module; }

extern "C" {

namespace {

// Descriptors from..to-1 of a block: fixed ones read the site's values,
// list elements the missing value until a list is bound.
void init_descriptors(QelfinSite* s, int32_t from, int32_t to) {
    for (int32_t i = from; i < to; ++i) {
        s->block->args[i].flags = ARG_NUMERIC;
        s->block->args[i].value = const_cast<double*>(i < s->fixed ? &s->values[i] : &g_missing);
    }
}

QelfinSite* create(int function, int32_t arg_count, int32_t capacity, void* mcxt) {
    const FunctionInfo& f = functions()[static_cast<size_t>(function)];
    const size_t header = (sizeof(QelfinSite) + 15) & ~static_cast<size_t>(15);
    const size_t n = static_cast<size_t>(capacity);
    auto* s = static_cast<QelfinSite*>(qelfin_pg_alloc(mcxt, header + sizeof(FunctionArgs) + n * sizeof(ArgDescriptor)));
    if (s == nullptr) return nullptr;
    s->function = function;
    s->fixed = arg_count < f.leading ? arg_count : f.leading;
    s->capacity = capacity;
    s->bound = nullptr;
    s->bound_count = 0;
    s->mcxt = mcxt;
    s->entry = g_module->entry(function);
    s->block = reinterpret_cast<FunctionArgs*>(reinterpret_cast<char*>(s) + header);
    s->block->host_word0 = nullptr;
    s->block->host_word1 = nullptr;
    s->block->call_state = nullptr;
    s->block->caller_kind = kCallerKind;
    s->block->arg_count = arg_count;
    for (int i = 0; i < 4; ++i) s->values[i] = g_missing;
    init_descriptors(s, 0, arg_count);
    return s;
}

}  // namespace

QelfinSite* qelfin_site_create(int function, int32_t arg_count, void* mcxt) {
    if (!g_module || function < 0 || function >= static_cast<int>(functions().size()) || arg_count < 0)
        return nullptr;
    return create(function, arg_count, arg_count, mcxt);
}

// A list that grows (a running window) is given room for half as much
// again, so that its block is not made anew on every row.
QelfinSite* qelfin_site_resize(QelfinSite* old, int32_t arg_count) {
    if (arg_count <= old->capacity) {
        const int32_t before = old->block->arg_count;
        const int32_t leading = functions()[static_cast<size_t>(old->function)].leading;
        old->fixed = arg_count < leading ? arg_count : leading;
        old->block->arg_count = arg_count;
        if (old->bound_count > arg_count - old->fixed) old->bound_count = arg_count - old->fixed;
        if (arg_count > before) init_descriptors(old, before, arg_count);
        return old;
    }
    const int32_t room = old->capacity > INT32_MAX / 3 * 2 ? INT32_MAX : old->capacity + old->capacity / 2;
    QelfinSite* s = create(old->function, arg_count, arg_count > room ? arg_count : room, old->mcxt);
    if (s == nullptr) return nullptr;
    std::memcpy(s->values, old->values, sizeof s->values);
    s->block->call_state = old->block->call_state;
    old->block->call_state = nullptr;
    qelfin_site_destroy(old);
    return s;
}

void qelfin_site_destroy(QelfinSite* site) {
    if (site->block->call_state != nullptr) g_pool.release(site->block->call_state);
    qelfin_pg_free(site);
}

int32_t qelfin_site_arg_count(const QelfinSite* site) { return site->block->arg_count; }

int qelfin_site_function(const QelfinSite* site) { return site->function; }

double* qelfin_site_args(QelfinSite* site) { return site->values; }

// Elements already bound to the same list keep their descriptors (a window
// frame that grows binds only its new rows).
void qelfin_site_bind_list(QelfinSite* site, const double* list) {
    ArgDescriptor* args = site->block->args + site->fixed;
    const int32_t n = site->block->arg_count - site->fixed;
    for (int32_t i = list == site->bound ? site->bound_count : 0; i < n; ++i) args[i].value = const_cast<double*>(list + i);
    site->bound = list;
    site->bound_count = n;
}

void qelfin_site_call(QelfinSite* site, QelfinOutcome* out) {
    out->note_count = 0;
    out->marked = 0;
    g_notes.out = out;
    g_call_mcxt = site->mcxt;
    {
        const RouteNotes route(&g_notes);
        out->value = 0.0;
        out->status = site->entry(site->block, &out->value);
    }
    g_call_mcxt = nullptr;
    g_notes.out = nullptr;
    if (out->status == 0) return;
    for (int32_t i = 0; i < site->block->arg_count; ++i) {
        uint32_t& flags = site->block->args[i].flags;
        if ((flags & ARG_INVALID) != 0) {
            if (out->marked == 0) out->marked = i + 1;
            flags &= ~ARG_INVALID;
        }
    }
}

const char* qelfin_function_name(int function) { return functions()[static_cast<size_t>(function)].name.data(); }

const char* qelfin_status_name(uint32_t status) { return status_name(status).data(); }

void qelfin_describe_argument(int function, int32_t i, char* buf, size_t len) {
    try {
        std::snprintf(buf, len, "%s", describe_argument(functions()[static_cast<size_t>(function)], i).c_str());
    } catch (...) {
        std::snprintf(buf, len, "argument %d", static_cast<int>(i));
    }
}

void qelfin_site_reason(const QelfinSite* site, const QelfinOutcome* out, char* buf, size_t len) {
    if (len == 0) return;
    buf[0] = '\0';
    try {
        // Refusals only: the values gathered from wherever they are bound.
        std::vector<double> args(static_cast<size_t>(site->block->arg_count));
        for (size_t i = 0; i < args.size(); ++i) args[i] = *static_cast<const double*>(site->block->args[i].value);
        const std::string reason = g_reasons->explain(site->function, args, out->status, out->marked);
        std::snprintf(buf, len, "%s", reason.c_str());
    } catch (...) {
        buf[0] = '\0';
    }
}

int qelfin_site_hint(const QelfinSite* site, char* buf, size_t len) {
    const FunctionInfo& f = functions()[static_cast<size_t>(site->function)];
    for (int32_t k = 0; k < site->fixed; ++k) {
        if (!implausible(f.details[static_cast<size_t>(k)].plausibility, site->values[k])) continue;
        try {
            std::snprintf(buf, len, "%s", plausibility_hint(f, k + 1, site->values[k]).c_str());
            return 1;
        } catch (...) {
            return 0;
        }
    }
    return 0;
}

}  // extern "C"
