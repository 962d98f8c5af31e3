// Per-platform module initialisation hook.  Linux needs no initialisation:
// the hook exists so that the load sequence is the same on every platform.
#include "module/module.h"

extern "C" void himodcn(void) {}
