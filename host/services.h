// The services a host gives the module, as small interfaces that an
// embedding supplies or takes by default:
//
//   PoolService     a host memory pool (gcb words 5 and 10): the function
//                   vector and the IRR/INTRR per-call-site counter
//   ScratchService  the toolkit's scratch pools (gcb word 82): created,
//                   used and destroyed by the IRR solver within one call
//   NoteSink        where the module's notes 201 and 202 go, with the
//                   host's catalogue texts
//
// The defaults (heap_services.cpp) take memory from the C heap and keep
// nothing per call; PostgreSQL supplies memory contexts and NOTICEs, Python
// collects notes for warnings.
#pragma once

#include <qelfin/qelfin.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qelfin::host {

// One message the module wrote to the host's log.
struct Note {
    int32_t set = 0;
    int32_t id = 0;
    bool has_rate = false;  // note 201 carries the rate found
    double rate = 0.0;
    std::string function;   // "IRR" or "INTRR"
    std::string text;       // the host's catalogue text, arguments filled in
};

// The host's catalogue text of a note of set 744.
std::string note_text(const Note& note);

// A host memory pool.  The module allocates and never frees; the host
// releases a block once nothing of the module's refers to it any more (the
// vector when the module is unloaded, a call site's counter with the site).
class PoolService {
public:
    virtual ~PoolService() = default;
    virtual void* allocate(size_t size, uint32_t flags) = 0;  // null: no memory
    virtual void release(void* block) = 0;                    // block from allocate, or null
};

class ScratchService;

// What the module sees of a scratch pool: an array of words whose word 2
// destroys the pool and word 3 allocates from it.  A service derives its
// own pool record from this one.
struct ScratchPool {
    void* words[4] = {};               // read by the module
    ScratchService* service = nullptr;  // the service that made the pool
};

// The toolkit's scratch pools.  Destroy must release every block allocated
// from the pool: the solver frees nothing else.
class ScratchService {
public:
    virtual ~ScratchService() = default;
    virtual ScratchPool* create(const uint32_t parm[3], int32_t zero, const char* name) = 0;  // null: refused
    virtual void* allocate(ScratchPool* pool, size_t size, uint32_t flags) = 0;              // null: no memory
    virtual void destroy(ScratchPool* pool) = 0;
};

// Receives notes.  Called on the thread of the entry call that wrote them.
class NoteSink {
public:
    virtual ~NoteSink() = default;
    virtual void note(const Note& note) = 0;
};

// Keeps the notes it receives, in order.
class NoteList final : public NoteSink {
public:
    std::vector<Note> notes;
    void note(const Note& n) override { notes.push_back(n); }
};

// The defaults: the C heap for pools, scratch pools that reuse one block
// per thread, notes printed to standard error.  Thread-safe, lock-free on
// the call path.  Each returns one object shared by every default Host.
PoolService& heap_pool();
ScratchService& heap_scratch();
NoteSink& stderr_notes();

}  // namespace qelfin::host
