// The seed text form (seeds.h) parsed into records and written as bytes.
#include "fuzz/seeds.h"

#include "fuzz/byte_input.h"
#include "fuzz/harness.h"

#include <qelfin/qelfin.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <strings.h>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace qelfin::fuzz {

std::vector<std::string> seed_words(const std::string& item) {
    std::vector<std::string> out;
    for (size_t i = 0, j; i < item.size(); i = j) {
        j = i + 1;
        if (item[i] == '"') {
            j = item.find('"', i + 1);
            if (j++ == std::string::npos) throw std::invalid_argument("unterminated text in: " + item);
        } else if (std::isspace(static_cast<unsigned char>(item[i]))) {
            continue;
        } else {
            while (j < item.size() && !std::isspace(static_cast<unsigned char>(item[j]))) ++j;
        }
        out.push_back(item.substr(i, j - i));
    }
    return out;
}

namespace {

double number(const std::string& t) {
    if (t == ".") return std::bit_cast<double>(QELFIN_MISSING_BITS);
    if (t.size() == 18 && t.rfind("0x", 0) == 0) return std::bit_cast<double>(std::stoull(t.substr(2), nullptr, 16));
    // strtod, not stod: subnormals are numbers too (stod throws on ERANGE);
    // it reads inf, -inf, nan and -nan as the quiet NaNs of either sign.
    char* end = nullptr;
    const double x = std::strtod(t.c_str(), &end);
    if (t.empty() || end != t.c_str() + t.size()) throw std::invalid_argument("not a number: " + t);
    return x;
}

int index_of(const std::vector<std::string>& names, const std::string& name) {
    for (size_t i = 0; i < names.size(); ++i)
        if (strcasecmp(names[i].c_str(), name.c_str()) == 0) return static_cast<int>(i);
    return -1;
}

// The modifiers that only set flag bits.
const struct {
    const char* name;
    uint8_t flags;
} kModifiers[] = {
    {"!counter", kRefuseCounterPool | kFaults}, {"!create", kFailToolkitCreate | kFaults},
    {"!allocate", kFailToolkitAllocate | kFaults}, {"!vector", kRefuseVectorPool | kFaults},
    {"!nullcb", kExtraArguments}, {"!extra", kExtraArguments}, {"!hostbits", kHostBits}};

}  // namespace

Seed encode_seed(const std::string& line) {
    Seed seed{SeedTarget::kEntries, {}, line};
    int items = 0;
    const auto entries = Harness::entry_ops(), routines = Harness::routine_ops();
    std::istringstream calls(line);
    for (std::string item; std::getline(calls, item, ';');) {
        const auto toks = seed_words(item);
        if (toks.empty()) continue;
        OpRecord r;
        int site_index = 0, premark = 0, extra = 0, op = -1;
        bool fresh = false;
        uint8_t kind = 0x00;
        SeedTarget target = SeedTarget::kEntries;
        int32_t repeat_to = -1;
        for (const auto& t : toks) {
            const auto modifier = std::find_if(std::begin(kModifiers), std::end(kModifiers),
                                               [&](const auto& m) { return t == m.name; });
            if (modifier != std::end(kModifiers)) {
                r.flags |= modifier->flags;
            } else if (t.rfind("!premark=", 0) == 0) {
                premark = std::stoi(t.substr(9)), r.flags |= kPremark;
            } else if (t.rfind("!extra=", 0) == 0) {
                extra = std::stoi(t.substr(7)), r.flags |= kExtraArguments;
            } else if (t[0] == '!') {
                throw std::invalid_argument("unknown modifier " + t);
            } else if (t[0] == '@') {
                const size_t colon = t.find(':');
                kind = static_cast<uint8_t>(std::stoul(t.substr(1, colon - 1), nullptr, 16));
                if (colon != std::string::npos) site_index = std::stoi(t.substr(colon + 1));
                fresh = t.back() == '!';
            } else if (t[0] == '#') {
                r.ints.push_back(std::stoi(t.substr(1)));
            } else if (t[0] == '*') {
                repeat_to = std::stoi(t.substr(1));
            } else if (op < 0) {
                op = index_of(entries, t);
                if (op < 0 && (op = index_of(routines, t)) >= 0) target = SeedTarget::kRoutines;
                if (op < 0) throw std::invalid_argument("unknown function " + t);
            } else {
                r.values.push_back(t[0] == '"' ? ArgValue{false, 0.0, t.substr(1, t.size() - 2)}
                                               : ArgValue{true, number(t), {}});
            }
        }
        if (op < 0) throw std::invalid_argument("no function in: " + item);
        if (items++ == 0) seed.target = target;
        if (target != seed.target) throw std::invalid_argument("entries and routines mixed in: " + line);
        if (premark || extra) {
            // Entries read the premarked argument from integer 0 and the
            // number of extra arguments from integer 1 (both 1-based picks).
            if (!r.ints.empty()) throw std::invalid_argument("#V and !premark/!extra together: " + item);
            r.ints = {premark > 0 ? premark - 1 : 0, extra > 0 ? extra - 1 : 0};
        }
        r.length = static_cast<int32_t>(r.values.size());
        if (repeat_to >= 0) {
            if (r.values.empty() || repeat_to < r.length || r.length > kExplicitValues)
                throw std::invalid_argument("*N needs 1.." + std::to_string(kExplicitValues) + " values: " + item);
            // Short lists are written out; long ones repeat their values.
            for (int32_t i = r.length; i < repeat_to && repeat_to <= kExplicitValues; ++i)
                r.values.push_back(r.values[static_cast<size_t>(i % r.length)]);
            r.length = repeat_to;
        }
        r.op = static_cast<uint8_t>(op);
        r.site = make_site(site_index, fresh, kind);
        // The encoding is one-to-one, so a record that decodes and encodes
        // again to the same bytes decodes to exactly the values written.
        ByteWriter once, again;
        write_record(once, r);
        ByteReader in(once.data(), once.size());
        write_record(again, read_record(in));
        if (again != once) throw std::invalid_argument("does not decode as written: " + item);
        seed.bytes.insert(seed.bytes.end(), once.begin(), once.end());
    }
    if (items == 0) throw std::invalid_argument("empty seed");
    return seed;
}

std::vector<Seed> read_seed_files(const std::vector<std::string>& paths) {
    std::vector<Seed> seeds;
    for (const auto& path : paths) {
        std::ifstream in(path);
        if (!in) throw std::runtime_error("cannot read " + path);
        for (std::string line; std::getline(in, line);)
            if (const size_t at = line.find_first_not_of(" \t"); at != std::string::npos && line[at] != '#')
                seeds.push_back(encode_seed(line));
    }
    return seeds;
}

}  // namespace qelfin::fuzz
