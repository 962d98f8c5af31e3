// The progress bar of qelhost run, on standard error: the share of a file
// read, or, for input read as it arrives, the rows so far.  It is drawn
// only where it cannot mix into the rows: when standard error is a terminal
// and the output is not that same terminal.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace qelhost {

// True when standard error is a terminal other than the file behind
// output_fd (compared by device and inode).
bool progress_fits(int output_fd);

class Progress {
public:
    // total: bytes of the input, 0 when not known beforehand.
    Progress(bool on, size_t total);
    void update(size_t done, int64_t rows);
    // Clears the bar so that a message can take the line.
    void clear();

private:
    using Clock = std::chrono::steady_clock;

    bool on_;
    size_t total_;
    int percent_ = -1;
    bool shown_ = false;
    Clock::time_point next_draw_;
};

}  // namespace qelhost
