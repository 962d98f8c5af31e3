// Seed inputs written as text, one input per line, and encoded into the
// byte format of byte_input.h.
//
//   COMPOUND 100 . 0.05 10                 an entry call ('.' is MISSING)
//   IRR @48:0 1 -100 230 -132              caller kind 0x48, call site 0
//   IRR @48:0 1 -100 230 -132 ; IRR @48:0 1 -100 230 -132    two calls, one input
//   fnccmis "   " "" "A " .                character arguments in double quotes
//   !counter IRR @48:1! 1 -100 110         counter pool refuses; site 1 made afresh
//   zcmpnd #2 100 . 0.05 10                an integer parameter (here `which`)
//   NPV 5 1 -100 110 *500                  the list repeated to 500 arguments
//
// Numbers are decimal (strtod), `inf`, `-inf`, `nan`, `-nan`, or a bit
// pattern 0x followed by 16 hex digits.  Modifiers: !counter !create
// !allocate !vector (faults), !nullcb (routines: no callback), !hostbits,
// !premark=K, !extra=K (entries), #V (integers, at most three).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qelfin::fuzz {

enum class SeedTarget { kEntries, kRoutines };

struct Seed {
    SeedTarget target = SeedTarget::kEntries;
    std::vector<uint8_t> bytes;
    std::string text;  // the line it came from
};

// Parses one line; throws std::invalid_argument on a malformed one, or on
// one whose bytes would not decode to exactly the values written.
Seed encode_seed(const std::string& line);

// Every seed of the files (comments start with '#' at the beginning of a line).
std::vector<Seed> read_seed_files(const std::vector<std::string>& paths);

// The words of one call (between ';'): a quoted text is one word, quotes kept.
std::vector<std::string> seed_words(const std::string& call);

}  // namespace qelfin::fuzz
