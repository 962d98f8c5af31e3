// The embeddable host: the control block the module expects, laid out once,
// over services an embedding chooses (services.h).
//
//   gcb word 0   table of service vectors; [30][70] is the log routine
//   gcb word 1   the block whose byte 30 the log stub clears
//   gcb word 5   host pool for the IRR/INTRR per-call-site counter
//   gcb word 10  host pool for the function vector
//   gcb word 82  the toolkit: word 6 creates scratch pools
//
// One Host per process: the module keeps the anchors it was given at load
// in globals of its own, so a second Host loading it replaces the first.
// Entries may be called from any number of threads at once, one call site
// per thread at a time; nothing on the call path takes a lock (the default
// services are thread-safe without one; an embedding's must be too, or be
// used from one thread).  A Host must outlive the Module loaded into it.
#pragma once

#include "host/services.h"

#include <array>

namespace qelfin::host {

namespace detail {
struct HostAbi;
}

class Host {
public:
    Host();
    virtual ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Replace a service (before loading the module; the object must outlive
    // the Host).  Null restores the default.
    void set_counter_pool(PoolService* pool);
    void set_vector_pool(PoolService* pool);
    void set_scratch(ScratchService* scratch);
    void set_note_sink(NoteSink* sink);  // notes written outside a call site

    PoolService& counter_service() const { return *counter_.service; }  // gcb word 5
    PoolService& vector_service() const { return *vector_.service; }    // gcb word 10
    ScratchService& scratch_service() const { return *toolkit_.service; }
    NoteSink& note_sink() const { return *sink_; }

    // Notes written on this thread go to `sink` while it is set (a call
    // site during its call); otherwise to the host's note sink.  Returns
    // the sink that was set before.
    static NoteSink* route_notes_on_this_thread(NoteSink* sink);

    // No exception ever crosses the module: a service that throws inside a
    // call (out of memory) counts as a refusal (null) and a note that could
    // not be delivered is remembered.  The caller of an entry throws
    // std::bad_alloc here, once the entry has returned, for such a note.
    static void throw_if_note_lost() {
        if (note_lost_) {
            note_lost_ = false;
            throw_note_lost();
        }
    }

private:
    [[noreturn]] static void throw_note_lost();
    static thread_local bool note_lost_;

    friend struct detail::HostAbi;  // the control block and its words (host/detail/abi.h)

    // Makes this host the one whose log receives the module's notes (the
    // loader does it when it hands the module this host's control block).
    void activate();

    static void log(int32_t set, int32_t id, ...);
    static void* pool_allocate(HostPool* pool, size_t size, uint32_t flags);
    static void* scratch_create(void* toolkit, const uint32_t parm[3], int32_t zero, const char* name);

    struct PoolHandle {
        HostPool base;  // what the module sees
        PoolService* service;
    };
    struct ToolkitHandle {
        std::array<void*, 8> words;  // what the module sees
        ScratchService* service;
    };

    std::array<void*, 96> gcb_{};
    std::array<void*, 31> service_vectors_{};
    std::array<void*, 71> service_vector30_{};
    std::array<unsigned char, 64> tss_{};
    std::array<unsigned char, 64> pidb_{};
    PoolHandle counter_{};
    PoolHandle vector_{};
    ToolkitHandle toolkit_{};
    NoteSink* sink_ = nullptr;
};

// Routes the notes written on this thread to a sink while it lives (a call
// site during its calls), then to whatever took them before.
class RouteNotes {
public:
    explicit RouteNotes(NoteSink* sink) : before_(Host::route_notes_on_this_thread(sink)) {}
    ~RouteNotes() { Host::route_notes_on_this_thread(before_); }
    RouteNotes(const RouteNotes&) = delete;
    RouteNotes& operator=(const RouteNotes&) = delete;

private:
    NoteSink* before_;
};

// Fills in the words of a scratch pool record that the module calls (the
// service's create does this for every pool it hands out).
void bind_scratch_pool(ScratchPool& pool, ScratchService& service);

}  // namespace qelfin::host
