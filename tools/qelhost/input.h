// The input of qelhost run, seen through a window.  Every input (a regular
// file, a pipe, standard input, a FIFO, a terminal) is read as it arrives
// into a buffer that holds the record not yet finished and what came after
// it, so that memory stays bounded by the longest record, whatever the
// length of the input.  A regular file is read, not mapped: a file cut
// short while mapped would stop the process with SIGBUS, while read() sees
// its end; and reading costs no more than mapping (tools/qelhost/README.md).
// A regular file whose size or modification time differs at its end from
// what it was when opened has changed while it was read: UsageError, so
// that no output is made of a mixture of two versions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace qelhost {

class Input {
public:
    // "-" is standard input.  Throws UsageError when it cannot be read.
    explicit Input(const std::string& path);
    ~Input();
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;

    // The bytes held, from the first not yet consumed.
    std::string_view window() const { return std::string_view(data_ + start_, used_ - start_); }
    // True once the window holds the end of the input.
    bool complete() const { return ended_; }
    // Size of a regular file, 0 for other input.
    size_t total() const { return total_; }
    // Bytes before the window: its first byte's offset in the input.
    size_t dropped() const { return dropped_; }

    // Leaves out the first n bytes of the window (a byte-order mark).
    void skip(size_t n) { start_ += n; }
    // Drops the first `consumed` bytes of the window and waits for more.
    // False when none came because SIGINT asked the run to stop.
    bool refill(size_t consumed);
    // True when more can be read without waiting (or the input has ended).
    bool ready() const;

private:
    size_t read_some(bool wait);
    void check_unchanged() const;

    std::string shown_;  // the input as messages name it
    int fd_ = -1;
    bool own_fd_ = false;
    bool regular_ = false;
    size_t total_ = 0;
    struct timespec modified_{};  // a regular file's modification time when opened
    size_t dropped_ = 0;
    std::string buffer_;  // the window of input read as it arrives
    const char* data_ = nullptr;
    size_t start_ = 0;
    size_t used_ = 0;
    bool ended_ = false;
};

}  // namespace qelhost
