// The safe output of qelhost run: a temporary file renamed over the target,
// registered with the signal handlers that remove it when the run is cut
// short (cut_short.h).
#include "output_file.h"

#include "cut_short.h"
#include "diagnostics.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <ctime>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

namespace qelhost {

FileCalls g_file_calls = {::write, ::fsync, ::close, ::linkat, ::rename};

namespace {

constexpr char kNameCharacters[] = "0123456789abcdefghijklmnopqrstuvwxyz";

// ".NAME.qelhost-XXXXXX" beside the target, the pattern of mkstemp.
std::string temp_name(const std::filesystem::path& target) {
    return (target.parent_path() / ("." + target.filename().string() + ".qelhost-XXXXXX")).string();
}

// A file with no name in the folder (O_TMPFILE), which the system removes
// with its last descriptor, whatever ends the process; -1 where the
// filesystem or the kernel has none, or where /proc is not there to link it
// into the folder by.
int open_unnamed(const std::string& folder, mode_t mode) {
#ifdef O_TMPFILE
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd < 0) return -1;
    if (::access(("/proc/self/fd/" + std::to_string(fd)).c_str(), F_OK) == 0) return fd;
    ::close(fd);
#else
    (void)folder;
    (void)mode;
#endif
    return -1;
}

}  // namespace

OutputFile::OutputFile(const std::string& path) : shown_(path.empty() ? "standard output" : path) {
    if (path.empty()) {
        fd_ = STDOUT_FILENO;
        return;
    }
    namespace fs = std::filesystem;
    std::error_code ec;
    // A link is followed, so that the file it names is replaced and the link stays.
    fs::path target = fs::weakly_canonical(fs::absolute(path), ec);
    if (ec) target = fs::absolute(path);
    struct stat st{};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) throw UsageError("cannot write " + shown_ + ": it is a directory");
    if (exists && !S_ISREG(st.st_mode)) {  // a device or a pipe: nothing to keep, written in place
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd_ < 0) fail(errno);
        own_fd_ = true;
        return;
    }
    // A file the user may not write is not replaced either (the folder may allow it).
    if (exists && ::access(target.c_str(), W_OK) != 0) fail(errno);
    target_ = target.string();
    // The permissions of the file replaced, or those of a new file.
    mode_t mode = st.st_mode & 07777;
    if (!exists) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    const std::string folder = target.parent_path().string();
    int fd = open_unnamed(folder, mode);
    if (fd < 0) {
        std::string temp = temp_name(target);
        if (temp.size() > PATH_MAX) throw UsageError("cannot write " + shown_ + ": the path is too long");
        fd = ::mkstemp(temp.data());
        if (fd < 0) {
            const int error = errno;
            throw UsageError("cannot write " + shown_ + ": cannot create a file in " + folder + ": " +
                             std::strerror(error));
        }
        temp_ = std::move(temp);  // moved, not copied: nothing between the creation and here may throw
        remove_if_cut_short(temp_);
    }
    unnamed_ = temp_.empty();
    ::fchmod(fd, mode);
    fd_ = fd;
    own_fd_ = true;
}

OutputFile::~OutputFile() {
    if (own_fd_) g_file_calls.close(fd_);  // an unnamed file is gone with it
    if (!temp_.empty() && !committed_) {
        ::unlink(temp_.c_str());
        forget_if_cut_short(temp_);
    }
}

void OutputFile::fail(int error) const { throw UsageError("cannot write " + shown_ + ": " + std::strerror(error)); }

void OutputFile::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = g_file_calls.write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail(n == 0 ? EIO : errno);
        bytes.remove_prefix(static_cast<size_t>(n));
    }
}

void OutputFile::commit() {
    if (!own_fd_) return;  // standard output: every byte is written
    if ((unnamed_ || !temp_.empty()) && g_file_calls.fsync(fd_) != 0) fail(errno);
    if (unnamed_) link_unnamed();
    own_fd_ = false;
    if (g_file_calls.close(fd_) != 0) fail(errno);
    if (temp_.empty()) return;
    if (g_file_calls.rename(temp_.c_str(), target_.c_str()) != 0) fail(errno);
    committed_ = true;
    forget_if_cut_short(temp_);
}

// Gives the unnamed file a name: the target's, when there is no such file
// yet; otherwise a temporary name that commit() renames over the target at
// once (the rename replaces a file in one step; a link does not).
void OutputFile::link_unnamed() {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    if (g_file_calls.linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        unnamed_ = false;  // named as the target: nothing is left to rename
        return;
    }
    if (errno != EEXIST) fail(errno);
    for (int attempt = 0;; ++attempt) {
        // The pattern's XXXXXX from the process and the clock; a name taken
        // says EEXIST and the next attempt draws another.
        std::string temp = temp_name(target_);
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        uint64_t draw = (static_cast<uint64_t>(::getpid()) << 32) ^ static_cast<uint64_t>(now.tv_nsec) ^
                        (static_cast<uint64_t>(attempt) * 0x9E3779B97F4A7C15u);
        for (size_t i = temp.size() - 6; i < temp.size(); ++i, draw /= 36) temp[i] = kNameCharacters[draw % 36];
        remove_if_cut_short(temp);
        if (g_file_calls.linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temp_ = std::move(temp);  // moved, not copied: nothing between the link and here may throw
            return;
        }
        const int error = errno;
        forget_if_cut_short(temp);
        if (error != EEXIST || attempt == 100) fail(error);
    }
}

void write_standard_output(std::string_view text) {
    OutputFile out("");
    out.write(text);
    out.commit();
}

}  // namespace qelhost
