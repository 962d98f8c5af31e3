// Running the built qelhost binary from a test: arguments, a file as
// standard input, and the exit status, standard output and standard error
// it ends with; files the test writes live in one temporary folder per suite.
// The tests that drive a run themselves (pipes, signals) start it here too.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

// Expects `part` somewhere in `text`, and shows the text when it is not.
#define EXPECT_HAS(text, part) EXPECT_NE(std::string(text).find(part), std::string::npos) << (text)

namespace qelhost_test {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline int count_of(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

inline std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The command line that starts qelhost (through the emulator of a cross build).
inline std::vector<std::string> qelhost_command(const std::vector<std::string>& args) {
    std::vector<std::string> argv;
    const std::string emulator = QELHOST_EMULATOR;
    for (size_t start = 0; !emulator.empty();) {
        const size_t bar = emulator.find('|', start);
        argv.push_back(emulator.substr(start, bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    argv.push_back(QELHOST_BINARY);
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

// Starts qelhost with standard input, output and error on the given
// descriptors (the caller closes its own copies), SIGINT at its default
// whatever started the test; as `nobody` when asked and run as root.
inline pid_t start_qelhost(const std::vector<std::string>& args, int in, int out, int err, bool unprivileged = false) {
    std::vector<std::string> argv = qelhost_command(args);
    std::vector<char*> pointers;
    for (std::string& a : argv) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGINT, SIG_DFL);
        if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(126);
        if (unprivileged && geteuid() == 0 && (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
                                                setresuid(65534, 65534, 65534) != 0))
            _exit(126);
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    return pid;
}

// A file opened for the standard output or error of a run (closed on exec).
inline int open_output(const fs::path& p) { return open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644); }

// Exit status, or 128 + the signal that ended it; the peak memory when asked.
inline int finish(pid_t pid, long* peak_kib = nullptr) {
    int wstatus = 0;
    rusage usage{};
    wait4(pid, &wstatus, 0, &usage);
    if (peak_kib) *peak_kib = usage.ru_maxrss;
    return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
}

class QelhostRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string pattern = (fs::temp_directory_path() / "qelhost_people.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    static void TearDownTestSuite() { fs::remove_all(dir_); }

    static fs::path file(const std::string& name, const std::string& text) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << text;
        return p;
    }

    static Outcome qelhost(const std::vector<std::string>& args, const std::string& input = "/dev/null") {
        const fs::path out = dir_ / "stdout", err = dir_ / "stderr";
        const int fds[] = {open(input.c_str(), O_RDONLY | O_CLOEXEC), open_output(out), open_output(err)};
        const pid_t pid = start_qelhost(args, fds[0], fds[1], fds[2]);
        for (const int fd : fds) close(fd);
        Outcome o;
        o.status = finish(pid);
        o.out = slurp(out);
        o.err = slurp(err);
        return o;
    }

    static inline fs::path dir_;
};

}  // namespace qelhost_test
