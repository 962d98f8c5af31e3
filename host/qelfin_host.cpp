// The C API of the embeddable host (include/qelfin/qelfin_host.h) over its
// C++ classes: the embedding's services behind the host's service
// interfaces, the context of the call being made kept per thread while the
// call runs, and every exception stopped here.
#include <qelfin/qelfin_host.h>

#include "host/call_site.h"
#include "host/catalogue.h"
#include "host/columns.h"
#include "host/hints.h"
#include "host/host.h"
#include "host/module.h"
#include "host/rates.h"
#include "host/reasons.h"
#include "host/schedule.h"

#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

using namespace qelfin::host;

namespace {

// The context of the call being made on this thread.
thread_local void* t_context = nullptr;

class CallContext {
public:
    explicit CallContext(void* context) : before_(t_context) { t_context = context; }
    ~CallContext() { t_context = before_; }
    CallContext(const CallContext&) = delete;
    CallContext& operator=(const CallContext&) = delete;

private:
    void* before_;
};

class ServicePool final : public PoolService {
public:
    explicit ServicePool(const qelfin_host_services& s) : s_(s) {}
    void* allocate(size_t size, uint32_t) override { return s_.pool_allocate(s_.user, t_context, size == 0 ? 1 : size); }
    void release(void* block) override {
        if (block != nullptr) s_.pool_release(s_.user, block);
    }

private:
    const qelfin_host_services& s_;
};

// The record the module sees of a scratch pool, over the embedding's pool.
// A pool lives within one IRR call, so one record per thread serves every
// call on it; a second one at the same time (never made by the solver) gets
// a record of its own.
struct ServiceScratchPool : ScratchPool {
    void* handle = nullptr;
    bool busy = false;
};

ServiceScratchPool& kept_pool() {
    thread_local ServiceScratchPool kept;
    return kept;
}

class ServiceScratch final : public ScratchService {
public:
    explicit ServiceScratch(const qelfin_host_services& s) : s_(s) {}
    ScratchPool* create(const uint32_t*, int32_t, const char*) override {
        ServiceScratchPool& kept = kept_pool();
        ServiceScratchPool* pool = kept.busy ? new (std::nothrow) ServiceScratchPool : &kept;
        if (pool == nullptr) return nullptr;
        pool->handle = s_.scratch_create(s_.user, t_context);
        if (pool->handle == nullptr) {
            if (pool != &kept) delete pool;
            return nullptr;
        }
        pool->busy = true;
        bind_scratch_pool(*pool, *this);
        return pool;
    }
    void* allocate(ScratchPool* base, size_t size, uint32_t) override {
        return s_.scratch_allocate(s_.user, static_cast<ServiceScratchPool*>(base)->handle, size == 0 ? 1 : size);
    }
    void destroy(ScratchPool* base) override {
        auto* pool = static_cast<ServiceScratchPool*>(base);
        s_.scratch_destroy(s_.user, pool->handle);
        pool->busy = false;
        if (pool != &kept_pool()) delete pool;
    }

private:
    const qelfin_host_services& s_;
};

class ServiceNotes final : public NoteSink {
public:
    explicit ServiceNotes(const qelfin_host_services& s) : s_(s) {}
    void note(const Note& n) override {
        const qelfin_note c{n.set, n.id, n.has_rate ? n.rate : std::nan(""), n.function.c_str(), n.text.c_str()};
        s_.note(s_.user, t_context, &c);
    }

private:
    const qelfin_host_services& s_;
};

// Copies text into buf, cut short to fit; returns the whole length.
size_t copy_text(const std::string& text, char* buf, size_t size) {
    if (buf != nullptr && size > 0) {
        const size_t n = std::min(text.size(), size - 1);
        std::memcpy(buf, text.data(), n);
        buf[n] = '\0';
    }
    return text.size();
}

bool valid_function(int function) { return function >= 0 && function < QELFIN_FUNCTION_COUNT; }

}  // namespace

struct qelfin_host {
    qelfin_host_services services{};
    std::unique_ptr<ServicePool> pool;
    std::unique_ptr<ServiceScratch> scratch;
    std::unique_ptr<ServiceNotes> notes;
    Host host;
    std::unique_ptr<Module> module;
    std::unique_ptr<Reasons> reasons;
};

namespace {

// A site's own memory: the embedding's pool in the context given at the
// site's creation, or the C heap when the embedding gave no pool.
class SitePool final : public PoolService {
public:
    SitePool(const qelfin_host_services& s, void* context) : s_(s), context_(context) {}
    bool embedded() const { return s_.pool_allocate != nullptr && s_.pool_release != nullptr; }
    void* allocate(size_t size, uint32_t) override {
        if (size == 0) size = 1;
        return embedded() ? s_.pool_allocate(s_.user, context_, size) : std::malloc(size);
    }
    void release(void* block) override {
        if (block == nullptr) return;
        if (embedded())
            s_.pool_release(s_.user, block);
        else
            std::free(block);
    }

private:
    const qelfin_host_services& s_;
    void* context_;
};

}  // namespace

struct qelfin_site {
    qelfin_site(qelfin_host* h, void* context, int function, int32_t arg_count, uint8_t caller_kind)
        : host(h), memory(h->services, context), site(*h->module, function, arg_count, caller_kind, &memory) {}
    qelfin_host* host;
    SitePool memory;
    CallSite site;
    const double* bound = nullptr;  // the list bound, and how many elements read it
    int32_t bound_count = 0;
};

namespace {

// Memory for figures handed to the embedding: its pool, or the C heap.
void* give_memory(const qelfin_host* host, void* context, size_t size) {
    const qelfin_host_services& s = host->services;
    if (size == 0) size = 1;
    return s.pool_allocate != nullptr ? s.pool_allocate(s.user, context, size) : std::malloc(size);
}

// Runs make() (which fills the outputs), every exception a status.
// Runs `make`, turning what it throws into a status and a message: out of
// memory, or `failed` with the exception's text.
template <class Make>
qelfin_host_status guarded(char* message, size_t message_size, Make make,
                           qelfin_host_status failed = QELFIN_HOST_REFUSED) {
    copy_text("", message, message_size);
    try {
        return make();
    } catch (const std::bad_alloc&) {
        copy_text("out of memory", message, message_size);
        return QELFIN_HOST_NO_MEMORY;
    } catch (const std::exception& e) {
        copy_text(e.what(), message, message_size);
        return failed;
    }
}

qelfin_host_status give_table(const qelfin_host* host, void* context, const Schedule& s, qelfin_table* out) {
    const size_t width = s.columns.size();
    auto* cells = static_cast<double*>(give_memory(host, context, sizeof(double) * s.rows.size() * width));
    if (cells == nullptr) return QELFIN_HOST_NO_MEMORY;
    for (size_t i = 0; i < s.rows.size(); ++i) std::memcpy(cells + i * width, s.rows[i].data(), sizeof(double) * width);
    *out = {static_cast<int32_t>(s.rows.size()), static_cast<int32_t>(width), cells};
    return QELFIN_HOST_OK;
}

}  // namespace

extern "C" {

qelfin_host_status qelfin_host_create(const char* module_path, const qelfin_host_services* services,
                                      qelfin_host** out, char* message, size_t message_size) {
    *out = nullptr;
    copy_text("", message, message_size);
    if (services != nullptr && (services->version != QELFIN_HOST_API_VERSION || services->size < sizeof *services)) {
        copy_text("the services are of version " + std::to_string(services->version) + ", this host takes " +
                      std::to_string(QELFIN_HOST_API_VERSION),
                  message, message_size);
        return QELFIN_HOST_BAD_VERSION;
    }
    return guarded(message, message_size, [&] {
        auto h = std::make_unique<qelfin_host>();
        if (services != nullptr) h->services = *services;
        const qelfin_host_services& s = h->services;
        if (s.pool_allocate != nullptr && s.pool_release != nullptr) {
            h->pool = std::make_unique<ServicePool>(s);
            h->host.set_counter_pool(h->pool.get());
            h->host.set_vector_pool(h->pool.get());
        }
        if (s.scratch_create != nullptr && s.scratch_allocate != nullptr && s.scratch_destroy != nullptr) {
            h->scratch = std::make_unique<ServiceScratch>(s);
            h->host.set_scratch(h->scratch.get());
        }
        if (s.note != nullptr) {
            h->notes = std::make_unique<ServiceNotes>(s);
            h->host.set_note_sink(h->notes.get());
        }
        h->module = std::make_unique<Module>(h->host, module_path ? module_path : default_module_path());
        h->reasons = std::make_unique<Reasons>(*h->module);
        *out = h.release();
        return QELFIN_HOST_OK;
    }, QELFIN_HOST_LOAD_FAILED);
}

void qelfin_host_destroy(qelfin_host* host) { delete host; }

double qelfin_host_missing(void) { return missing_value(); }

int qelfin_host_function_count(void) { return QELFIN_FUNCTION_COUNT; }

int qelfin_host_function_index(const char* name) {
    const auto i = name ? function_index(name) : std::nullopt;
    return i ? *i : -1;
}

const char* qelfin_host_function_name(int function) {
    return valid_function(function) ? functions()[static_cast<size_t>(function)].name.data() : nullptr;
}

int32_t qelfin_host_function_leading(int function) {
    return valid_function(function) ? functions()[static_cast<size_t>(function)].leading : 0;
}

int qelfin_host_function_series(int function) {
    return valid_function(function) && functions()[static_cast<size_t>(function)].series ? 1 : 0;
}

const char* qelfin_host_argument_name(int function, int32_t i) {
    if (!valid_function(function)) return nullptr;
    const FunctionInfo& f = functions()[static_cast<size_t>(function)];
    if (i >= 1 && i <= f.leading) return f.arguments[i - 1].data();
    return f.series && i == f.leading + 1 ? f.element.data() : nullptr;
}

const char* qelfin_host_status_name(uint32_t status) { return status == 0 ? "OK" : status_name(status).data(); }

size_t qelfin_host_describe_argument(int function, int32_t i, char* buf, size_t size) {
    try {
        return copy_text(valid_function(function) ? describe_argument(functions()[static_cast<size_t>(function)], i)
                                                  : "argument " + std::to_string(i),
                         buf, size);
    } catch (...) {
        return copy_text("", buf, size);
    }
}

size_t qelfin_host_reason(const qelfin_host* host, int function, const double* args, int32_t arg_count,
                     const qelfin_outcome* outcome, char* buf, size_t size) {
    try {
        if (!valid_function(function) || arg_count < 0) return copy_text("", buf, size);
        const std::span<const double> values(args, static_cast<size_t>(arg_count));
        return copy_text(host->reasons->explain(function, values, outcome->status, outcome->marked), buf, size);
    } catch (...) {
        return copy_text("", buf, size);
    }
}

int qelfin_host_implausible(int function, int32_t i, double value) {
    if (!valid_function(function)) return 0;
    const FunctionInfo& f = functions()[static_cast<size_t>(function)];
    if (i < 1 || i > f.leading) return 0;
    return implausible(f.details[static_cast<size_t>(i) - 1].plausibility, value) ? 1 : 0;
}

size_t qelfin_host_hint(int function, int32_t i, double value, char* buf, size_t size) {
    try {
        return copy_text(valid_function(function)
                             ? plausibility_hint(functions()[static_cast<size_t>(function)], i, value)
                             : std::string(),
                         buf, size);
    } catch (...) {
        return copy_text("", buf, size);
    }
}

qelfin_host_status qelfin_host_site_create(qelfin_host* host, void* context, int function, int32_t arg_count,
                                           uint8_t caller_kind, qelfin_site** out) {
    *out = nullptr;
    if (host == nullptr || !valid_function(function) || arg_count < 0) return QELFIN_HOST_BAD_REQUEST;
    SitePool memory(host->services, context);
    void* place = memory.allocate(sizeof(qelfin_site), 0);
    if (place == nullptr) return QELFIN_HOST_NO_MEMORY;
    try {
        *out = new (place) qelfin_site(host, context, function, arg_count, caller_kind);
        return QELFIN_HOST_OK;
    } catch (const std::bad_alloc&) {
        memory.release(place);
        return QELFIN_HOST_NO_MEMORY;
    } catch (...) {
        memory.release(place);
        return QELFIN_HOST_BAD_REQUEST;
    }
}

qelfin_host_status qelfin_host_site_resize(qelfin_site* site, int32_t arg_count) {
    if (arg_count < 0) return QELFIN_HOST_BAD_REQUEST;
    try {
        site->site.resize(arg_count);
    } catch (...) {
        return QELFIN_HOST_NO_MEMORY;
    }
    const int32_t leading = qelfin_host_function_leading(site->site.function());
    site->bound_count = std::min(site->bound_count, std::max(arg_count - leading, 0));
    return QELFIN_HOST_OK;
}

void qelfin_host_site_destroy(qelfin_site* site) {
    if (site == nullptr) return;
    SitePool memory = site->memory;
    site->~qelfin_site();
    memory.release(site);
}

int qelfin_host_site_function(const qelfin_site* site) { return site->site.function(); }

int32_t qelfin_host_site_arg_count(const qelfin_site* site) { return site->site.arg_count(); }

// While a list is bound only the leading arguments are the site's own, so
// that a long list is never copied.
double* qelfin_host_site_args(qelfin_site* site) {
    const int32_t count = site->site.arg_count();
    try {
        return site->site.values(site->bound != nullptr ? std::min(qelfin_host_function_leading(site->site.function()), count)
                                                        : count);
    } catch (...) {
        return nullptr;
    }
}

// Elements already bound to the same list keep their place (a window frame
// that grows binds only its new rows).
void qelfin_host_site_bind_list(qelfin_site* site, const double* list) {
    const int32_t count = site->site.arg_count();
    const int32_t leading = std::min(qelfin_host_function_leading(site->site.function()), count);
    const int32_t n = count - leading;
    for (int32_t i = list == site->bound ? std::min(site->bound_count, n) : 0; i < n; ++i)
        site->site.bind(leading + i, list + i);
    site->bound = list;
    site->bound_count = n;
}

qelfin_outcome qelfin_host_site_call(qelfin_site* site, void* context) {
    const CallContext in(context);
    try {
        return site->site.call();
    } catch (...) {  // a note lost for want of memory
        return {STATUS_NO_MEMORY, missing_value(), 0};
    }
}

qelfin_host_status qelfin_host_site_columns(qelfin_site* site, void* context, const qelfin_column* columns, size_t rows,
                                       double* values, uint32_t* statuses, int32_t* marked, size_t* ok) {
    if (values == nullptr && rows > 0) return QELFIN_HOST_BAD_REQUEST;
    try {
        std::vector<Column> args(static_cast<size_t>(site->site.arg_count()));
        for (size_t k = 0; k < args.size(); ++k) args[k] = {columns[k].data, columns[k].stride};
        const CallContext in(context);
        ColumnOutputs out;
        out.value = values;
        out.status = statuses;
        out.marked = marked;
        site->bound = nullptr;
        const ColumnSummary summary = evaluate_columns(site->site, args, rows, out);
        site->site.bind_own_values();
        if (ok != nullptr) *ok = summary.ok;
        return QELFIN_HOST_OK;
    } catch (const std::bad_alloc&) {
        site->site.bind_own_values();
        return QELFIN_HOST_NO_MEMORY;
    } catch (...) {
        site->site.bind_own_values();
        return QELFIN_HOST_BAD_REQUEST;
    }
}

// The values as bound (own or a list's), gathered for a refusal only.
size_t qelfin_host_site_reason(const qelfin_site* site, const qelfin_outcome* outcome, char* buf, size_t size) {
    try {
        const FunctionArgs* block = site->site.block();
        std::vector<double> args(static_cast<size_t>(block->arg_count));
        for (size_t i = 0; i < args.size(); ++i) args[i] = *static_cast<const double*>(block->args[i].value);
        return qelfin_host_reason(site->host, site->site.function(), args.data(), block->arg_count, outcome, buf, size);
    } catch (...) {
        return copy_text("", buf, size);
    }
}

qelfin_host_status qelfin_host_loan_schedule(qelfin_host* host, void* context, const double args[4], int decimals,
                                             qelfin_table* out, char* message, size_t message_size) {
    return guarded(message, message_size, [&] {
        return give_table(host, context, loan_schedule(*host->module, {args, 4}, decimals), out);
    });
}

qelfin_host_status qelfin_host_depreciation_schedule(qelfin_host* host, void* context, const char* method,
                                                     const double* args, int32_t count, int decimals, qelfin_table* out,
                                                     char* message, size_t message_size) {
    return guarded(message, message_size, [&] {
        const std::span<const double> given(args, static_cast<size_t>(count));
        return give_table(host, context, depreciation_schedule(*host->module, method, given, decimals), out);
    });
}

qelfin_host_status qelfin_host_irr_rates(qelfin_host* host, void* context, double freq, const double* flows,
                                         int32_t count, double** rates, int32_t* rate_count, char* message,
                                         size_t message_size) {
    return guarded(message, message_size, [&] {
        const auto found = irr_rates(*host->module, freq, {flows, static_cast<size_t>(count)});
        *rates = static_cast<double*>(give_memory(host, context, sizeof(double) * found.size()));
        if (*rates == nullptr) return QELFIN_HOST_NO_MEMORY;
        std::memcpy(*rates, found.data(), sizeof(double) * found.size());
        *rate_count = static_cast<int32_t>(found.size());
        return QELFIN_HOST_OK;
    });
}

}  // extern "C"
