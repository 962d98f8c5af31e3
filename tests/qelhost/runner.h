// Running the built qelhost binary from a test: arguments, a file as
// standard input, and the exit status, standard output and standard error
// it ends with; files the test writes live in one temporary folder per suite.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
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
        std::vector<std::string> argv = qelhost_command(args);
        std::vector<char*> pointers;
        for (std::string& a : argv) pointers.push_back(a.data());
        pointers.push_back(nullptr);
        const fs::path out = dir_ / "stdout", err = dir_ / "stderr";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        Outcome o;
        const int rc = posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) {
            ADD_FAILURE() << "cannot start " << pointers[0] << ": " << std::strerror(rc);
            return o;
        }
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        o.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
        o.out = slurp(out);
        o.err = slurp(err);
        return o;
    }

    static inline fs::path dir_;
};

}  // namespace qelhost_test
