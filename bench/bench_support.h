// The one host of the benchmark program and the module loaded into it, as
// a host process has one: every family's benchmarks call through it.
#pragma once

#include "host/module.h"

namespace qelfin::bench {

inline host::Module& loaded_module() {
    static host::Host host;  // default services: what users run
    static host::Module module(host);
    return module;
}

}  // namespace qelfin::bench
