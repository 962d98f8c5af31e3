// The control block, its service trampolines and the log routine of the
// embeddable host.  The module calls plain C routines through the words of
// the block; each trampoline finds the service object beside the words it
// was called through and hands the request on.
#include "host/host.h"

#include <atomic>
#include <cstdarg>
#include <new>

namespace qelfin::host {

namespace {

std::atomic<Host*> g_log_host{nullptr};
thread_local NoteSink* t_sink = nullptr;

template <class F>
void* word_of(F* function) {
    return reinterpret_cast<void*>(function);
}

// The trampolines below are what the module calls: none lets an exception
// through (host.h).
void scratch_destroy(void* pool) noexcept {
    auto* p = static_cast<ScratchPool*>(pool);
    try {
        p->service->destroy(p);
    } catch (...) {
    }
}

void* scratch_allocate(void* pool, size_t size, uint32_t flags) noexcept {
    auto* p = static_cast<ScratchPool*>(pool);
    try {
        return p->service->allocate(p, size, flags);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

void bind_scratch_pool(ScratchPool& pool, ScratchService& service) {
    pool.words[TOOLKIT_POOL_DESTROY] = word_of(&scratch_destroy);
    pool.words[TOOLKIT_POOL_ALLOCATE] = word_of(&scratch_allocate);
    pool.service = &service;
}

Host::Host() {
    service_vector30_[70] = word_of(&Host::log);
    service_vectors_[30] = service_vector30_.data();
    counter_.base.allocate = &Host::pool_allocate;
    vector_.base.allocate = &Host::pool_allocate;
    toolkit_.words[TOOLKIT_CREATE_POOL] = word_of(&Host::scratch_create);
    set_counter_pool(nullptr);
    set_vector_pool(nullptr);
    set_scratch(nullptr);
    set_note_sink(nullptr);
    gcb_[GCB_SERVICE_VECTORS] = service_vectors_.data();
    gcb_[GCB_TSSVEC] = tss_.data();
    gcb_[GCB_COUNTER_POOL] = &counter_.base;
    gcb_[GCB_VECTOR_POOL] = &vector_.base;
    gcb_[GCB_TOOLKIT] = toolkit_.words.data();
    tss_[30] = 0xFF;
}

Host::~Host() {
    Host* self = this;
    g_log_host.compare_exchange_strong(self, nullptr);
}

void Host::set_counter_pool(PoolService* pool) { counter_.service = pool ? pool : &heap_pool(); }
void Host::set_vector_pool(PoolService* pool) { vector_.service = pool ? pool : &heap_pool(); }
void Host::set_scratch(ScratchService* scratch) { toolkit_.service = scratch ? scratch : &heap_scratch(); }
void Host::set_note_sink(NoteSink* sink) { sink_ = sink ? sink : &stderr_notes(); }

void Host::activate() { g_log_host.store(this); }

NoteSink* Host::route_notes_on_this_thread(NoteSink* sink) {
    NoteSink* before = t_sink;
    t_sink = sink;
    return before;
}

thread_local bool Host::note_lost_ = false;

void Host::throw_note_lost() { throw std::bad_alloc(); }

void* Host::pool_allocate(HostPool* pool, size_t size, uint32_t flags) {
    try {
        return reinterpret_cast<PoolHandle*>(pool)->service->allocate(size, flags);
    } catch (...) {
        return nullptr;
    }
}

void* Host::scratch_create(void* toolkit, const uint32_t parm[3], int32_t zero, const char* name) {
    try {
        return reinterpret_cast<ToolkitHandle*>(toolkit)->service->create(parm, zero, name);
    } catch (...) {
        return nullptr;
    }
}

// The host's log routine, reached by the module's xpmlog stub.  Note 201
// carries (double rate, const char* name), note 202 (const char* name).
void Host::log(int32_t set, int32_t id, ...) try {
    Note note;
    note.set = set;
    note.id = id;
    va_list ap;
    va_start(ap, id);
    if (set == QELFIN_MESSAGE_SET && id == QELFIN_NOTE_SEVERAL_SIGN_CHANGES) {
        note.has_rate = true;
        note.rate = va_arg(ap, double);
        note.function = va_arg(ap, const char*);
    } else if (set == QELFIN_MESSAGE_SET && id == QELFIN_NOTE_NO_MORE_NOTES) {
        note.function = va_arg(ap, const char*);
    }
    va_end(ap);
    note.text = note_text(note);
    if (t_sink != nullptr) {
        t_sink->note(note);
    } else if (Host* host = g_log_host.load()) {
        host->sink_->note(note);
    }
} catch (...) {
    note_lost_ = true;
}

}  // namespace qelfin::host
