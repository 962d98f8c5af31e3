// The load sequence and the records a host reads: mcn_main and its anchors,
// the image and registration records, the function vector and the version
// record, checked byte by byte on the build's own layout.
#include "host/detail/abi.h"
#include "host/standin/standin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace qelfin::host;

const unsigned char* bytes_of(const void* p) { return static_cast<const unsigned char*>(p); }

// A fixed-width field: the text, then NUL up to the width.
void expect_padded(const char* field, size_t width, const std::string& text) {
    EXPECT_EQ(std::string(field, text.size()), text);
    EXPECT_EQ(std::string(field + text.size(), width - text.size()), std::string(width - text.size(), '\0')) << text;
}

class Records : public ::testing::Test {
protected:
    qelfin::standin::Host host;
    Module module{host};
};

TEST_F(Records, LoadEntryKeepsAnchorsAndToolkitHandle) {
    auto mcn_main = module.symbol<const ImageInformation* (*)(void*, void*)>("mcn_main");
    void** const anchors[] = {module.symbol<void**>("v_global_gcb_anchor"),
                              module.symbol<void**>("v_global_pidb_anchor"),
                              module.symbol<void**>("Exported_RZHandle")};
    EXPECT_TRUE(*anchors[0] == qelfin::host::detail::HostAbi::control_block(host) && *anchors[1] == qelfin::host::detail::HostAbi::pidb(host));
    EXPECT_EQ(*anchors[2], qelfin::host::detail::HostAbi::control_block(host)[GCB_TOOLKIT]);
    // A second call overwrites the three globals and returns the same record.
    std::vector<void*> other(96, nullptr);
    int pidb_other = 0;
    other[GCB_TOOLKIT] = &pidb_other;
    EXPECT_EQ(mcn_main(other.data(), &pidb_other), &module.image());
    EXPECT_TRUE(*anchors[0] == other.data() && *anchors[1] == &pidb_other && *anchors[2] == &pidb_other);
    mcn_main(qelfin::host::detail::HostAbi::control_block(host), qelfin::host::detail::HostAbi::pidb(host));
}

TEST_F(Records, ImageAndRegistrationRecords) {
    const ImageInformation& im = module.image();
    EXPECT_EQ(&im, module.symbol<const ImageInformation*>("vi_mcn"));
    expect_padded(im.tag, sizeof im.tag, "QEL_Image_Information=");
    const unsigned char magic[4] = {0xED, 0xEB, 0xBD, 0xB0};
    EXPECT_EQ(std::memcmp(bytes_of(&im) + 24, magic, 4), 0);
    EXPECT_EQ(im.word28, 8u);
    expect_padded(im.release, sizeof im.release, "9.03");
    expect_padded(im.build, sizeof im.build, "9.03.01M2P081512");
    expect_padded(im.date, sizeof im.date, "Nov 15 2012");
    EXPECT_EQ(im.pcns, module.symbol<const void*>("mcn_pcns"));
    ASSERT_NE(im.notice, nullptr);
    EXPECT_EQ(std::strlen(im.notice), 88u);
    EXPECT_EQ(std::memcmp(im.code, "001", 4), 0);
#if defined(__i386__)
    const void* pcns_word;  // the 32-bit image: pointers at offsets 84 and 88, code at 92
    std::memcpy(&pcns_word, bytes_of(&im) + 84, 4);
    EXPECT_EQ(pcns_word, module.symbol<const void*>("mcn_pcns"));
    EXPECT_EQ(std::memcmp(bytes_of(&im) + 92, "001", 4), 0);
#endif

    auto pcns = module.symbol<const RegistrationRecord* const*>("mcn_pcns");
    EXPECT_EQ(pcns[0], module.symbol<const RegistrationRecord*>("pcn_QELWUFIN"));
    EXPECT_EQ(pcns[1], nullptr);
    const RegistrationRecord& r = *pcns[0];
    const unsigned char head[12] = {0x00, 0x00, 0xFF, 0xFF, 0x00, 0x04, 0, 0, 0x00, 0x04, 0, 0};
    EXPECT_EQ(std::memcmp(&r, head, sizeof head), 0);
    expect_padded(r.name, sizeof r.name, "qelwufin");
    EXPECT_EQ(reinterpret_cast<void*>(r.entry), module.raw_symbol("qelwufin"));
    EXPECT_TRUE(r.w28 == 1u && r.w32 == 0x25D3u && r.w36 == 0x0241ED61u && r.w40 == 15u);
}

// Each qelwufin call takes a new FunctionVector (72 bytes in the 32-bit
// image) from the pool in gcb word 10 with flags 8198, leaves word 0 as the
// allocator left it and fills the seventeen entries; a refused
// request gives null, which the loader reports.
TEST_F(Records, FunctionVector) {
    const FunctionVector* v = module.vector();
    const std::vector<unsigned char> fill(sizeof(void*), qelfin::standin::Pool::kFill);
    EXPECT_EQ(std::memcmp(&v->header, fill.data(), fill.size()), 0);
    // The entries themselves, word by word, are checked against the
    // catalogue with every other list of the functions (tests/catalogue).

    const auto requests = host.vector_pool().requests();  // further calls: the robustness harness
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].size == sizeof(FunctionVector) && requests[0].flags == 8198u);

    qelfin::standin::Host refusing;
    refusing.vector_pool().set_refuse(true);
    EXPECT_THROW(Module m(refusing), LoadError);
    EXPECT_THROW(Module m(refusing, "/nonexistent/libqelfin.so"), LoadError);
}

TEST_F(Records, VersionRecordIsCopiedWhole) {
    auto query = module.symbol<int32_t (*)(VersionRecord*)>("rzvercn1");
    // Two buffers full of other data: the copy is the whole record, zero
    // words included, and nothing beyond it is written.
    std::vector<unsigned char> first(sizeof(VersionRecord) + 16, 0xEE), second(sizeof(VersionRecord) + 16, 0x11);
    EXPECT_EQ(query(reinterpret_cast<VersionRecord*>(first.data())), 0);
    EXPECT_EQ(query(reinterpret_cast<VersionRecord*>(second.data())), 0);
    EXPECT_EQ(std::memcmp(first.data(), second.data(), sizeof(VersionRecord)), 0);
    EXPECT_TRUE(std::all_of(first.begin() + sizeof(VersionRecord), first.end(), [](auto b) { return b == 0xEE; }));
    EXPECT_TRUE(std::all_of(second.begin() + sizeof(VersionRecord), second.end(), [](auto b) { return b == 0x11; }));

    VersionRecord v;
    std::memcpy(&v, first.data(), sizeof v);
    for (const uint32_t z : v.zero) EXPECT_EQ(z, 0u);
    EXPECT_STREQ(v.version, "9.03.01M2P08152012");
    EXPECT_EQ(std::count(v.lineage, v.lineage + std::strlen(v.lineage), ':'), 2);
    EXPECT_EQ(v.build_time, 1353004220u);
    EXPECT_EQ(v.root[0], '/');
    const std::pair<const char*, const char*> texts[] = {
        {v.empty8, ""},    {v.component, "tesk"}, {v.module, "qelwufin"}, {v.directory, "fnc"}, {v.empty32, ""},
        {v.keyword, "version"}, {v.separator, "::"}, {v.empty44, ""},    {v.platform, "lnxno"}};
    for (const auto& [got, want] : texts) EXPECT_STREQ(got, want);
    // The two patch areas: a key and blanks, 65 characters.
    for (const auto& [area, key] : {std::pair{v.hotfix, "QEL_VERSION_HOTFIX_NUMBER="},
                                    std::pair{v.image_description, "VERCON_IMAGE_DESCRIPTION="}}) {
        const std::string s(area);
        EXPECT_EQ(s.size(), 65u);
        EXPECT_EQ(s.rfind(key, 0), 0u);
        EXPECT_EQ(s.find_first_not_of(' ', std::strlen(key)), std::string::npos);
    }
}

}  // namespace
