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
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace qelhost {

OutputFile::OutputFile(const std::string& path) : shown_(path.empty() ? "standard output" : path) {
    if (path.empty()) {
        file_ = stdout;
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
        file_ = std::fopen(path.c_str(), "wb");
        if (file_ == nullptr) fail(errno);
        return;
    }
    // A file the user may not write is not replaced either (the folder may allow it).
    if (exists && ::access(target.c_str(), W_OK) != 0) fail(errno);
    target_ = target.string();
    std::string temp = (target.parent_path() / ("." + target.filename().string() + ".qelhost-XXXXXX")).string();
    if (temp.size() > PATH_MAX) throw UsageError("cannot write " + shown_ + ": the path is too long");
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        const int error = errno;
        throw UsageError("cannot write " + shown_ + ": cannot create a file in " + target.parent_path().string() +
                         ": " + std::strerror(error));
    }
    temp_ = temp;
    remove_if_cut_short(temp_);
    // The permissions of the file replaced, or those of a new file.
    mode_t mode = st.st_mode & 07777;
    if (!exists) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    file_ = ::fdopen(fd, "wb");
    if (file_ == nullptr) {
        const int error = errno;
        ::close(fd);
        fail(error);
    }
}

OutputFile::~OutputFile() {
    if (file_ != nullptr && file_ != stdout) std::fclose(file_);
    if (!temp_.empty() && !committed_) {
        ::unlink(temp_.c_str());
        forget_if_cut_short(temp_);
    }
}

void OutputFile::fail(int error) const { throw UsageError("cannot write " + shown_ + ": " + std::strerror(error)); }

void OutputFile::write(std::string_view bytes) {
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) fail(errno);
}

void OutputFile::flush() {
    if (temp_.empty() && std::fflush(file_) != 0) fail(errno);
}

int OutputFile::fd() const { return ::fileno(file_); }

void OutputFile::commit() {
    if (std::fflush(file_) != 0 || std::ferror(file_)) fail(errno);
    if (file_ == stdout) return;
    if (!temp_.empty() && ::fsync(::fileno(file_)) != 0) fail(errno);
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) fail(errno);
    if (temp_.empty()) return;
    if (::rename(temp_.c_str(), target_.c_str()) != 0) fail(errno);
    committed_ = true;
    forget_if_cut_short(temp_);
}

}  // namespace qelhost
