// The C API over the host: services of the embedding's own with the call's
// context reaching them, every pool and scratch block given back, the note
// limit kept across a resize, and refusals as return values.
#include <qelfin/qelfin_host.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Ledger {
    long blocks = 0;                  // pool and scratch blocks held
    long allocations = 0;             // pool blocks ever given
    std::vector<void*> pool_contexts;  // the context of each pool allocation
    std::vector<void*> note_contexts;  // the context each note arrived with
};

qelfin_host_services services(Ledger& l) {
    qelfin_host_services s{QELFIN_HOST_API_VERSION, sizeof s, &l, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    s.pool_allocate = [](void* u, void* context, size_t n) {
        auto* ledger = static_cast<Ledger*>(u);
        ledger->pool_contexts.push_back(context);
        return ++ledger->blocks, ++ledger->allocations, std::malloc(n);
    };
    s.pool_release = [](void* u, void* b) { --static_cast<Ledger*>(u)->blocks, std::free(b); };
    // A scratch pool is a list of blocks, freed when it is destroyed.
    s.scratch_create = [](void* u, void*) -> void* { return ++static_cast<Ledger*>(u)->blocks, new std::vector<void*>; };
    s.scratch_allocate = [](void*, void* p, size_t n) { return static_cast<std::vector<void*>*>(p)->emplace_back(std::malloc(n)); };
    s.scratch_destroy = [](void* u, void* p) {
        for (void* b : *static_cast<std::vector<void*>*>(p)) std::free(b);
        delete static_cast<std::vector<void*>*>(p);
        --static_cast<Ledger*>(u)->blocks;
    };
    s.note = [](void* u, void* context, const qelfin_note*) { static_cast<Ledger*>(u)->note_contexts.push_back(context); };
    return s;
}

TEST(CApi, ServicesContextsAndTheNoteLimit) {
    Ledger ledger;
    const qelfin_host_services s = services(ledger);
    qelfin_host* host = nullptr;
    char message[200];
    ASSERT_EQ(qelfin_host_create(nullptr, &s, &host, message, sizeof message), QELFIN_HOST_OK) << message;
    const int irr = qelfin_host_function_index("irr");
    qelfin_site* site = nullptr;
    ASSERT_EQ(qelfin_host_site_create(host, nullptr, irr, 4, QELFIN_CALLER_ROWS, &site), QELFIN_HOST_OK);
    // Two sign changes: note 201 on every call, ten per site, then 202.
    const double flows[] = {1, -100, 230, -132};
    int context = 0;
    for (int call = 0; call < 12; ++call) {
        if (call == 6) {
            EXPECT_EQ(qelfin_host_site_resize(site, 4), QELFIN_HOST_OK);
        }
        std::copy(std::begin(flows), std::end(flows), qelfin_host_site_args(site));
        EXPECT_EQ(qelfin_host_site_call(site, &context).status, 0u);
    }
    EXPECT_EQ(ledger.note_contexts, std::vector<void*>(11, &context));
    // A refusal names its cause; the text is cut to the buffer, its length whole.
    qelfin_host_site_args(site)[2] = 0, qelfin_host_site_args(site)[3] = 0;
    const qelfin_outcome refused = qelfin_host_site_call(site, nullptr);
    char reason[16];
    const size_t length = qelfin_host_site_reason(site, &refused, reason, sizeof reason);
    EXPECT_TRUE(refused.status != 0 && std::isnan(refused.value) && length > sizeof reason - 1);
    EXPECT_EQ(std::string(reason), std::string("the cash flows do not change sign").substr(0, sizeof reason - 1));
    qelfin_host_site_destroy(site);
    qelfin_host_destroy(host);
    EXPECT_EQ(ledger.blocks, 0);
}

// A list growing a flow at a time (a running window) on one site: the same
// figure as a fresh site given every flow as its own value, the site's
// memory from the pool in the site's context, its block grown by half again
// (a handful of allocations, not one per flow), no copy of the list.
TEST(CApi, GrowingListKeepsBindingsInThePool) {
    Ledger ledger;
    const qelfin_host_services s = services(ledger);
    qelfin_host* host = nullptr;
    char message[200];
    ASSERT_EQ(qelfin_host_create(nullptr, &s, &host, message, sizeof message), QELFIN_HOST_OK) << message;
    const int npv = qelfin_host_function_index("npv");
    int site_context = 0;
    const size_t first = ledger.pool_contexts.size();
    qelfin_site* site = nullptr;
    ASSERT_EQ(qelfin_host_site_create(host, &site_context, npv, 2, QELFIN_CALLER_ROWS, &site), QELFIN_HOST_OK);
    std::vector<double> flows(300);
    const long before = ledger.allocations;
    for (int n = 1; n <= static_cast<int>(flows.size()); ++n) {
        flows[static_cast<size_t>(n - 1)] = n % 7 == 0 ? -50.0 : 10.0 + n;
        ASSERT_EQ(qelfin_host_site_resize(site, 2 + n), QELFIN_HOST_OK);
        qelfin_host_site_bind_list(site, flows.data());
        double* leading = qelfin_host_site_args(site);
        leading[0] = 5, leading[1] = 1;
        const qelfin_outcome grown = qelfin_host_site_call(site, nullptr);
        qelfin_site* fresh = nullptr;
        ASSERT_EQ(qelfin_host_site_create(host, nullptr, npv, 2 + n, QELFIN_CALLER_ROWS, &fresh), QELFIN_HOST_OK);
        double* all = qelfin_host_site_args(fresh);
        all[0] = 5, all[1] = 1;
        std::copy(flows.begin(), flows.begin() + n, all + 2);
        const qelfin_outcome whole = qelfin_host_site_call(fresh, nullptr);
        qelfin_host_site_destroy(fresh);
        ASSERT_EQ(grown.status, 0u);
        ASSERT_EQ(grown.value, whole.value) << n << " flows";
    }
    EXPECT_EQ(ledger.pool_contexts[first], &site_context);
    qelfin_host_site_destroy(site);
    EXPECT_LT(ledger.allocations - before - 3 * static_cast<long>(flows.size()), 20);  // fresh sites: 3 each
    qelfin_host_destroy(host);
    EXPECT_EQ(ledger.blocks, 0);
}

TEST(CApi, RefusalsAreReturnValues) {
    Ledger ledger;
    qelfin_host_services s = services(ledger);
    qelfin_host* host = nullptr;
    char message[200];
    s.version = 99;
    EXPECT_EQ(qelfin_host_create(nullptr, &s, &host, message, sizeof message), QELFIN_HOST_BAD_VERSION);
    EXPECT_EQ(host, nullptr);
    EXPECT_EQ(qelfin_host_create("/no/such/libqelfin.so", nullptr, &host, message, sizeof message),
              QELFIN_HOST_LOAD_FAILED);
    EXPECT_NE(std::string(message).find("/no/such/libqelfin.so"), std::string::npos) << message;
    ASSERT_EQ(qelfin_host_create(nullptr, nullptr, &host, message, sizeof message), QELFIN_HOST_OK);
    qelfin_site* site = nullptr;
    EXPECT_EQ(qelfin_host_site_create(host, nullptr, 17, 4, 0, &site), QELFIN_HOST_BAD_REQUEST);
    EXPECT_EQ(qelfin_host_site_create(host, nullptr, 0, -1, 0, &site), QELFIN_HOST_BAD_REQUEST);
    EXPECT_EQ(qelfin_host_function_index("MROT"), -1);
    EXPECT_EQ(std::string(qelfin_host_argument_name(qelfin_host_function_index("NPV"), 3)), "flows");
    qelfin_host_destroy(host);
}

}  // namespace
