// The byte format that the robustness harness turns into calls.
//
// A fuzz input is a sequence of operation records; each record is
//
//   op      1 byte   which entry or routine (modulo the number of them)
//   flags   1 byte   fault injection and block decorations (OpFlags)
//   site    1 byte   call site: index (bits 0-1), fresh (bit 2), caller kind (bits 3-5)
//   ints    1 byte count (0..3), then that many integers (read_int)
//   length  1 byte, or 0xE0.. and a 16-bit word: the number of arguments
//   period  (only for lists longer than kExplicitValues) 1 byte: 1..32
//           explicit values, which the rest of the list repeats (their
//           texts cut to kRepeatedTextMax bytes)
//   values  the explicit arguments (read_arg)
//
// Every byte string decodes (a reader past the end yields zeros), the same
// way on every build, so that inputs found by the fuzzer replay anywhere.
// The encoder writes records that decode to exactly the values given; the
// seed corpus is written with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qelfin::fuzz {

// Fault injection and block decorations of one operation.
enum OpFlags : uint8_t {
    kRefuseCounterPool = 0x01,    // gcb word 5 refuses (IRR/INTRR counter)
    kFailToolkitCreate = 0x02,    // the toolkit creates no scratch pool
    kFailToolkitAllocate = 0x04,  // scratch pools allocate nothing
    kRefuseVectorPool = 0x08,     // gcb word 10 refuses (qelwufin)
    kPremark = 0x10,              // one argument carries ARG_INVALID before the call
    kHostBits = 0x20,             // host words and the host's flag bits are filled
    kExtraArguments = 0x40,       // fixed-arity entries get arguments beyond their own
    kFaults = 0x80,               // the four fault bits above apply only with this bit
};

inline constexpr int kExplicitValues = 32;  // arguments read from the input per record
inline constexpr int kMaxLength = 4096;     // longest argument list the decoder makes
inline constexpr size_t kRepeatedTextMax = 64;  // longest text in a list longer than kExplicitValues

// splitmix64: the same stream of numbers on every build.
inline uint64_t splitmix64(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return pos_ >= size_; }
    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint64_t le(int bytes) {  // little-endian
        uint64_t v = 0;
        for (int i = 0; i < bytes; ++i) v |= uint64_t{byte()} << (8 * i);
        return v;
    }
    uint16_t u16() { return static_cast<uint16_t>(le(2)); }
    uint32_t u32() { return static_cast<uint32_t>(le(4)); }
    uint64_t u64() { return le(8); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

using ByteWriter = std::vector<uint8_t>;

// One argument as the harness builds it into a block.
struct ArgValue {
    bool numeric = true;
    double number = 0.0;
    std::string text;  // character arguments only
    bool operator==(const ArgValue&) const = default;
};

// The values the double decoder favours: bounds and guard constants of the
// module, NaNs of several payloads, infinities, zeros and subnormals, and
// ordinary amounts, rates and periods.
std::span<const double> special_values();

// One decoded operation record.  Argument i of the list is
// values[i % values.size()]: long lists repeat their explicit values
// without copying them (character values can be 64 KiB long).
struct OpRecord {
    uint8_t op = 0;
    uint8_t flags = 0;
    uint8_t site = 0;
    std::vector<int32_t> ints;
    std::vector<ArgValue> values;  // the explicit arguments, at most kExplicitValues
    int32_t length = 0;            // arguments in the list; at least values.size()

    const ArgValue& arg(int32_t i) const { return values[static_cast<size_t>(i) % values.size()]; }
};

OpRecord read_record(ByteReader& in);
// Writes a record: `values` must hold all `length` arguments when the list
// is at most kExplicitValues long, else the period the list repeats (1 to
// kExplicitValues values); a record that breaks the format does not decode
// as written (encode_seed checks that).
void write_record(ByteWriter& out, const OpRecord& r);

// Site byte helpers: caller kinds the decoder knows, by bits 3-5.
uint8_t site_caller_kind(uint8_t site);
uint8_t make_site(int index, bool fresh, uint8_t caller_kind);

}  // namespace qelfin::fuzz
