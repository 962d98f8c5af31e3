// The host's ABI plumbing, kept off its public face: the control block and
// the process block the loader hands the module (mcn_main), byte 30 of the
// block the log stub clears, and making a host the one whose log receives
// the module's notes.  The loader and the tests of the module's records
// reach them here; embedders never need them.
#pragma once

#include "host/host.h"

namespace qelfin::host::detail {

struct HostAbi {
    static void** control_block(Host& h) { return h.gcb_.data(); }
    static void* pidb(Host& h) { return h.pidb_.data(); }
    static unsigned char tss_byte30(const Host& h) { return h.tss_[30]; }
    static void set_tss_byte30(Host& h, unsigned char b) { h.tss_[30] = b; }
    static void activate(Host& h) { h.activate(); }
};

}  // namespace qelfin::host::detail
