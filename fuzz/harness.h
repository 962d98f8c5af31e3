// The robustness harness: the one place where the robustness checks call the
// module and check the contract after every call (fuzz/README.md).  A contract
// failure goes to the failure handler with a description of the call; the
// default one prints it and aborts (what libFuzzer needs to keep the input).
#pragma once

#include "fuzz/byte_input.h"
#include "fuzz/value_arena.h"
#include "host/standin/standin.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qelfin::fuzz {

// One call site of the host: its caller kind and the call_state it keeps.
struct Site {
    bool created = false;
    uint8_t kind = 0;
    int32_t* call_state = nullptr;
};

// A host with the module loaded, and the call sites and value arena of one
// caller.  A session made from another shares its host and module: it injects
// no faults and leaves out the checks on the host's pool logs.
class Session {
    std::unique_ptr<standin::Host> own_host_;
    std::unique_ptr<host::Module> own_module_;
    std::unique_ptr<ValueArena> own_arena_;

public:
    // A host of its own; the value arena of its own too, unless one is lent.
    explicit Session(const std::string& module_path, ValueArena* lent_arena = nullptr);
    explicit Session(Session& owner);

    standin::Host& host;
    host::Module& module;
    const bool shared;
    std::array<Site, 4> sites{};
    uint64_t op_index = 0;  // of the record under way, within the input
    ValueArena& arena;

    // The seed of the host's words and bits in this record's block, from the input alone.
    uint64_t host_seed(const OpRecord& r) const;
};

// What one call gave, for comparing builds, threads or repeated calls.
struct Outcome {
    int64_t status = 0;        // the entry's status, or the routine's error word or code
    int32_t marked = 0;        // the argument newly marked, 0 for none
    int32_t marks = 0;         // how many were
    std::string notes = "-";   // id:function of each note, joined by '+'
    std::vector<double> out;   // the result (two for intdvq, netpvd), then the rate of each note 201
    // "STATUS MARKED/MARKS NOTES O=OUT[,OUT]": status in hex, outputs as bit patterns.
    std::string text() const;
};

class Harness {
public:
    using FailureHandler = std::function<void(const std::string& report)>;

    explicit Harness(std::string module_path);
    ~Harness();

    // Called from the calling thread of the failing call.
    void on_failure(FailureHandler handler);

    // Each returns the number of calls it made.
    size_t run(const uint8_t* data, size_t size, bool entries);
    Outcome run_record(Session& session, const OpRecord& record, bool entry);

    // Names of the operations, by op byte modulo their number.
    static std::vector<std::string> entry_ops();
    static std::vector<std::string> routine_ops();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// The module the harness loads by default: QELFIN_MODULE from the
// environment, else the module of the build the harness belongs to.
std::string module_path_from_environment();

}  // namespace qelfin::fuzz
