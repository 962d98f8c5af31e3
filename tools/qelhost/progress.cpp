// Drawing and clearing the progress bar of qelhost run.
#include "progress.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace qelhost {

namespace {

// Input of unknown length shows its count of rows after this long, then at
// this interval, so that short runs draw nothing.
constexpr std::chrono::milliseconds kFirstCount{1000}, kCountInterval{250};

}  // namespace

bool progress_fits(int output_fd) {
    if (!::isatty(STDERR_FILENO)) return false;
    struct stat out{}, err{};
    if (::fstat(output_fd, &out) != 0 || ::fstat(STDERR_FILENO, &err) != 0) return false;
    return out.st_dev != err.st_dev || out.st_ino != err.st_ino;
}

Progress::Progress(bool on, size_t total) : on_(on), total_(total), next_draw_(Clock::now() + kFirstCount) {}

void Progress::update(size_t done, int64_t rows) {
    if (!on_) return;
    if (total_ == 0) {
        const Clock::time_point now = Clock::now();
        if (now < next_draw_) return;
        next_draw_ = now + kCountInterval;
        std::fprintf(stderr, "\rqelhost: %lld rows", static_cast<long long>(rows));
        std::fflush(stderr);
        shown_ = true;
        return;
    }
    const int percent = static_cast<int>(done * 100 / total_);
    if (percent == percent_) return;
    percent_ = percent;
    const int filled = percent / 4;
    std::fprintf(stderr, "\rqelhost: [%s%s] %3d%%  %lld rows", std::string(static_cast<size_t>(filled), '#').c_str(),
                 std::string(static_cast<size_t>(25 - filled), '.').c_str(), percent, static_cast<long long>(rows));
    std::fflush(stderr);
    shown_ = true;
}

void Progress::clear() {
    if (!shown_) return;
    std::fputs("\r\033[K", stderr);
    shown_ = false;
    percent_ = -1;
}

}  // namespace qelhost
