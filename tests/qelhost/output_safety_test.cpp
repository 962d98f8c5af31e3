// End-to-end tests that qelhost never harms a file and never crashes: output
// onto its own input (under several spellings), a run stopped by SIGINT or
// SIGKILL half-way, every command onto a full device, an unwritable folder,
// an input cut short while it is read, expressions nested too deep, and
// input bytes quoted in messages.
#include "qelhost/runner.h"

#include <signal.h>

#include <cstring>
#include <set>

namespace {

using namespace qelhost_test;

void write_file(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

std::set<std::string> entries(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

const std::string kLoans = "amount,rate,term\n50000,0.005,360\n1000,0.01,12\n";

// A field of /proc/PID/io or /proc/PID/fdinfo/N ("wchar", "pos"); -1 when it cannot be read.
long long proc_field(const std::string& file, const std::string& field) {
    std::ifstream in(file);
    for (std::string key; in >> key;) {
        long long value = -1;
        in >> value;
        if (key == field + ":") return value;
    }
    return -1;
}

// Waits until the process has written at least `bytes` (output of any kind).
bool wait_for_output(pid_t pid, long long bytes) {
    for (int i = 0; i < 200000; ++i, usleep(50))
        if (proc_field("/proc/" + std::to_string(pid) + "/io", "wchar") >= bytes) return true;
    return false;
}

// A loan book of `rows` rows (about 18 bytes each).
std::string loans(int rows) {
    std::string text = "amount,rate,term\n";
    for (int i = 0; i < rows; ++i) text += std::to_string(1000 + i % 9000) + ",0.005,360\n";
    return text;
}
const std::string kPayment = "p = MORT(amount, ., rate, term)";

class OutputSafety : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "qelhost_safety.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
    }
    void TearDown() override {
        std::error_code ec;
        for (const auto& e : fs::recursive_directory_iterator(dir_, ec))
            if (e.is_directory()) fs::permissions(e.path(), fs::perms::owner_all, ec);
        fs::remove_all(dir_, ec);
    }

    // Starts qelhost; standard output to `out` (a path), standard error to
    // a file of the test folder.
    pid_t start(const std::vector<std::string>& args, const std::string& out, bool unprivileged = false) {
        const int fds[] = {open("/dev/null", O_RDONLY | O_CLOEXEC), open_output(out), open_output(dir_ / "stderr")};
        const pid_t pid = start_qelhost(args, fds[0], fds[1], fds[2], unprivileged);
        for (const int fd : fds) close(fd);
        return pid;
    }
    int run(const std::vector<std::string>& args, bool unprivileged = false) {
        return finish(start(args, (dir_ / "stdout").string(), unprivileged));
    }
    std::string err() const { return slurp(dir_ / "stderr"); }

    fs::path dir_;
};

// The output may name the input itself, by its path, through "./", a
// symbolic link or a hard link: the input is read whole before the output
// replaces it, so the result is that of a run onto another file.
TEST_F(OutputSafety, OutputOntoItsInput) {
    const fs::path input = dir_ / "loans.csv", reference = dir_ / "reference.csv";
    write_file(input, kLoans);
    ASSERT_EQ(run({"run", input.string(), "-c", kPayment, "-o", reference.string()}), 0) << err();
    const std::string expected = slurp(reference);
    ASSERT_EQ(expected.rfind("amount,rate,term,p\n50000,0.005,360,299.7", 0), 0u) << expected;

    fs::create_symlink(input, dir_ / "link.csv");
    fs::create_hard_link(input, dir_ / "hard.csv");
    for (const std::string& target : {input.string(), (dir_ / "." / "loans.csv").string(), (dir_ / "link.csv").string(),
                                      (dir_ / "hard.csv").string()}) {
        SCOPED_TRACE(target);
        write_file(input, kLoans);
        ASSERT_EQ(run({"run", input.string(), "-c", kPayment, "-o", target}), 0) << err();
        EXPECT_EQ(slurp(target), expected);
        EXPECT_TRUE(fs::is_symlink(dir_ / "link.csv"));
    }
    EXPECT_EQ(slurp(input), kLoans);  // the hard link's name got the new file, the input's bytes stay
    EXPECT_EQ(entries(dir_), (std::set<std::string>{"loans.csv", "reference.csv", "link.csv", "hard.csv", "stdout",
                                                     "stderr"}));
}

// SIGINT, or SIGKILL which no handler sees, half-way through a run onto a
// file of an ext4 folder and of a tmpfs one: the target keeps its old bytes
// and nothing is left beside it (the output had no name yet).
TEST_F(OutputSafety, StoppedRunLeavesTheTarget) {
    const fs::path input = dir_ / "large.csv";
    write_file(input, loans(1500000));
    std::string shm = "/dev/shm/qelhost_safety.XXXXXX";
    ASSERT_NE(mkdtemp(shm.data()), nullptr);
    for (const auto& [folder, sig] : {std::pair{dir_ / "ext", SIGINT}, {dir_ / "ext", SIGKILL}, {fs::path(shm), SIGKILL}}) {
        SCOPED_TRACE(folder.string() + " " + strsignal(sig));
        fs::create_directories(folder);
        const fs::path target = folder / "out.csv";
        write_file(target, "the old bytes\n");
        const pid_t pid = start({"run", input.string(), "-c", kPayment, "-o", target.string()}, "/dev/null");
        // Half-way: once the first megabyte is written (the output runs to about 50 MB).
        ASSERT_TRUE(wait_for_output(pid, 1 << 20)) << "no output appeared";
        kill(pid, sig);
        EXPECT_EQ(finish(pid), 128 + sig) << err();
        EXPECT_EQ(slurp(target), "the old bytes\n");
        EXPECT_EQ(entries(folder), std::set<std::string>{"out.csv"});
    }
    fs::remove_all(shm);
}

// Every command, onto a full device named by -o or as standard output:
// exit status 2 with the reason, never a silent loss.
TEST_F(OutputSafety, FullDevice) {
    const fs::path input = dir_ / "loans.csv";
    write_file(input, kLoans);
    for (const std::vector<std::string>& named : {std::vector<std::string>{"run", input.string(), "-c", kPayment},
                                                  {"plot", "profile", "IRR(1, -100, 230, -132)"}}) {
        std::vector<std::string> command = named;
        command.insert(command.end(), {"-o", "/dev/full"});
        EXPECT_EQ(run(command), 2) << named[0];
        EXPECT_HAS(err(), "cannot write /dev/full: No space left on device");
    }
    const std::vector<std::vector<std::string>> commands = {
        {"run", input.string(), "-c", kPayment}, {"eval", "1+1"}, {"eval", "--json", "MORT(1, ., 0, 4)"},
        {"describe"}, {"describe", "IRR"}, {"describe", "--markdown"}, {"schedule", "MORT(1000, ., 0.01, 12)"},
        {"schedule", "--json", "DEPSL(., 1000, 5)"}, {"rates", "IRR(1, -100, 230, -132)"}};
    for (const auto& command : commands) {
        SCOPED_TRACE(command.front() + " " + command.back());
        EXPECT_EQ(finish(start(command, "/dev/full")), 2);
        EXPECT_HAS(err(), "qelhost: cannot write standard output: No space left on device");
    }
}

// A file cut short while run reads it: exit status 2 with the reason, the
// target as it was, nothing beside it.  The run is stopped once it has
// read from the file, and the file truncated under it.
TEST_F(OutputSafety, InputCutShortWhileRead) {
    const fs::path input = dir_ / "large.csv", folder = dir_ / "out", target = folder / "out.csv";
    write_file(input, loans(1500000));
    fs::create_directory(folder);
    write_file(target, "the old bytes\n");
    const pid_t pid = start({"run", input.string(), "-c", kPayment, "-o", target.string()}, "/dev/null");
    bool reading = false;
    for (int i = 0; i < 200000 && !reading; ++i, usleep(20)) {
        std::error_code ec;
        for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec))
            if (fs::read_symlink(fd.path(), ec) == input &&
                proc_field("/proc/" + std::to_string(pid) + "/fdinfo/" + fd.path().filename().string(), "pos") > 0)
                reading = kill(pid, SIGSTOP) == 0;
    }
    ASSERT_TRUE(reading) << "the run never read its input";
    fs::resize_file(input, 1000);
    kill(pid, SIGCONT);
    EXPECT_EQ(finish(pid), 2);
    EXPECT_HAS(err(), "cannot read " + input.string() + ": the input changed while it was read");
    EXPECT_EQ(slurp(target), "the old bytes\n");
    EXPECT_EQ(entries(folder), std::set<std::string>{"out.csv"});
}

// Expressions nested deeper than 1000 levels end with a message, never a
// stack overflow, in eval and in run; 1000 levels work.
TEST_F(OutputSafety, DeepExpressions) {
    std::string sum1000 = "1", calls = "1";
    for (int i = 1; i < 1000; ++i) sum1000 += "+1";
    for (int i = 0; i < 1001; ++i) calls = "MORT(" + calls + ",1,1,1)";
    const struct { std::string expression; int status; } cases[] = {
        {std::string(5000, '(') + "1" + std::string(5000, ')'), 2}, {std::string(5000, '-') + "1", 2},
        {sum1000 + "+1", 2}, {calls, 2}, {std::string(999, '(') + "1" + std::string(999, ')'), 0}, {sum1000, 0}};
    const fs::path input = dir_ / "loans.csv";
    write_file(input, kLoans);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expression.substr(0, 20));
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"eval", c.expression}, {"run", input.string(), "-c", "x = " + c.expression}}) {
            EXPECT_EQ(run(command), c.status) << err();
            if (c.status == 2) {
                EXPECT_HAS(err(), "qelhost: the expression nests more than 1000 levels deep");
                EXPECT_LT(err().size(), 500u) << "the expression is shown around the place, not whole";
            }
        }
    }
}

// A folder the run may not write to: exit status 2, the target untouched.
TEST_F(OutputSafety, UnwritableFolder) {
    const fs::path input = dir_ / "loans.csv", folder = dir_ / "locked", target = folder / "out.csv";
    write_file(input, kLoans);
    fs::create_directory(folder);
    write_file(target, "the old bytes\n");
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                fs::perms::others_exec);
    EXPECT_EQ(run({"run", input.string(), "-c", kPayment, "-o", target.string()}, true), 2);
    EXPECT_HAS(err(), "cannot write " + target.string() + ": ");
    EXPECT_HAS(err(), "Permission denied");
    EXPECT_EQ(slurp(target), "the old bytes\n");
    EXPECT_EQ(entries(folder), std::set<std::string>{"out.csv"});
}

// Input bytes quoted in messages are escaped and cut: a header name offered
// as "did you mean", a cell that is not a number.
TEST_F(OutputSafety, QuotedInputIsPrintable) {
    const fs::path header = dir_ / "header.csv", cell = dir_ / "cell.csv";
    write_file(header, "amount\x1B[2J,rate,term\n1,0.005,360\n");
    EXPECT_EQ(run({"run", header.string(), "-c", kPayment}), 2);
    EXPECT_HAS(err(), "did you mean amount\\x1B[2J?");
    write_file(cell, "amount,rate,term\n\x01\x02\xFF" + std::string(100, 'z') + ",0.005,360\n");
    EXPECT_EQ(run({"run", cell.string(), "-c", kPayment}), 0);
    const std::string expected = "column amount: 1 cell is not a number, read as missing (first: row 1, "
                                 "\"\\x01\\x02\\xFF" + std::string(37, 'z') + "...\")";
    EXPECT_HAS(err(), expected);
}

}  // namespace
