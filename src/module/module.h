// Internal declarations of the module-interface subsystem.
#pragma once

#include <qelfin/qelfin.h>

extern "C" {
// Per-platform initialisation hook that mcn_main runs after storing the
// anchors and before reading the toolkit handle.  Not exported.
void himodcn(void);
}

namespace qelfin::module {

// Word k of the host's global control block (an array of pointer-sized
// words whose address mcn_main stored in v_global_gcb_anchor).
inline void* gcb_word(int k) { return static_cast<void**>(v_global_gcb_anchor)[k]; }

}  // namespace qelfin::module
