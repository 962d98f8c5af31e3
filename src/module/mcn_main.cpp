// The load entry.  The host calls mcn_main once after loading the module,
// before anything else; it keeps the host's two anchors and the toolkit
// handle in exported globals and returns the image record.
#include "module/module.h"

extern "C" {

QELFIN_API void* v_global_gcb_anchor = nullptr;
QELFIN_API void* v_global_pidb_anchor = nullptr;
QELFIN_API void* Exported_RZHandle = nullptr;

QELFIN_API const ImageInformation* mcn_main(void* gcb, void* pidb) {
    v_global_gcb_anchor = gcb;
    v_global_pidb_anchor = pidb;
    himodcn();
    Exported_RZHandle = qelfin::module::gcb_word(GCB_TOOLKIT);
    return &vi_mcn;
}

}  // extern "C"
