// The one host of the benchmark program and the module loaded into it, as
// a host process has one: every family's benchmarks call through it.  The
// host has the default services users run; its notes are counted, not
// printed, since a benchmark repeats one call millions of times.
#pragma once

#include "host/module.h"

namespace qelfin::bench {

struct BenchHost {
    struct CountedNotes final : host::NoteSink {
        long count = 0;
        void note(const host::Note&) override { ++count; }
    } notes;
    host::Host host;
    BenchHost() { host.set_note_sink(&notes); }
};

inline host::Module& loaded_module() {
    static BenchHost bench_host;
    static host::Module module(bench_host.host);
    return module;
}

}  // namespace qelfin::bench
