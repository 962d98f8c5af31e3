// End-to-end tests that qelhost run never harms a file: output onto its own
// input (under several spellings), a run stopped by SIGINT half-way, a full
// device, an unwritable folder, and input bytes quoted in messages.
#include "qelhost/runner.h"

#include <signal.h>

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

// SIGINT half-way through a large file: the target keeps its old bytes and
// no temporary file is left behind.
TEST_F(OutputSafety, InterruptedRunLeavesTheTarget) {
    const fs::path input = dir_ / "large.csv", target = dir_ / "out.csv";
    std::string text = "amount,rate,term\n";
    for (int i = 0; i < 1500000; ++i) text += std::to_string(1000 + i % 9000) + ",0.005,360\n";
    write_file(input, text);
    write_file(target, "the old bytes\n");
    const pid_t pid = start({"run", input.string(), "-c", kPayment, "-o", target.string()}, (dir_ / "stdout").string());
    // Half-way: once the first megabyte is written to the temporary file
    // beside the target (the output runs to about 50 MB).
    bool begun = false;
    for (int i = 0; i < 600000 && !begun; ++i) {
        for (const std::string& name : entries(dir_)) {
            std::error_code ec;
            if (name.rfind(".out.csv.", 0) == 0 && fs::file_size(dir_ / name, ec) >= (1u << 20)) begun = true;
        }
        if (!begun) usleep(100);
    }
    ASSERT_TRUE(begun) << "no output appeared";
    kill(pid, SIGINT);
    EXPECT_EQ(finish(pid), 128 + SIGINT) << err();
    EXPECT_EQ(slurp(target), "the old bytes\n");
    EXPECT_EQ(entries(dir_), (std::set<std::string>{"large.csv", "out.csv", "stdout", "stderr"}));
}

// A full device, named by -o or as standard output: exit status 2 with the
// reason.
TEST_F(OutputSafety, FullDevice) {
    const fs::path input = dir_ / "loans.csv";
    write_file(input, kLoans);
    EXPECT_EQ(run({"run", input.string(), "-c", kPayment, "-o", "/dev/full"}), 2);
    EXPECT_HAS(err(), "cannot write /dev/full: No space left on device");
    EXPECT_EQ(finish(start({"run", input.string(), "-c", kPayment}, "/dev/full")), 2);
    EXPECT_HAS(err(), "cannot write standard output: No space left on device");
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
