// The signal handlers of qelhost run: they remove the registered temporary
// files (using only what is safe in a handler: unlink, write, raise) or,
// for a first SIGINT the run asked to see, set the stop flag.
#include "cut_short.h"

#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstring>
#include <iterator>

namespace qelhost {

namespace {

constexpr int kSlots = 4;
char g_paths[kSlots][PATH_MAX + 1];
volatile sig_atomic_t g_used[kSlots];
volatile sig_atomic_t g_stop_on_interrupt = 0;
volatile sig_atomic_t g_stop = 0;

constexpr int kCutShort[] = {SIGINT,  // first: the one a run may ask to see
                              SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

extern "C" void on_signal(int sig) {
    if (sig == SIGINT && g_stop_on_interrupt && !g_stop) {
        g_stop = 1;
        return;
    }
    bool removed = false;
    for (int i = 0; i < kSlots; ++i)
        if (g_used[i]) {
            g_used[i] = 0;
            ::unlink(g_paths[i]);
            removed = true;
        }
    if (removed) {
        static const char kMessage[] = "\nqelhost: stopped; the output file was left as it was\n";
        [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    }
    std::signal(sig, SIG_DFL);
    std::raise(sig);  // delivered with the default action once the handler returns
}

// Handlers go only where needed: a run without temporary files leaves the
// crash signals to their default (and to the sanitizers' reports).
void install(const int* first, const int* last) {
    struct sigaction action{};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    for (int sig : kCutShort) sigaddset(&action.sa_mask, sig);
    // Interrupted system calls resume: a write to a slow pipe is not cut
    // in the middle; reads that must notice a stop wait in poll(), which
    // SIGINT always interrupts.
    action.sa_flags = SA_RESTART;
    for (const int* sig = first; sig != last; ++sig) {
        struct sigaction old{};
        sigaction(*sig, nullptr, &old);
        if (old.sa_handler != SIG_IGN && old.sa_handler != on_signal)  // nohup's SIGHUP stays ignored
            sigaction(*sig, &action, nullptr);
    }
}

}  // namespace

void remove_if_cut_short(const std::string& path) {
    install(std::begin(kCutShort), std::end(kCutShort));
    for (int i = 0; i < kSlots; ++i)
        if (!g_used[i] && path.size() <= PATH_MAX) {
            std::memcpy(g_paths[i], path.c_str(), path.size() + 1);
            g_used[i] = 1;
            return;
        }
}

void forget_if_cut_short(const std::string& path) {
    for (int i = 0; i < kSlots; ++i)
        if (g_used[i] && path == g_paths[i]) g_used[i] = 0;
}

void stop_on_interrupt() {
    install(kCutShort, kCutShort + 1);
    g_stop_on_interrupt = 1;
}

bool stop_requested() { return g_stop != 0; }

}  // namespace qelhost
