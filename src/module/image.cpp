// The constant records the host reads after loading the module: the image
// information record vi_mcn, the list mcn_pcns and the single registration
// record pcn_QELWUFIN.  Their bytes are an external format; the layout is
// pinned in qelfin.h.
#include "module/module.h"

extern "C" {

QELFIN_API extern const RegistrationRecord pcn_QELWUFIN = {
    0xFFFF0000u, 0x400u, 0x400u,
    "qelwufin",
    &qelwufin,
    1u, 0x25D3u, 0x0241ED61u, 15u,
};

// Null-terminated list of the module's registration records.
QELFIN_API extern const RegistrationRecord* const mcn_pcns[2] = {&pcn_QELWUFIN, nullptr};

namespace {
constexpr char kNotice[] =
    "qelfin 9.03 financial functions: time value of money, cash flows and depreciation module";
static_assert(sizeof(kNotice) == 88 + 1, "the notice is 88 characters");
}  // namespace

QELFIN_API extern const ImageInformation vi_mcn = {
    "QEL_Image_Information=",
    0xB0BDEBEDu,
    8u,
    "9.03",
    "9.03.01M2P081512",
    "Nov 15 2012",
    mcn_pcns,
    kNotice,
    "001",
};

}  // extern "C"
