// Calls of the seventeen entries and the three scans, and the contract every
// such call must keep (listed in fuzz/README.md).
#include "fuzz/harness_impl.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace qelfin::fuzz {

namespace {

constexpr int kEntryOps = 20;  // 17 entries, fncnmis, fnccmis, fncmis
constexpr uint32_t kCounterFlags = 8198;

bool keeps_counter(uint8_t kind) { return kind == 0x48 || kind == 0x58 || kind == 0x68 || kind == 0x88; }

bool known_status(uint32_t s) {
    return s == 0 || s == STATUS_RESULT_MISSING || s == STATUS_INVALID_ARGS || s == STATUS_NO_MEMORY;
}

// May this entry blame argument i of a block of n?
bool may_mark(std::string_view name, int32_t leading, int32_t i, int32_t n) {
    if (name == "COMPOUND" || name == "MORT" || name == "SAVING") return false;
    if (name == "NPV" || name == "NETPV") return i == 2;
    if (name == "IRR" || name == "INTRR") return i == 1;
    if (name == "DACCTAB" || name == "DEPTAB") return i >= 1 && i <= n;
    return i >= 1 && i <= leading;  // the fixed-arity depreciation entries
}

// The scans' answer, worked out from the block as the host built it.
double expected_scan(int op, const TestBlock& block) {
    const FunctionArgs* a = block.get();
    auto missing = [&](int32_t i, bool by_type) {
        if (!by_type || (a->args[i - 1].flags & ARG_NUMERIC)) return std::isnan(block.read_as_double(i));
        const auto* cv = static_cast<const CharValue*>(a->args[i - 1].value);
        return std::all_of(cv->bytes, cv->bytes + cv->length, [](uint8_t b) { return b == ' '; });
    };
    if (op == 19) return missing(1, true) ? 1.0 : 0.0;
    int32_t count = 0;
    for (int32_t i = 1; i <= a->arg_count; ++i) count += missing(i, op == 18) ? 1 : 0;
    return count;
}

}  // namespace

Outcome Harness::Impl::entry_op(Session& s, const OpRecord& r) {
    const int op = r.op % kEntryOps;
    std::string name;
    int32_t leading = 0;
    bool series = true;
    FunctionEntry entry = nullptr;
    if (op < QELFIN_FUNCTION_COUNT) {
        const auto& info = host::functions()[static_cast<size_t>(op)];
        name = info.name;
        leading = info.leading;
        series = info.series;
        entry = s.module.entry(op);
    } else {
        static const char* const kScans[] = {"fncnmis", "fnccmis", "fncmis"};
        name = kScans[op - QELFIN_FUNCTION_COUNT];
        leading = op == 19 ? 1 : 0;
        entry = op == 17 ? routines.fncnmis_ : op == 18 ? routines.fnccmis_ : routines.fncmis_;
        if (entry == nullptr) return {};
    }
    const bool irr = name == "IRR" || name == "INTRR";
    const bool scan = op >= QELFIN_FUNCTION_COUNT;

    // The argument list: fixed-arity entries get their own arguments (and,
    // on request, a few more); list entries at least their leading ones.
    std::vector<ArgValue> values = r.values;
    int32_t n = r.length;
    if (!series) {
        n = leading + ((r.flags & kExtraArguments) ? pick(r.ints.size() > 1 ? r.ints[1] : 0, 3) : 0);
        values.clear();
        for (int32_t i = 0; i < n; ++i) values.push_back(i < r.length ? r.arg(i) : ArgValue{true, 1.0, {}});
    } else if (n < leading) {
        n = pad(values, leading);
    }
    avoid_unwritten(values);

    Site& site = s.sites[r.site & 3];
    if (!site.created || (r.site & 4)) site = Site{true, site_caller_kind(r.site), nullptr};
    BlockDecor decor;
    decor.caller_kind = site.kind;
    decor.call_state = site.call_state;
    decor.host_seed = (r.flags & kHostBits) ? s.host_seed(r) : 0;
    decor.premark = (r.flags & kPremark) ? pick(r.ints.empty() ? 0 : r.ints[0], n) : 0;

    s.arena.open();
    TestBlock block(s.arena, values, n, decor);
    s.arena.seal();

    // What the call must leave alone, and what the checks need to know.
    const std::vector<uint8_t> fixed_before = block.fixed_part();
    std::vector<bool> marked_before(static_cast<size_t>(n));
    for (int32_t i = 1; i <= n; ++i) marked_before[static_cast<size_t>(i - 1)] = block.marked(i);
    int32_t* const state_before = block.get()->call_state;
    const int32_t counter_before = state_before != nullptr ? *state_before : 0;
    const double scan_expected = scan ? expected_scan(op, block) : 0.0;
    int32_t changes = 0;
    if (irr) {
        std::vector<double> flows;
        for (int32_t i = 2; i <= n; ++i) flows.push_back(block.read_as_double(i));
        changes = sign_changes(flows);
    }

    host::NoteList collect;
    double result = unwritten();
    uint32_t status;
    const PoolWatch watch(s, r.flags);
    {
        const host::RouteNotes route(&collect);
        status = entry(block.get(), &result);
    }
    const std::vector<host::Note>& notes = collect.notes;
    Verdict v;
    watch.finish(v, irr);

    QELFIN_CHECK(v, known_status(status), "status is not one of the four codes");
    QELFIN_CHECK(v, !is_unwritten(result), "result not written");
    if (status != 0) QELFIN_CHECK(v, is_missing_bits(result), "failed without writing MISSING");
    if (status == 0) QELFIN_CHECK(v, !is_missing_bits(result), "MISSING returned with status 0");
    QELFIN_CHECK(v, block.fixed_part() == fixed_before, "the block changed beyond the marks and call_state");

    Outcome outcome;
    outcome.status = status;
    outcome.out.push_back(result);
    int32_t new_marks = 0;
    for (int32_t i = 1; i <= n; ++i) {
        const bool before = marked_before[static_cast<size_t>(i - 1)];
        const bool after = block.marked(i);
        if (before) QELFIN_CHECK(v, after, "the mark of argument " + std::to_string(i) + " was cleared");
        if (after && !before) {
            ++new_marks;
            if (outcome.marked == 0) outcome.marked = i;
            QELFIN_CHECK(v, !scan && may_mark(name, leading, i, n), "argument " + std::to_string(i) + " marked");
        }
    }
    QELFIN_CHECK(v, new_marks <= 1, std::to_string(new_marks) + " arguments marked");
    if (new_marks > 0) QELFIN_CHECK(v, status == STATUS_INVALID_ARGS, "an argument marked without STATUS_INVALID_ARGS");

    // Pools: only IRR and INTRR use the counter pool and the toolkit.  The
    // host's logs are the session's own unless it shares its host.
    const bool needs_counter = irr && keeps_counter(site.kind) && state_before == nullptr;
    int32_t* const state_after = block.get()->call_state;
    size_t asked = 0;
    if (watch.own) {
        const auto counter_log = s.host.counter_pool().requests();
        asked = counter_log.size() - watch.counter_asked;
        QELFIN_CHECK(v, asked == (needs_counter ? 1u : 0u),
                     "the counter pool was asked " + std::to_string(asked) + " times");
        if (asked == 1)
            QELFIN_CHECK(v, counter_log.back().size == 4 && counter_log.back().flags == kCounterFlags,
                         "counter requested with the wrong size or flags");
        QELFIN_CHECK(v, s.host.vector_pool().requests().size() == watch.vector_asked, "the vector pool was asked");
        const bool refused = asked == 1 && !counter_log.back().granted;
        if (status == STATUS_NO_MEMORY) QELFIN_CHECK(v, refused, "STATUS_NO_MEMORY without a refused counter");
        if (refused) QELFIN_CHECK(v, status == STATUS_NO_MEMORY, "refused counter not reported");
    } else {
        asked = needs_counter ? 1 : 0;
        QELFIN_CHECK(v, status != STATUS_NO_MEMORY, "STATUS_NO_MEMORY from a willing counter pool");
    }

    // call_state and the counter behind it.
    if (needs_counter && asked == 1)
        QELFIN_CHECK(v, (state_after == nullptr) == (status == STATUS_NO_MEMORY), "call_state not set as allowed");
    else
        QELFIN_CHECK(v, state_after == state_before, "call_state changed");
    int32_t counter_after = counter_before;
    if (irr && status == 0 && changes > 1 && keeps_counter(site.kind)) ++counter_after;
    if (irr && state_after != nullptr)
        QELFIN_CHECK(v, *state_after == counter_after,
                     "counter is " + std::to_string(*state_after) + ", expected " + std::to_string(counter_after));

    // Notes.
    std::vector<int32_t> want_notes;
    if (irr && status == 0 && changes > 1) {
        if (!keeps_counter(site.kind) || counter_after < 10) want_notes = {QELFIN_NOTE_SEVERAL_SIGN_CHANGES};
        if (keeps_counter(site.kind) && counter_after == 10)
            want_notes = {QELFIN_NOTE_SEVERAL_SIGN_CHANGES, QELFIN_NOTE_NO_MORE_NOTES};
    }
    outcome.marks = new_marks;
    std::vector<int32_t> got_notes;
    for (const auto& note : notes) {
        got_notes.push_back(note.id);
        outcome.notes = (got_notes.size() == 1 ? "" : outcome.notes + "+") + std::to_string(note.id) + ":" + note.function;
        if (note.has_rate) outcome.out.push_back(note.rate);
        QELFIN_CHECK(v, note.set == QELFIN_MESSAGE_SET, "note of set " + std::to_string(note.set));
        QELFIN_CHECK(v, note.function == name, "note names " + note.function);
        if (note.id == QELFIN_NOTE_SEVERAL_SIGN_CHANGES) {
            const double shown = name == "IRR" ? note.rate * 100.0 : note.rate;
            QELFIN_CHECK(v, bits_of(shown) == bits_of(result), "note 201 carries " + show(note.rate));
        }
    }
    QELFIN_CHECK(v, got_notes == want_notes,
                 std::to_string(got_notes.size()) + " notes written, " + std::to_string(want_notes.size()) +
                     " expected (" + std::to_string(changes) + " sign changes)");
    if (irr && status == 0) QELFIN_CHECK(v, changes >= 1, "a rate for a series without a sign change");

    if (scan) {
        QELFIN_CHECK(v, status == 0, "scan failed");
        QELFIN_CHECK(v, bits_of(result) == bits_of(scan_expected),
                     "scan counted " + show(result) + ", expected " + show(scan_expected));
    }

    site.call_state = state_after;
    if (v.failed()) {
        v.describe(name + show_args(values, n) + " caller kind " + std::to_string(site.kind) + ", flags " +
                   std::to_string(r.flags) + ", counter " + std::to_string(counter_before) + " -> status " +
                   std::to_string(status) + ", result " + show(result));
        fail(v);
    }
    return outcome;
}

}  // namespace qelfin::fuzz
