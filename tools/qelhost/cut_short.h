// How qelhost run ends when something cuts it short.  The temporary files
// registered here are removed before SIGTERM, SIGHUP, SIGQUIT or a crash
// signal ends the process, so that no half-written file is left behind.
// SIGINT does the same, except while a run has asked to be told instead:
// then it only requests a stop, which the run honours at the end of the
// batch in hand; a second SIGINT ends the process at once.
#pragma once

#include <string>

namespace qelhost {

// The exit status of a run stopped by SIGINT, as a shell reports a
// process that SIGINT ended.
inline constexpr int kExitInterrupted = 130;

// Registers a temporary file to remove when the process is cut short (at
// most four at a time), and forgets it once renamed into place or removed.
void remove_if_cut_short(const std::string& path);
void forget_if_cut_short(const std::string& path);

// From now on the first SIGINT only sets stop_requested().
void stop_on_interrupt();
bool stop_requested();

}  // namespace qelhost
