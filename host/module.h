// Loading the module as the host does, and calling its functions.
//
//   Module m(host, path);           dlopen, mcn_main -> vi_mcn -> mcn_pcns
//                                   -> pcn_QELWUFIN -> qelwufin -> vector
//   m.call("IRR", {1, -100, 110})   one entry call: status, value, mark, notes
//
// Errors of loading (no such file, a missing symbol, a broken record chain,
// qelwufin returning null) throw LoadError.
#pragma once

#include "host/arg_block.h"
#include "host/catalogue.h"
#include "host/host.h"

#include <qelfin/qelfin_host.h>

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qelfin::host {

struct LoadError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The outcome of one entry call (status, value: what the entry wrote,
// marked: the first argument marked invalid), with what a test or a
// report needs besides.
struct CallResult : qelfin_outcome {
    CallResult() : qelfin_outcome{0, 0.0, 0} {}
    int32_t mark_count = 0;   // arguments marked (the contract allows at most one)
    std::vector<Note> notes;  // notes written during the call
    bool ok() const { return status == 0; }
};

// Name of a status code ("STATUS_INVALID_ARGS"); "0" for success.
std::string_view status_name(uint32_t status);
// "STATUS_INVALID_ARGS (0x1D804)"; "0" for success.
std::string status_label(uint32_t status);

// The module built beside the host library (the default for tools and tests).
std::string default_module_path();

class Module {
public:
    Module(Host& host, const std::string& path = default_module_path());
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    const ImageInformation& image() const { return *image_; }
    const RegistrationRecord& registration() const { return *registration_; }
    FunctionVector* vector() const { return vector_; }
    Host& host() const { return host_; }
    const std::string& path() const { return path_; }

    // Entry of function index i (vector word i + 1), or by name (any case).
    FunctionEntry entry(int i) const { return vector_->entries[i]; }
    FunctionEntry entry(std::string_view name) const;

    // Any exported symbol of the module, e.g. symbol<decltype(&zpower)>("zpower").
    void* raw_symbol(const char* name) const;
    template <class F>
    F symbol(const char* name) const {
        return reinterpret_cast<F>(raw_symbol(name));
    }

    // Calls a function by name with a new argument block.  With a site
    // state, its caller kind is used and its call_state kept across calls.
    CallResult call(std::string_view name, std::initializer_list<Arg> args, SiteState* site = nullptr) const;
    CallResult call(std::string_view name, std::span<const Arg> args, SiteState* site = nullptr) const;
    // Calls an entry on a block the caller built.
    CallResult call(FunctionEntry entry, ArgBlock& block) const;

private:
    Host& host_;
    std::string path_;
    void* handle_ = nullptr;
    const ImageInformation* image_ = nullptr;
    const RegistrationRecord* registration_ = nullptr;
    FunctionVector* vector_ = nullptr;
};

}  // namespace qelfin::host
