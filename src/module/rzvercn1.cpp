// The version record for the host's version-control tooling.  rzvercn1
// copies the whole record, zero words included, into the caller's buffer.
// The strings are constant data; the two patch areas keep their fixed width
// so that an installation step can overwrite them in the stored module.
#include "module/module.h"

#include <cstring>

namespace {

constexpr char kVersion[] = "9.03.01M2P08152012";
constexpr char kLineage[] = "qelfin-9.03.01:qelfin-9.03:qelfin-9";
constexpr char kEmpty[] = "";
constexpr uint32_t kBuildTime = 1353004220u;  // 2012-11-15 18:30:20 UTC
constexpr char kComponent[] = "tesk";
constexpr char kModule[] = "qelwufin";
constexpr char kDirectory[] = "fnc";
constexpr char kRoot[] = "/build/qelfin/9.03.01";
constexpr char kKeyword[] = "version";
constexpr char kSeparator[] = "::";
constexpr char kHotfix[] = "QEL_VERSION_HOTFIX_NUMBER=                                       ";
constexpr char kDescription[] =
    "QEL financial functions COMPOUND DACCDB DACCDBSL DACCSL DACCSYD DACCTAB DEPDB DEPDBSL DEPSL "
    "DEPSYD DEPTAB INTRR IRR MORT NETPV NPV SAVING";
constexpr char kImageDescription[] = "VERCON_IMAGE_DESCRIPTION=                                        ";
constexpr char kPlatform[] = "lnxno";

static_assert(sizeof(kHotfix) == 66, "hot-fix patch area is 65 characters and a NUL");
static_assert(sizeof(kImageDescription) == 66, "image-description patch area is 65 characters and a NUL");

constexpr VersionRecord kVersionRecord = {
    kVersion, kLineage, kEmpty, kBuildTime, kComponent, kModule, kDirectory, kRoot,
    kEmpty, kKeyword, kSeparator, kEmpty, kHotfix, kDescription, kImageDescription, kPlatform,
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
};

}  // namespace

extern "C" QELFIN_API int32_t rzvercn1(VersionRecord* dest) {
    // A byte copy, so that any padding of a wide-pointer build is copied too.
    std::memcpy(dest, &kVersionRecord, sizeof kVersionRecord);
    return 0;
}
