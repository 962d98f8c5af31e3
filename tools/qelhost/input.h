// The input of qelhost run, seen through a window.  A regular file is
// mapped as it stands and is one window holding all of it (no copy, the
// page cache is read in place).  Anything else (a pipe, standard input, a
// FIFO, a terminal) is read as it arrives into a buffer that holds the
// record not yet finished and what came after it, so that memory stays
// bounded by the longest record, whatever the length of the input.
#pragma once

#include <cstddef>
#include <cstdint>
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
    // Size of a mapped file, 0 for input read as it arrives.
    size_t total() const { return map_ != nullptr ? used_ : 0; }

    // Leaves out the first n bytes of the window (a byte-order mark).
    void skip(size_t n) { start_ += n; }
    // Drops the first `consumed` bytes of the window and waits for more.
    // False when none came because SIGINT asked the run to stop.
    bool refill(size_t consumed);
    // True when more can be read without waiting (or the input has ended).
    bool ready() const;

private:
    size_t read_some(bool wait);

    std::string shown_;  // the input as messages name it
    int fd_ = -1;
    bool own_fd_ = false;
    void* map_ = nullptr;
    std::string buffer_;  // the window of input read as it arrives
    const char* data_ = nullptr;
    size_t start_ = 0;
    size_t used_ = 0;
    bool ended_ = false;
};

}  // namespace qelhost
