// The host's loader and call API.
#include "host/module.h"

#include "host/detail/abi.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#ifndef QELFIN_DEFAULT_MODULE
#define QELFIN_DEFAULT_MODULE "libqelfin.so"
#endif

namespace qelfin::host {

std::string_view status_name(uint32_t status) {
    switch (status) {
        case 0: return "0";
        case STATUS_RESULT_MISSING: return "STATUS_RESULT_MISSING";
        case STATUS_INVALID_ARGS: return "STATUS_INVALID_ARGS";
        case STATUS_NO_MEMORY: return "STATUS_NO_MEMORY";
        default: return "unknown status";
    }
}

std::string status_label(uint32_t status) {
    if (status == 0) return "0";
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%X", status);
    return std::string(status_name(status)) + " (" + hex + ")";
}

// The module of the build this program belongs to; when that build tree is
// gone (the program and the module were copied elsewhere), the module lying
// beside the running executable.
std::string default_module_path() {
    const std::string built = QELFIN_DEFAULT_MODULE;
    if (access(built.c_str(), F_OK) == 0) return built;
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return built;
    std::string beside(exe, static_cast<size_t>(n));
    const size_t slash = beside.rfind('/');
    beside.resize(slash == std::string::npos ? 0 : slash + 1);
    const size_t name = built.rfind('/');
    return beside + (name == std::string::npos ? built : built.substr(name + 1));
}

Module::Module(Host& host, const std::string& path) : host_(host), path_(path) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) throw LoadError("cannot load module " + path + ": " + dlerror());
    using LoadEntry = const ImageInformation* (*)(void*, void*);
    auto mcn_main_entry = reinterpret_cast<LoadEntry>(dlsym(handle_, "mcn_main"));
    if (mcn_main_entry == nullptr) throw LoadError(path + " has no load entry mcn_main");

    detail::HostAbi::activate(host_);
    image_ = mcn_main_entry(detail::HostAbi::control_block(host_), detail::HostAbi::pidb(host_));
    if (image_ == nullptr) throw LoadError("mcn_main returned no image record");

    // The image record leads to a null-terminated list of registration
    // records; this host looks for the one named qelwufin.
    auto records = static_cast<const RegistrationRecord* const*>(image_->pcns);
    for (int i = 0; records != nullptr && records[i] != nullptr; ++i) {
        if (std::strncmp(records[i]->name, "qelwufin", sizeof records[i]->name) == 0) {
            registration_ = records[i];
            break;
        }
    }
    if (registration_ == nullptr || registration_->entry == nullptr)
        throw LoadError("the image record lists no registration record qelwufin");
    vector_ = static_cast<FunctionVector*>(registration_->entry());
    if (vector_ == nullptr) throw LoadError("qelwufin returned no function vector (host pool refused)");
}

Module::~Module() {
    // The module holds no resource between calls and has no shutdown step.
    // The vector is the host's to release; the library stays mapped so that
    // entry pointers handed out stay valid.
    host_.vector_service().release(vector_);
}

FunctionEntry Module::entry(std::string_view name) const {
    const auto i = function_index(name);
    if (!i) throw std::invalid_argument("unknown function " + std::string(name));
    return entry(*i);
}

void* Module::raw_symbol(const char* name) const {
    void* p = dlsym(handle_, name);
    if (p == nullptr) throw LoadError(std::string("the module exports no ") + name);
    return p;
}

CallResult Module::call(std::string_view name, std::initializer_list<Arg> args, SiteState* site) const {
    return call(name, std::span<const Arg>(args.begin(), args.size()), site);
}

CallResult Module::call(std::string_view name, std::span<const Arg> args, SiteState* site) const {
    ArgBlock block(args, site ? site->caller_kind : 0, site ? site->call_state : nullptr);
    CallResult r = call(entry(name), block);
    if (site != nullptr) site->call_state = block.get()->call_state;
    return r;
}

CallResult Module::call(FunctionEntry fn, ArgBlock& block) const {
    CallResult r;
    NoteList collect;
    {
        const RouteNotes route(&collect);
        r.status = fn(block.get(), &r.value);
    }
    Host::throw_if_note_lost();
    r.notes = std::move(collect.notes);
    r.marked = block.first_marked();
    r.mark_count = block.mark_count();
    return r;
}

}  // namespace qelfin::host
