// The safe output of qelhost run: a temporary file renamed over the target,
// and the signal handlers that remove it when the run is cut short.
#include "output_file.h"

#include "diagnostics.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace qelhost {

namespace {

// The temporary file of the run under way, for the signal handlers (which
// may only use what is safe in a handler: unlink, write, raise).
char g_temp[PATH_MAX + 1];
volatile sig_atomic_t g_armed = 0;

constexpr int kCutShort[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

extern "C" void remove_temp_and_die(int sig) {
    if (g_armed) {
        g_armed = 0;
        ::unlink(g_temp);
        static const char kMessage[] = "\nqelhost: stopped; the output file was left as it was\n";
        [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void arm(const std::string& temp) {
    std::memcpy(g_temp, temp.c_str(), temp.size() + 1);
    struct sigaction action{};
    action.sa_handler = remove_temp_and_die;
    sigemptyset(&action.sa_mask);
    for (int sig : kCutShort) sigaddset(&action.sa_mask, sig);
    action.sa_flags = SA_RESETHAND;
    for (int sig : kCutShort) {
        struct sigaction old{};
        sigaction(sig, nullptr, &old);
        if (old.sa_handler != SIG_IGN) sigaction(sig, &action, nullptr);  // nohup's SIGHUP stays ignored
    }
    g_armed = 1;
}

void disarm() {
    g_armed = 0;
    for (int sig : kCutShort) std::signal(sig, SIG_DFL);
}

}  // namespace

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
    arm(temp_);
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
        disarm();
    }
}

void OutputFile::fail(int error) const { throw UsageError("cannot write " + shown_ + ": " + std::strerror(error)); }

void OutputFile::write(std::string_view bytes) {
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) fail(errno);
}

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
    disarm();
}

}  // namespace qelhost
