// Where qelhost run writes its CSV, so that no run ever harms a file: a
// regular file (new or existing, also the input itself) is written to a
// temporary file in the target's folder and renamed over the target only
// once the last row is written, flushed and synced without error.  An
// error, a signal (cut_short.h) or a crash leaves the target as it was and
// removes the temporary file.  Standard output and targets that are not
// regular files (a device such as /dev/null, a pipe) are written in place.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace qelhost {

class OutputFile {
public:
    // An empty path is standard output.  Throws UsageError when the target
    // cannot be written (its folder missing or unwritable, a directory).
    explicit OutputFile(const std::string& path);
    ~OutputFile();  // removes the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Throws UsageError on a failed write.
    void write(std::string_view bytes);
    // Hands what was written to a target written in place (standard
    // output, a pipe), so that its reader sees the rows as they are
    // computed; a temporary file keeps its buffer.
    void flush();
    // The descriptor written to.
    int fd() const;
    // Flushes and, for a temporary file, renames it over the target.
    void commit();

private:
    [[noreturn]] void fail(int error) const;

    std::string shown_;   // the target as the user named it
    std::string target_;  // the file renamed over (links followed)
    std::string temp_;    // the temporary file, empty when writing in place
    std::FILE* file_ = nullptr;
    bool committed_ = false;
};

}  // namespace qelhost
