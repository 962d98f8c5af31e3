// qelfin_crossrun TABLE [MODULE]: runs the cross-build table through the
// harness on the module of its own build and writes one line per call:
//
//   INDEX STATUS MARKED/MARKS NOTES O=OUT[,OUT] L=CALLS [P=... Q=... R=...]
//
// L counts the calls of exp, log and pow; when L > 0, P, Q and R are the
// STATUS/OUT of the call repeated with every such result moved one ulp up,
// down and alternately (libm_probe.c).  Exits 1 on a contract failure.
#include "fuzz/harness.h"
#include "fuzz/seeds.h"

#include <cstdio>
#include <fstream>
#include <string>

extern "C" {
extern long qelfin_libm_calls;
extern int qelfin_libm_nudge;
}

int main(int argc, char** argv) {
    using namespace qelfin::fuzz;
    std::ifstream table(argc > 1 ? argv[1] : "");
    if (!table) return std::fprintf(stderr, "usage: %s TABLE [MODULE] (no table to read)\n", argv[0]), 2;
    const std::string path = argc > 2 ? argv[2] : module_path_from_environment();
    Harness harness(path);
    long failures = 0;
    harness.on_failure([&](const std::string& report) {
        if (failures++ < 10) std::fputs(report.c_str(), stderr);
    });
    Session session(path), aside(session);
    std::string line;
    long index = 0;
    while (std::getline(table, line)) {
        if (line.empty()) continue;
        const Seed seed = encode_seed(line);
        ByteReader in(seed.bytes.data(), seed.bytes.size());
        const OpRecord r = read_record(in);
        const bool entry = seed.target == SeedTarget::kEntries;
        const Site before = session.sites[r.site & 3];
        const int32_t counter = before.call_state != nullptr ? *before.call_state : 0;

        qelfin_libm_calls = 0;
        const Outcome o = harness.run_record(session, r, entry);
        const long libm = qelfin_libm_calls;
        std::printf("%ld %s L=%ld", index++, o.text().c_str(), libm);
        for (const int nudge : {+1, -1, 2}) {
            if (libm == 0) break;
            int32_t copy = counter;  // the site as it was, its counter aside
            aside.sites = session.sites;
            aside.sites[r.site & 3] = before;
            if (before.call_state != nullptr) aside.sites[r.site & 3].call_state = &copy;
            qelfin_libm_nudge = nudge;
            const Outcome moved = harness.run_record(aside, r, entry);
            qelfin_libm_nudge = 0;
            const std::string t = moved.text();  // STATUS M/N NOTES O=OUT
            std::printf(" %c=%s/%s", nudge == 1 ? 'P' : nudge == -1 ? 'Q' : 'R', t.substr(0, t.find(' ')).c_str(),
                        t.substr(t.find("O=") + 2).c_str());
        }
        std::printf("\n");
    }
    if (failures > 0) std::fprintf(stderr, "%ld contract failures\n", failures);
    return failures > 0 ? 1 : 0;
}
