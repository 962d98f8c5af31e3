// Reading the input block by block into a window that keeps the unfinished
// record.
#include "input.h"

#include "cut_short.h"
#include "diagnostics.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qelhost {

namespace {

constexpr size_t kWindowBytes = size_t{1} << 18;  // the buffer of input read as it arrives, to begin with

}  // namespace

Input::Input(const std::string& path) : shown_(path == "-" ? std::string("standard input") : path) {
    own_fd_ = path != "-";
    fd_ = own_fd_ ? ::open(path.c_str(), O_RDONLY | O_CLOEXEC) : STDIN_FILENO;
    if (fd_ < 0) throw UsageError("cannot read " + shown_ + ": " + std::strerror(errno));
    struct stat st{};
    const bool have_stat = ::fstat(fd_, &st) == 0;
    if (have_stat && S_ISDIR(st.st_mode)) {
        if (own_fd_) ::close(fd_);
        throw UsageError("cannot read " + shown_ + ": it is a directory");
    }
    if (have_stat && S_ISREG(st.st_mode)) {
        regular_ = true;
        total_ = static_cast<size_t>(st.st_size);
        modified_ = st.st_mtim;
        ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    buffer_.resize(kWindowBytes);
    data_ = buffer_.data();
    // Enough to tell whether the input starts with a byte-order mark.
    while (used_ < 3 && !ended_ && refill(0)) {
    }
}

Input::~Input() {
    if (own_fd_) ::close(fd_);
}

void Input::check_unchanged() const {
    struct stat st{};
    const bool same = ::fstat(fd_, &st) == 0 && static_cast<size_t>(st.st_size) == total_ &&
                      dropped_ + used_ == total_ && st.st_mtim.tv_sec == modified_.tv_sec &&
                      st.st_mtim.tv_nsec == modified_.tv_nsec;
    if (!same)
        throw UsageError("cannot read " + shown_ + ": the input changed while it was read (" +
                         std::to_string(total_) + " bytes when opened, " + std::to_string(dropped_ + used_) +
                         " read, " + std::to_string(st.st_size) + " now)");
}

bool Input::ready() const {
    if (ended_) return true;
    struct pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

size_t Input::read_some(bool wait) {
    for (;;) {
        if (wait && stop_requested()) return 0;
        struct pollfd p{fd_, POLLIN, 0};
        const int polled = ::poll(&p, 1, wait ? -1 : 0);
        if (polled < 0 && errno == EINTR) continue;
        if (polled == 0) return 0;
        const ssize_t n = ::read(fd_, buffer_.data() + used_, buffer_.size() - used_);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n < 0) throw UsageError("cannot read " + shown_ + ": " + std::strerror(errno));
        if (n == 0) {
            if (regular_) check_unchanged();
            ended_ = true;
        }
        used_ += static_cast<size_t>(n);
        return static_cast<size_t>(n);
    }
}

bool Input::refill(size_t consumed) {
    if (ended_) return true;
    // The unfinished record moves to the front; the buffer grows to twice
    // its length, so that a record longer than any one read is scanned
    // again only after as many new bytes (a linear cost in all).
    start_ += consumed;
    dropped_ += start_;
    const size_t kept = used_ - start_;
    std::memmove(buffer_.data(), buffer_.data() + start_, kept);
    start_ = 0;
    used_ = kept;
    if (buffer_.size() < 2 * kept + 1) buffer_.resize(2 * kept + 1);
    data_ = buffer_.data();
    size_t added = read_some(true);
    if (added == 0) return ended_;
    // Below as many new bytes as kept, it is worth scanning again only for
    // a line end that nothing else follows at once.
    while (!ended_ && added < kept) {
        const bool line_end = std::memchr(buffer_.data() + used_ - added, '\n', added) != nullptr;
        const size_t more = read_some(!line_end);
        if (more == 0) break;
        added += more;
    }
    return true;
}

}  // namespace qelhost
