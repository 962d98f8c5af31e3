// Loading, decoding and reporting; the checks of each half live in
// entries.cpp and routines.cpp.
#include "fuzz/harness_impl.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qelfin::fuzz {

namespace {

constexpr size_t kMaxOpsPerInput = 64;

// A routine the module does not export (the harness's own test module
// exports few) is left null and its operations are skipped.
template <class F>
void find(const host::Module& m, const char* name, F& slot, std::vector<std::string>& absent) {
    try {
        slot = m.symbol<F>(name);
    } catch (const host::LoadError&) {
        slot = nullptr;
        absent.emplace_back(name);
    }
}

}  // namespace

std::string show(double x) {
    char buf[64];
    if (is_missing_bits(x)) return "MISSING";
    if (std::isnan(x))
        std::snprintf(buf, sizeof buf, "nan[0x%016" PRIX64 "]", bits_of(x));
    else
        std::snprintf(buf, sizeof buf, "%.17g", x);  // -0 for -0.0
    return buf;
}

// Texts in double quotes, cut after 24 bytes.
std::string show(const ArgValue& a) {
    if (a.numeric) return show(a.number);
    const std::string more = a.text.size() > 24 ? "...(" + std::to_string(a.text.size()) + " bytes)" : "\"";
    return '"' + a.text.substr(0, 24) + more;
}

std::string show_args(const std::vector<ArgValue>& values, int32_t length) {
    std::string s = "(";
    for (int32_t i = 0; i < length && i < 40; ++i)
        s += (i ? ", " : "") + show(values[static_cast<size_t>(i) % values.size()]);
    return s + (length > 40 ? ", ... " + std::to_string(length) + " arguments)" : ")");
}

Session::Session(const std::string& module_path, ValueArena* lent_arena)
    : own_host_(std::make_unique<standin::Host>()),
      own_module_(std::make_unique<host::Module>(*own_host_, module_path)),
      own_arena_(lent_arena != nullptr ? nullptr : std::make_unique<ValueArena>()),
      host(*own_host_),
      module(*own_module_),
      shared(false),
      arena(lent_arena != nullptr ? *lent_arena : *own_arena_) {}

Session::Session(Session& owner)
    : own_arena_(std::make_unique<ValueArena>()),
      host(owner.host),
      module(owner.module),
      shared(true),
      arena(*own_arena_) {}

uint64_t Session::host_seed(const OpRecord& r) const {
    const uint64_t record = (uint64_t{r.op} << 16) | (uint64_t{r.site} << 8) | r.flags;
    return (((op_index + 1) * 0x9E3779B97F4A7C15ull) ^ record) | 1;
}

std::string Outcome::text() const {
    char head[64];
    std::snprintf(head, sizeof head, "%llx %d/%d ", static_cast<unsigned long long>(status), marked, marks);
    std::string s = head + notes + " O=";
    for (size_t i = 0; i < out.size(); ++i) {
        char bits[20];
        std::snprintf(bits, sizeof bits, "%s%016" PRIx64, i ? "," : "", bits_of(out[i]));
        s += bits;
    }
    return s;
}

std::string Verdict::report() const {
    std::string s = "contract failure in " + call_ + ":\n";
    for (const auto& f : failures_) s += "  - " + f + "\n";
    return s;
}

thread_local SeriesProbe* SeriesProbe::current = nullptr;

double SeriesProbe::callback(int32_t index, void* context) {
    SeriesProbe* probe = current;
    if (probe == nullptr) std::abort();  // called outside any call of the harness
    if (context != probe) probe->foreign_context = true;
    probe->asked.push_back(index);
    if (index < 0 || index >= probe->length) return 0.0;  // recorded; reading would leave the series
    return probe->values[index];
}

int32_t sign_changes(const std::vector<double>& flows) {
    int sign = 0;
    int32_t changes = 0;
    for (double v : flows) {
        if (std::isnan(v) || v == 0) continue;
        const int s = v < 0 ? -1 : 1;
        if (sign != 0 && s != sign) ++changes;
        sign = s;
    }
    return changes;
}

std::string module_path_from_environment() {
    const char* p = std::getenv("QELFIN_MODULE");
    return p != nullptr && *p != '\0' ? p : host::default_module_path();
}

Harness::Impl::Impl(std::string module_path) : path(std::move(module_path)) {
    boot = std::make_unique<host::Module>(boot_host, path);
    const host::Module& m = *boot;
#define QELFIN_FIND(name) find(m, #name, routines.name##_, absent);
    QELFIN_ROUTINES(QELFIN_FIND)
    QELFIN_SCANS(QELFIN_FIND)
#undef QELFIN_FIND
    version_record.assign(sizeof(VersionRecord), 0);
    if (routines.rzvercn1_ != nullptr) routines.rzvercn1_(reinterpret_cast<VersionRecord*>(version_record.data()));
    handler = [](const std::string& report) {
        std::fputs(report.c_str(), stderr);
        std::fflush(stderr);
        std::abort();
    };
}

void Harness::Impl::fail(const Verdict& v) const { handler(v.report()); }

size_t Harness::Impl::run(const uint8_t* data, size_t size, bool entries) {
    ByteReader in(data, size);
    Session session(path, &arena);  // one arena for all inputs: mapping one per input costs
    size_t calls = 0;
    while (!in.empty() && calls < kMaxOpsPerInput) {
        const OpRecord r = read_record(in);
        session.op_index = calls++;
        entries ? entry_op(session, r) : routine_op(session, r);
    }
    return calls;
}

Harness::Harness(std::string module_path) : impl_(std::make_unique<Impl>(std::move(module_path))) {}
Harness::~Harness() = default;

void Harness::on_failure(FailureHandler handler) { impl_->handler = std::move(handler); }

size_t Harness::run(const uint8_t* data, size_t size, bool entries) { return impl_->run(data, size, entries); }

Outcome Harness::run_record(Session& session, const OpRecord& record, bool entry) {
    Outcome o = entry ? impl_->entry_op(session, record) : impl_->routine_op(session, record);
    if (!session.shared) {  // the checks read the host's logs whole: keep them short in long sessions
        session.host.counter_pool().clear_requests();
        session.host.vector_pool().clear_requests();
        session.host.toolkit().reset_counts();
    }
    return o;
}

std::vector<std::string> Harness::entry_ops() {
    std::vector<std::string> names;
    for (const auto& f : host::functions()) names.emplace_back(f.name);
    names.insert(names.end(), {"FNCNMIS", "FNCCMIS", "FNCMIS"});
    return names;
}

}  // namespace qelfin::fuzz
