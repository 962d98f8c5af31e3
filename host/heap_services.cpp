// The default services of the embeddable host.
//
// Host pools take blocks from the C heap.  Scratch pools are arenas: each
// keeps one block of kArenaBytes and bumps through it; a request that does
// not fit gets a heap block of its own, freed when the pool is destroyed.
// A destroyed pool, its arena block with it, is kept for the next pool
// created on the same thread, so an IRR call over a short series allocates
// nothing at all and memory stays flat over any number of calls.
#include "host/host.h"
#include "host/numbers.h"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace qelfin::host {

namespace {

constexpr size_t kArenaBytes = size_t{16} << 10;  // serves series of several hundred flows
constexpr size_t kAlign = 16;                     // alignment of every scratch block

size_t round_up(size_t n) { return (n + kAlign - 1) / kAlign * kAlign; }

class HeapPool final : public PoolService {
public:
    void* allocate(size_t size, uint32_t /*flags*/) override { return std::malloc(size == 0 ? 1 : size); }
    void release(void* block) override { std::free(block); }
};

// A block of its own for a request the arena cannot hold.
struct Spill {
    Spill* next;
    alignas(kAlign) unsigned char bytes[1];
};

struct ArenaPool : ScratchPool {
    unsigned char* arena = nullptr;
    size_t used = 0;
    Spill* spills = nullptr;
};

void free_pool(ArenaPool* pool) {
    std::free(pool->arena);
    delete pool;
}

// The pool kept for the next creation on this thread.
struct KeptPool {
    ArenaPool* pool = nullptr;
    ~KeptPool() {
        if (pool != nullptr) free_pool(pool);
    }
};
thread_local KeptPool t_kept;

class HeapScratch final : public ScratchService {
public:
    ScratchPool* create(const uint32_t* /*parm*/, int32_t /*zero*/, const char* /*name*/) override {
        ArenaPool* pool = t_kept.pool;
        t_kept.pool = nullptr;
        if (pool == nullptr) {
            pool = new (std::nothrow) ArenaPool;
            if (pool == nullptr) return nullptr;
            pool->arena = static_cast<unsigned char*>(std::aligned_alloc(kAlign, kArenaBytes));
            if (pool->arena == nullptr) {
                delete pool;
                return nullptr;
            }
            bind_scratch_pool(*pool, *this);
        }
        return pool;
    }

    void* allocate(ScratchPool* base, size_t size, uint32_t /*flags*/) override {
        auto* pool = static_cast<ArenaPool*>(base);
        const size_t rounded = round_up(size == 0 ? 1 : size);
        if (rounded <= kArenaBytes - pool->used) {
            void* block = pool->arena + pool->used;
            pool->used += rounded;
            return block;
        }
        auto* spill = static_cast<Spill*>(std::malloc(offsetof(Spill, bytes) + rounded));
        if (spill == nullptr) return nullptr;
        spill->next = pool->spills;
        pool->spills = spill;
        return spill->bytes;
    }

    void destroy(ScratchPool* base) override {
        auto* pool = static_cast<ArenaPool*>(base);
        while (Spill* spill = pool->spills) {
            pool->spills = spill->next;
            std::free(spill);
        }
        pool->used = 0;
        if (t_kept.pool == nullptr)
            t_kept.pool = pool;
        else
            free_pool(pool);
    }
};

class StderrNotes final : public NoteSink {
public:
    void note(const Note& n) override { std::fprintf(stderr, "%s\n", n.text.c_str()); }
};

}  // namespace

PoolService& heap_pool() {
    static HeapPool pool;
    return pool;
}

ScratchService& heap_scratch() {
    static HeapScratch scratch;
    return scratch;
}

NoteSink& stderr_notes() {
    static StderrNotes sink;
    return sink;
}

std::string note_text(const Note& note) {
    if (note.set == QELFIN_MESSAGE_SET && note.id == QELFIN_NOTE_SEVERAL_SIGN_CHANGES)
        return "NOTE: The cash flows given to " + note.function +
               " change sign more than once; the rate " + number_text(note.rate) +
               " may not be the only one.";
    if (note.set == QELFIN_MESSAGE_SET && note.id == QELFIN_NOTE_NO_MORE_NOTES)
        return "NOTE: " + note.function +
               " has written ten such notes for this call site; it will write no more.";
    return "NOTE: message " + std::to_string(note.id) + " of set " + std::to_string(note.set) + ".";
}

}  // namespace qelfin::host
