// Where qelhost run writes its CSV, so that no run ever harms a file: a
// regular file (new or existing, also the input itself) is written to a
// file with no name in the target's folder (O_TMPFILE) and linked into the
// folder only once the last row is written, flushed and synced without
// error: under the target's name when there is no such file, else under a
// temporary name renamed over the target at once.  An error, a signal, a
// crash, even SIGKILL leaves the target as it was and nothing beside it.
// Where the folder's filesystem has no unnamed files, a temporary file
// named beside the target takes their place, removed on an error, a crash
// or a signal the process can catch (cut_short.h).  Standard output and targets that are not
// regular files (a device such as /dev/null, a pipe) are written in place.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace qelhost {

// The system calls through which OutputFile writes and names its file.  A
// test replaces them to make the N-th one fail (tests/robustness).
struct FileCalls {
    ssize_t (*write)(int fd, const void* bytes, size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*linkat)(int from_folder, const char* from, int to_folder, const char* to, int flags);
    int (*rename)(const char* from, const char* to);
};
extern FileCalls g_file_calls;

class OutputFile {
public:
    // An empty path is standard output.  Throws UsageError when the target
    // cannot be written (its folder missing or unwritable, a directory).
    explicit OutputFile(const std::string& path);
    ~OutputFile();  // removes the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Hands the bytes to the system at once (a reader of standard output
    // or a pipe sees the rows as they are computed).  Throws UsageError on
    // a failed write.
    void write(std::string_view bytes);
    // The descriptor written to.
    int fd() const { return fd_; }
    // Syncs and names a file written aside: the target is replaced.
    void commit();

private:
    [[noreturn]] void fail(int error) const;
    void link_unnamed();

    std::string shown_;   // the target as the user named it
    std::string target_;  // the file renamed over (links followed)
    std::string temp_;    // the named temporary file, empty when writing in place or unnamed
    bool unnamed_ = false;  // writing a file that has no name yet
    int fd_ = -1;
    bool own_fd_ = false;
    bool committed_ = false;
};

// What every command prints goes out through here, checked: a write that
// fails (a full device, a closed descriptor) throws UsageError naming
// standard output, so the command ends with exit status 2 and the reason.
void write_standard_output(std::string_view text);

}  // namespace qelhost
