// The host of one backend: a static Host whose pools are the server's
// memory contexts and whose notes are kept for the glue to raise, the
// module loaded into it, and call sites behind the C interface of
// bridge.h.  Every exception stops here; the glue sees return values only.
#include "bridge.h"

#include "host/call_site.h"
#include "host/catalogue.h"
#include "host/host.h"
#include "host/module.h"
#include "host/reasons.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <string>

using namespace qelfin::host;

namespace {

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

// Keeps the texts of the notes of the call being made, without allocating.
class KeepNotes final : public NoteSink {
public:
    QelfinOutcome* out = nullptr;
    void note(const Note& n) override {
        if (out == nullptr || out->note_count >= QELFIN_MAX_NOTES) return;
        std::snprintf(out->notes[out->note_count++], QELFIN_NOTE_LEN, "%s", n.text.c_str());
    }
};

ContextPool g_pool;
ContextScratch g_scratch;
KeepNotes g_notes;
Host g_host;
std::unique_ptr<Module> g_module;
std::unique_ptr<Reasons> g_reasons;
std::string g_load_error;

}  // namespace

struct QelfinSite {
    CallSite site;
    void* mcxt;
    double* args;
};

// The names of bridge.h's QF_ numbers, which must be the host's order.
constexpr const char* kOrder[] = {"COMPOUND", "DACCDB", "DACCDBSL", "DACCSL", "DACCSYD", "DACCTAB",
                                  "DEPDB",    "DEPDBSL", "DEPSL",    "DEPSYD", "DEPTAB",  "INTRR",
                                  "IRR",      "MORT",    "NETPV",    "NPV",    "SAVING"};

extern "C" {

const char* qelfin_bridge_load(const char* path, void* scratch) {
    if (g_module) return nullptr;
    try {
        for (int i = 0; i < QF_SAVING + 1; ++i)
            if (function_index(kOrder[i]) != i) {
                g_load_error = std::string("the host numbers ") + kOrder[i] + " differently from this library";
                return g_load_error.c_str();
            }
        g_scratch.context = scratch;
        g_host.set_counter_pool(&g_pool);
        g_host.set_scratch(&g_scratch);
        g_host.set_note_sink(&g_notes);
        g_module = std::make_unique<Module>(g_host, path);
        g_reasons = std::make_unique<Reasons>(*g_module);
        return nullptr;
    } catch (const std::exception& e) {
        g_load_error = e.what();
    } catch (...) {
        g_load_error = "unknown failure";
    }
    return g_load_error.c_str();
}

double qelfin_missing(void) { return missing_value(); }

QelfinSite* qelfin_site_create(int function, int32_t arg_count, void* mcxt) {
    if (!g_module || function < 0 || function >= static_cast<int>(functions().size()) || arg_count < 0)
        return nullptr;
    try {
        auto* s = new QelfinSite{CallSite(*g_module, function, arg_count, 0x48), mcxt, nullptr};
        s->site.set_note_sink(&g_notes);
        s->args = arg_count > 0 ? &s->site.value(0) : nullptr;
        s->site.bind_own_values();
        return s;
    } catch (...) {
        return nullptr;
    }
}

QelfinSite* qelfin_site_resize(QelfinSite* old, int32_t arg_count) {
    QelfinSite* s = qelfin_site_create(old->site.function(), arg_count, old->mcxt);
    if (s == nullptr) return nullptr;
    s->site.block()->call_state = old->site.block()->call_state;
    old->site.block()->call_state = nullptr;
    delete old;
    return s;
}

void qelfin_site_destroy(QelfinSite* site) { delete site; }

int32_t qelfin_site_arg_count(const QelfinSite* site) { return site->site.arg_count(); }

int qelfin_site_function(const QelfinSite* site) { return site->site.function(); }

double* qelfin_site_args(QelfinSite* site) { return site->args; }

void qelfin_site_call(QelfinSite* site, QelfinOutcome* out) {
    out->note_count = 0;
    g_notes.out = out;
    g_call_mcxt = site->mcxt;
    const CallSite::Outcome r = site->site.call();
    g_call_mcxt = nullptr;
    g_notes.out = nullptr;
    out->status = r.status;
    out->value = r.value;
    out->marked = r.marked;
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
        const std::span<const double> args(site->args, static_cast<size_t>(site->site.arg_count()));
        const std::string reason = g_reasons->explain(site->site.function(), args, out->status, out->marked);
        std::snprintf(buf, len, "%s", reason.c_str());
    } catch (...) {
        buf[0] = '\0';
    }
}

}  // extern "C"
