// The load sequence and the records a host reads: mcn_main and its anchors,
// the image record, the registration record, the function vector and the
// version record, checked byte by byte on the build's own layout.
#include "host/module.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace qelfin::host;

const unsigned char* bytes_of(const void* p) { return static_cast<const unsigned char*>(p); }

// The text of a fixed-width field: the given characters, then NUL up to width.
void expect_padded(const char* field, size_t width, const std::string& text) {
    ASSERT_LE(text.size(), width);
    EXPECT_EQ(std::string(field, text.size()), text);
    for (size_t i = text.size(); i < width; ++i) EXPECT_EQ(field[i], '\0') << "byte " << i;
}

class Records : public ::testing::Test {
protected:
    Host host;
    Module module{host};
};

TEST_F(Records, LoadEntryKeepsAnchorsAndToolkitHandle) {
    auto mcn_main_entry = module.symbol<const ImageInformation* (*)(void*, void*)>("mcn_main");
    auto gcb = module.symbol<void**>("v_global_gcb_anchor");
    auto pidb = module.symbol<void**>("v_global_pidb_anchor");
    auto toolkit = module.symbol<void**>("Exported_RZHandle");
    EXPECT_EQ(*gcb, host.control_block());
    EXPECT_EQ(*pidb, host.pidb());
    EXPECT_EQ(*toolkit, host.control_block()[GCB_TOOLKIT]);

    // A second call with other anchors simply overwrites the three globals
    // and returns the same record.
    std::vector<void*> other(96, nullptr);
    int pidb_other = 0;
    other[GCB_TOOLKIT] = &pidb_other;
    const ImageInformation* again = mcn_main_entry(other.data(), &pidb_other);
    EXPECT_EQ(again, &module.image());
    EXPECT_EQ(*gcb, other.data());
    EXPECT_EQ(*pidb, &pidb_other);
    EXPECT_EQ(*toolkit, &pidb_other);
    mcn_main_entry(host.control_block(), host.pidb());
}

TEST_F(Records, ImageRecord) {
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
    // The 32-bit image: pointers at byte offsets 84 and 88, code at 92.
    const void* pcns_word;
    std::memcpy(&pcns_word, bytes_of(&im) + 84, 4);
    EXPECT_EQ(pcns_word, module.symbol<const void*>("mcn_pcns"));
    EXPECT_EQ(std::memcmp(bytes_of(&im) + 92, "001", 4), 0);
#endif
}

TEST_F(Records, RegistrationListAndRecord) {
    auto pcns = module.symbol<const RegistrationRecord* const*>("mcn_pcns");
    EXPECT_EQ(pcns[0], module.symbol<const RegistrationRecord*>("pcn_QELWUFIN"));
    EXPECT_EQ(pcns[1], nullptr);
    const RegistrationRecord& r = *pcns[0];
    const unsigned char head[12] = {0x00, 0x00, 0xFF, 0xFF, 0x00, 0x04, 0, 0, 0x00, 0x04, 0, 0};
    EXPECT_EQ(std::memcmp(&r, head, sizeof head), 0);
    expect_padded(r.name, sizeof r.name, "qelwufin");
    EXPECT_EQ(reinterpret_cast<void*>(r.entry), module.raw_symbol("qelwufin"));
    EXPECT_EQ(r.w28, 1u);
    EXPECT_EQ(r.w32, 0x25D3u);
    EXPECT_EQ(r.w36, 0x0241ED61u);
    EXPECT_EQ(r.w40, 15u);
}

TEST_F(Records, FunctionVectorHoldsTheSeventeenEntriesInOrder) {
    const auto requests = host.vector_pool().requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].size, sizeof(FunctionVector));
    EXPECT_EQ(requests[0].flags, 8198u);

    const FunctionVector* v = module.vector();
    // Word 0 is the host's: still the allocator's fill pattern.
    std::vector<unsigned char> fill(sizeof(void*), Pool::kFill);
    EXPECT_EQ(std::memcmp(&v->header, fill.data(), fill.size()), 0);
    const char* expected[QELFIN_FUNCTION_COUNT] = {
        "fnccomp", "fncdcb", "fncdcbs", "fncdcsl", "fncdcsy", "fncdctb", "fncdpb", "fncdpbs", "fncdpsl",
        "fncdpsy", "fncdptb", "fncinrr", "fncirr", "fncmort", "fncntpv", "fncnpv", "fncsav"};
    for (int i = 0; i < QELFIN_FUNCTION_COUNT; ++i)
        EXPECT_EQ(reinterpret_cast<void*>(v->entries[i]), module.raw_symbol(expected[i])) << "word " << i + 1;
}

TEST_F(Records, EachRegistrationCallAllocatesANewVector) {
    auto reg = module.symbol<void* (*)()>("qelwufin");
    void* second = reg();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, module.vector());
    EXPECT_EQ(host.vector_pool().requests().size(), 2u);
}

TEST_F(Records, RefusedPoolGivesNoVector) {
    auto reg = module.symbol<void* (*)()>("qelwufin");
    host.vector_pool().set_refuse(true);
    EXPECT_EQ(reg(), nullptr);
    const auto requests = host.vector_pool().requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_FALSE(requests[1].granted);
    EXPECT_EQ(requests[1].size, sizeof(FunctionVector));
}

TEST(Loader, RefusedPoolIsALoadError) {
    Host host;
    host.vector_pool().set_refuse(true);
    EXPECT_THROW(Module m(host), LoadError);
}

TEST(Loader, MissingLibraryIsALoadError) {
    Host host;
    EXPECT_THROW(Module m(host, "/nonexistent/libqelfin.so"), LoadError);
}

TEST_F(Records, VersionRecordIsCopiedWhole) {
    auto query = module.symbol<int32_t (*)(VersionRecord*)>("rzvercn1");
    // Two buffers full of other data; the copy is the whole record, zero
    // words included, and nothing beyond it is written.
    std::vector<unsigned char> first(sizeof(VersionRecord) + 16, 0xEE), second(sizeof(VersionRecord) + 16, 0x11);
    EXPECT_EQ(query(reinterpret_cast<VersionRecord*>(first.data())), 0);
    EXPECT_EQ(query(reinterpret_cast<VersionRecord*>(second.data())), 0);
    EXPECT_EQ(std::memcmp(first.data(), second.data(), sizeof(VersionRecord)), 0);
    for (size_t i = sizeof(VersionRecord); i < first.size(); ++i) {
        EXPECT_EQ(first[i], 0xEE);
        EXPECT_EQ(second[i], 0x11);
    }

    VersionRecord v;
    std::memcpy(&v, first.data(), sizeof v);
    for (uint32_t z : v.zero) EXPECT_EQ(z, 0u);
    EXPECT_STREQ(v.version, "9.03.01M2P08152012");
    EXPECT_EQ(std::count(v.lineage, v.lineage + std::strlen(v.lineage), ':'), 2);
    EXPECT_STREQ(v.empty8, "");
    EXPECT_EQ(v.build_time, 1353004220u);
    EXPECT_STREQ(v.component, "tesk");
    EXPECT_STREQ(v.module, "qelwufin");
    EXPECT_STREQ(v.directory, "fnc");
    EXPECT_EQ(v.root[0], '/');
    EXPECT_STREQ(v.empty32, "");
    EXPECT_STREQ(v.keyword, "version");
    EXPECT_STREQ(v.separator, "::");
    EXPECT_STREQ(v.empty44, "");
    EXPECT_EQ(std::strlen(v.hotfix), 65u);
    EXPECT_EQ(std::string(v.hotfix).rfind("QEL_VERSION_HOTFIX_NUMBER=", 0), 0u);
    EXPECT_EQ(std::string(v.hotfix).find_first_not_of(' ', 26), std::string::npos);
    EXPECT_EQ(std::strlen(v.image_description), 65u);
    EXPECT_EQ(std::string(v.image_description).rfind("VERCON_IMAGE_DESCRIPTION=", 0), 0u);
    EXPECT_EQ(std::string(v.image_description).find_first_not_of(' ', 25), std::string::npos);
    EXPECT_STREQ(v.platform, "lnxno");

    // The description ends with the seventeen names in vector order.
    std::string expected = "QEL financial functions";
    for (const auto& f : functions()) expected += " " + std::string(f.name);
    EXPECT_EQ(v.description, expected);
}

}  // namespace
