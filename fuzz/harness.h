// The robustness harness: turns byte strings into calls of the module and
// checks the contract after every call.
//
//   run_entries   the seventeen entries of the function vector and the three
//                 missing-value scans, on argument blocks built from the input,
//                 with call sites, host bits, premarked arguments and failures
//                 of the counter pool and of the toolkit
//   run_routines  the exported routines called directly: primitives, the
//                 time-value-of-money and depreciation solvers, znpv, zirr_s,
//                 zirr (with the harness's own callbacks), the argument-block
//                 routines, qelwufin (vector pool failures) and rzvercn1
//
// Routines the module does not export (yet) are skipped.  Each input gets a
// fresh stand-in host, loaded as a host loads the module, so that inputs are
// independent and the host's pools do not grow without bound.
//
// A contract failure is handed to the failure handler with a description
// of the call; the default handler prints it and aborts (which is what
// libFuzzer needs to keep the input).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qelfin::fuzz {

class Harness {
public:
    using FailureHandler = std::function<void(const std::string& report)>;

    explicit Harness(std::string module_path);
    ~Harness();
    Harness(const Harness&) = delete;
    Harness& operator=(const Harness&) = delete;

    void on_failure(FailureHandler handler);

    // Each returns the number of calls it made.
    size_t run_entries(const uint8_t* data, size_t size);
    size_t run_routines(const uint8_t* data, size_t size);

    // Exported routines the harness looked for and did not find.
    std::vector<std::string> absent_routines() const;

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
