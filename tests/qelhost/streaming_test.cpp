// End-to-end tests of qelhost run on input from a pipe: rows come out
// before the input ends, also with a quoted cell split between reads;
// memory stays bounded on a long input; SIGINT stops the run with exit
// status 130 and keeps the rows written.
#include "runner.h"

#include <poll.h>
#include <signal.h>

#include <algorithm>
#include <chrono>

namespace {

using namespace qelhost_test;

// qelhost reading a pipe the test writes; its standard output a pipe the
// test reads.
class Piped : public QelhostRun {
protected:
    void start(const std::vector<std::string>& args) {
        std::signal(SIGPIPE, SIG_IGN);
        int in[2], out[2];
        ASSERT_EQ(pipe2(in, O_CLOEXEC), 0);
        ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
        const int e = open_output(dir_ / "stderr");
        pid_ = start_qelhost(args, in[0], out[1], e);
        for (const int fd : {e, in[0], out[1]}) close(fd);
        in_ = in[1];
        out_ = out[0];
    }
    void send(const std::string& text) { ASSERT_EQ(write(in_, text.data(), text.size()), ssize_t(text.size())); }
    // Reads the output until it holds `lines` lines, for at most a minute
    // (the output must come: the input to compute it was sent).
    std::string read_lines(size_t lines) {
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (static_cast<size_t>(std::count(output_.begin(), output_.end(), '\n')) < lines) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(give_up - std::chrono::steady_clock::now());
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(std::max<int64_t>(left.count(), 0))) <= 0) break;
            char block[4096];
            const ssize_t n = read(out_, block, sizeof block);
            if (n <= 0) break;
            output_.append(block, static_cast<size_t>(n));
        }
        return output_;
    }
    // Exit status (128 + the signal that ended it), all output, peak memory.
    int finish(long* peak_kib = nullptr) {
        close(in_);
        read_lines(SIZE_MAX);
        close(out_);
        return qelhost_test::finish(pid_, peak_kib);
    }
    std::string err() const { return slurp(dir_ / "stderr"); }

    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
    std::string output_;
};

// Row 1 and the start of row 2 in one write: row 1 must come out while row
// 2 waits for the rest of its quoted cell, wherever that is cut.
TEST_F(Piped, RowsComeOutAsTheInputArrives) {
    const std::string input = "a,b\n1,x\n2,\"he said \"\"hi\"\"\nthere\"\r\n3,z\n";
    const std::string row1 = "{\"a\":\"1\",\"b\":\"x\",\"c\":2}\n";
    const std::string rest = "{\"a\":\"2\",\"b\":\"he said \\\"hi\\\"\\nthere\",\"c\":4}\n{\"a\":\"3\",\"b\":\"z\",\"c\":6}\n";
    for (const std::string cut : {"1,x\n", "2,\"", "he said \"", "hi\"\"\n", "there\"", "there\"\r"}) {
        SCOPED_TRACE(cut);
        output_.clear();
        const size_t split = input.find(cut) + cut.size();
        start({"run", "-", "-c", "c = a * 2", "--json"});
        send(input.substr(0, split));
        EXPECT_EQ(read_lines(1), row1);
        send(input.substr(split));
        EXPECT_EQ(finish(), 0) << err();
        EXPECT_EQ(output_, row1 + rest);
    }
}

// Two million rows (some 100 MB) from a regular file (read through the same
// window as a pipe, not mapped), then through a pipe: peak memory grows by far
// less than the input over that of a run on ten rows.
TEST_F(Piped, LongInputInBoundedMemory) {
    size_t sent = 0;
    const auto run_rows = [&](int rows, long* peak_kib) {
        start({"run", "-", "-c", "p = MORT(amount, ., rate, term)", "-o", "/dev/null"});
        send("id,amount,rate,term,note\n");
        for (int i = 0; i < rows; i += 1000) {
            std::string block;
            for (int j = i; j < std::min(rows, i + 1000); ++j)
                block += std::to_string(j) + "," + std::to_string(1000 + j % 9000) + ",0.005,360,a note to pad the row\n";
            send(block);
            sent += block.size();
        }
        EXPECT_EQ(finish(peak_kib), 0) << err();
        EXPECT_NE(err().find("qelhost: " + std::to_string(rows) + " rows;"), std::string::npos) << err();
    };
    long small = 0, large = 0, from_file = 0;
    run_rows(10, &small);
    // The same rows as a file, run before the pipe's: a child's peak counts
    // what it shared with the test before exec, so the test holds a line at a time.
    const fs::path long_file = dir_ / "long.csv";
    std::FILE* f = std::fopen(long_file.c_str(), "w");
    std::fputs("id,amount,rate,term,note\n", f);
    for (int j = 0; j < 2000000; ++j) std::fprintf(f, "%d,%d,0.005,360,a note to pad the row\n", j, 1000 + j % 9000);
    std::fclose(f);
    start({"run", long_file.string(), "-c", "p = MORT(amount, ., rate, term)", "-o", "/dev/null"});
    EXPECT_EQ(finish(&from_file), 0) << err();
    run_rows(2000000, &large);
    ASSERT_GT(sent, size_t{80} << 20);
    EXPECT_LT(large - small, static_cast<long>(sent >> 10) / 8) << "peak " << large << " KiB after " << small << " KiB";
    EXPECT_LT(from_file - small, static_cast<long>(sent >> 10) / 8) << "peak " << from_file << " KiB";
    std::printf("peak resident: %ld KiB for 10 rows; for 2000000 rows (%zu MB) %ld KiB from a pipe, %ld KiB from a "
                "file\n", small, sent >> 20, large, from_file);
}

// SIGINT while the run waits for input: exit status 130 and the row it
// stopped at, the rows before it kept on standard output.  (A target named
// by -o keeps its old bytes: the output safety tests.)
TEST_F(Piped, InterruptedRun) {
    start({"run", "-", "-c", "c = a * 2"});
    send("a\n1\n2\n");
    EXPECT_EQ(read_lines(3), "a,c\n1,2\n2,4\n");
    kill(pid_, SIGINT);
    EXPECT_EQ(finish(), 130) << err();
    EXPECT_NE(err().find("qelhost: interrupted at row 3;"), std::string::npos) << err();
    EXPECT_EQ(output_, "a,c\n1,2\n2,4\n");
}

}  // namespace
