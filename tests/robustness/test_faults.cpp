// Fault injection: the N-th allocation made to fail, for every N, over a
// qelhost run and over a column evaluation of the host library; the N-th
// system call that writes or names a run's -o file made to fail, for every
// N.  Allocations are the C++ heap's (operator new, replaced below), the
// host pools' and the scratch pools' (services that count and refuse).
// Each failure must end in a clean error (an exception, which qelhost turns
// into a message and exit status 2) or in the result of the run without
// failures, or, where a host pool refused the module, in that result with
// the calls concerned reported as STATUS_NO_MEMORY; no block may be left
// allocated, no file half-written.  The x64-asan preset runs it under the
// address sanitizer.
#include "host/columns.h"
#include "qelhost/commands.h"
#include "qelhost/diagnostics.h"
#include "qelhost/output_file.h"
#include "qelhost/runner.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

long g_count = 0;         // allocations since the failure was armed
long g_fail_at = 0;       // the one that fails; 0: none
bool g_failed = false;    // it came
bool g_pool_failed = false;  // and it was a host or scratch pool's
long g_live = 0;          // blocks of operator new not yet deleted

bool fails() {
    if (g_fail_at == 0 || ++g_count != g_fail_at) return false;
    return g_failed = true;
}

}  // namespace

void* operator new(size_t size) {
    if (fails()) throw std::bad_alloc();
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    ++g_live;
    return p;
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t size, const std::nothrow_t& nothrow) noexcept { return operator new(size, nothrow); }
void operator delete(void* p) noexcept {
    if (p != nullptr) --g_live;
    std::free(p);
}
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void operator delete[](void* p, size_t) noexcept { operator delete(p); }

namespace {

using namespace qelhost_test;
using qelfin::host::heap_pool;
using qelfin::host::heap_scratch;

struct CountingPool final : qelfin::host::PoolService {
    long outstanding = 0;
    void* allocate(size_t size, uint32_t flags) override {
        if (fails()) return g_pool_failed = true, nullptr;
        void* p = heap_pool().allocate(size, flags);
        outstanding += p != nullptr;
        return p;
    }
    void release(void* block) override {
        outstanding -= block != nullptr;
        heap_pool().release(block);
    }
};

struct CountingScratch final : qelfin::host::ScratchService {
    qelfin::host::ScratchPool* create(const uint32_t parm[3], int32_t zero, const char* name) override {
        if (fails()) return g_pool_failed = true, nullptr;
        return heap_scratch().create(parm, zero, name);
    }
    void* allocate(qelfin::host::ScratchPool* pool, size_t size, uint32_t flags) override {
        return heap_scratch().allocate(pool, size, flags);
    }
    void destroy(qelfin::host::ScratchPool* pool) override { heap_scratch().destroy(pool); }
};

// What the failures of one scenario ended in.
struct Tally {
    long clean_errors = 0, full_results = 0, reported_refusals = 0;
    long total() const { return clean_errors + full_results + reported_refusals; }
};

class Faults : public QelhostRun {
protected:
    void SetUp() override {
        host_.set_counter_pool(&pool_);
        host_.set_vector_pool(&pool_);
        host_.set_scratch(&scratch_);
        module_ = std::make_unique<qelfin::host::Module>(host_);
        // Notes, hints and summaries of the runs go nowhere.
        stderr_ = dup(2);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        close(null);
    }
    void TearDown() override {
        dup2(stderr_, 2);
        close(stderr_);
    }

    // Runs `attempt` with the n-th allocation failing, for n = 1, 2, ...
    // until it makes fewer than n, each after `prepare`; `check` judges
    // each (threw: it ended in an exception).  Returns how they ended.
    template <class Prepare, class Attempt, class Check>
    Tally every_allocation(Prepare prepare, Attempt attempt, Check check) {
        Tally tally;
        for (long n = 1;; ++n) {
            prepare();
            const long live = g_live, pooled = pool_.outstanding;
            g_count = 0, g_fail_at = n, g_failed = g_pool_failed = false;
            bool threw = false;
            try {
                attempt();
            } catch (const std::exception&) {
                threw = true;
            }
            g_fail_at = 0;
            const long leaked = g_live - live, pool_leaked = pool_.outstanding - pooled;
            if (!g_failed) break;
            SCOPED_TRACE("allocation " + std::to_string(n) + (g_pool_failed ? " (a pool's)" : ""));
            EXPECT_EQ(leaked, 0) << "blocks leaked";
            EXPECT_EQ(pool_leaked, 0) << "pool blocks leaked";
            if (!check(threw)) break;
            ++(threw ? tally.clean_errors : g_pool_failed ? tally.reported_refusals : tally.full_results);
        }
        return tally;
    }

    CountingPool pool_;
    CountingScratch scratch_;
    qelfin::host::Host host_;
    std::unique_ptr<qelfin::host::Module> module_;
    int stderr_ = -1;
};

const std::string kBook =
    "amount,rate,term,c0,c1,c2,c3\n50000,0.005,360,-100,230,-132,\n1000,0.01,12,-1000,300,400,500\n"
    "1,x,.,-100,230,-132,0\n2000,0,24,0,0,0,0\n";

// A run over dir/book.csv into dir/out.csv, refusals into dir/errors.csv.
qelhost::RunOptions book_run(const fs::path& dir) {
    fs::create_directory(dir);
    qelhost::RunOptions o;
    o.input = (dir / "book.csv").string();
    o.computes = {"p = MORT(amount, ., rate, term)", "i = IRR(1, c0..c3)", "n = round(NPV(5, 1, c0..c3), 2) / p"};
    o.status = {"p", "i"};
    o.errors = (dir / "errors.csv").string();
    o.output = (dir / "out.csv").string();
    o.progress = false;
    o.caller_kind = 0;  // a note for every IRR with several sign changes
    return o;
}

TEST_F(Faults, EveryAllocationOfARun) {
    const fs::path dir = dir_ / "allocations";
    const qelhost::RunOptions options = book_run(dir);
    file("allocations/book.csv", kBook);
    ASSERT_EQ(qelhost::run(*module_, options), 0);
    const std::string out = slurp(options.output), errors = slurp(options.errors);
    int status = 0;
    const Tally t = every_allocation(
        [&] {
            file("allocations/out.csv", "old\n");
            file("allocations/errors.csv", "old errors\n");
        },
        [&] { status = qelhost::run(*module_, options); },
        [&](bool threw) {
            const std::string now = slurp(options.output), now_errors = slurp(options.errors);
            EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);  // no file beside
            EXPECT_TRUE(threw || status == 0);
            if (threw) {  // each file whole: the old one, or the new one complete
                EXPECT_TRUE(now == "old\n" || now == out) << now;
                EXPECT_TRUE(now_errors == "old errors\n" || now_errors == errors) << now_errors;
            } else if (g_pool_failed && now != out) {  // a refused pool: the calls that lost their value are listed
                EXPECT_GT(count_of(now_errors, "\n"), count_of(errors, "\n")) << now_errors;
            } else {
                EXPECT_EQ(now, out);
                EXPECT_EQ(now_errors, errors);
            }
            return !HasFailure();
        });
    EXPECT_GT(t.total(), 100);
    std::printf("qelhost run: %ld allocations, each made to fail in turn: %ld clean errors, %ld full results, "
                "%ld with the refusal reported; no leak\n",
                t.total(), t.clean_errors, t.full_results, t.reported_refusals);
}

TEST_F(Faults, EveryAllocationOfAColumnEvaluation) {
    // 40 rows of IRR over five flows, every fourth row with two sign changes (a note).
    constexpr size_t kRows = 40;
    std::vector<double> flows;
    for (size_t r = 0; r < kRows; ++r)
        for (const double f : {-100.0, r % 4 ? 60.0 : 230.0, r % 4 ? 50.0 + double(r) : -132.0, 10.0, 0.0})
            flows.push_back(f);
    const double one = 1;
    std::vector<qelfin::host::Column> args = {{&one, 0}};
    for (size_t k = 0; k < 5; ++k) args.push_back({flows.data() + k, 5});
    std::vector<double> expected(kRows), values(kRows);
    std::vector<uint32_t> expected_status(kRows), status(kRows);
    auto evaluate = [&](std::vector<double>& into, std::vector<uint32_t>& statuses) {
        qelfin::host::CallSite site(*module_, "IRR", 6, 0x48);
        qelfin::host::NoteList notes;
        site.set_note_sink(&notes);
        qelfin::host::evaluate_columns(site, args, kRows, {into.data(), statuses.data()});
    };
    evaluate(expected, expected_status);
    // A row keeps its value, or, where a pool refused, has none and says so.
    const double missing = qelfin::host::missing_value();
    const Tally t = every_allocation([] {}, [&] { evaluate(values, status); },
                                     [&](bool threw) {
                                         for (size_t r = 0; r < kRows && !threw; ++r) {
                                             const bool refused = g_pool_failed && status[r] != expected_status[r];
                                             EXPECT_EQ(std::memcmp(&values[r], refused ? &missing : &expected[r], 8), 0) << r;
                                             EXPECT_TRUE(refused || status[r] == expected_status[r]) << r;
                                         }
                                         return !HasFailure();
                                     });
    EXPECT_GT(t.total(), 40);
    std::printf("host column evaluation: %ld allocations, each made to fail in turn: %ld clean errors, %ld full "
                "results, %ld with the refusal reported; no leak\n",
                t.total(), t.clean_errors, t.full_results, t.reported_refusals);
}

// The system calls of the -o file, each made to fail in turn.
long g_call = 0, g_fail_call = 0;
bool fail_call() { return ++g_call == g_fail_call; }

TEST_F(Faults, EveryWriteOfRunOutput) {
    const qelhost::FileCalls real = qelhost::g_file_calls;
    qelhost::g_file_calls = {
        [](int fd, const void* p, size_t n) { return fail_call() ? (errno = ENOSPC, ssize_t{-1}) : ::write(fd, p, n); },
        [](int fd) { return fail_call() ? (errno = EIO, -1) : ::fsync(fd); },
        [](int fd) { return ::close(fd) != 0 || fail_call() ? (errno = EIO, -1) : 0; },
        [](int a, const char* b, int c, const char* d, int e) { return fail_call() ? (errno = EIO, -1) : ::linkat(a, b, c, d, e); },
        [](const char* a, const char* b) { return fail_call() ? (errno = EIO, -1) : ::rename(a, b); }};
    std::string book = "amount,rate,term\n";
    for (int i = 0; i < 60000; ++i) book += std::to_string(1000 + i) + ",0.005,360\n";  // three writes of 1 MiB
    const fs::path dir = dir_ / "writes";
    qelhost::RunOptions options = book_run(dir);
    file("writes/book.csv", book);
    options.computes.resize(1);
    options.status.clear();
    options.errors.clear();
    ASSERT_EQ(qelhost::run(*module_, options), 0);
    const std::string out = slurp(options.output);
    long failures = 0;
    for (const char* old : {"old\n", ""}) {  // a target there before, and none
        for (long n = 1;; ++n, ++failures) {
            fs::remove(options.output);
            if (*old) file("writes/out.csv", old);
            g_call = 0, g_fail_call = n;
            bool threw = false;
            try {
                qelhost::run(*module_, options);
            } catch (const qelhost::UsageError& e) {
                threw = true;
                EXPECT_HAS(e.what(), "cannot write " + options.output + ": ");
            }
            if (g_call < n) break;
            SCOPED_TRACE("call " + std::to_string(n) + " failing, the target " + (*old ? "there" : "new"));
            EXPECT_TRUE(threw);
            // The old file (none), or the new one complete: a close that fails
            // once the synced file has its name.
            const std::string now = fs::exists(options.output) ? slurp(options.output) : "";
            EXPECT_TRUE(now == old || now == out) << now.size() << " bytes";
            EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1 + fs::exists(options.output));
            if (HasFailure()) break;
        }
    }
    qelhost::g_file_calls = real;
    EXPECT_GE(failures, 12);
    std::printf("qelhost run -o: %ld writes, syncs, links, renames and closes made to fail in turn; the target "
                "always the old file (or none) or the complete new one\n", failures);
}

}  // namespace
