#include "fuzz/byte_input.h"

#include <qelfin/qelfin.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace qelfin::fuzz {

namespace {

constexpr double bits(uint64_t b) { return std::bit_cast<double>(b); }

// Index i of the table is selector byte i; selector kSpecials + i is the
// negated value.  Keep the order: seeds written earlier decode by it.
constexpr std::array<double, 104> kSpecials = {
    // ordinary figures
    0.0, 1.0, 2.0, 0.5, 100.0, 10.0, 5.0, 4.0, 3.0, 12.0, 360.0, 1000.0, 50000.0, 0.05, 0.1, 0.005, 0.01, 0.2, 0.3, 0.4,
    0.6, 0.25, 1.5, 0.75, 1.05, 1.1, 110.0, 230.0, 132.0, 3.5, 4.5, 5.5, 1e6, 1e-5,
    // missing values: MISSING and NaNs of other signs and payloads
    bits(QELFIN_MISSING_BITS), bits(0x7FF8000000000000), bits(0xFFF8000000000000), bits(0x7FF0000000000001),
    bits(0x7FF4000000000000), bits(0xFFF0000000000001), bits(0x7FFFFFFFFFFFFFFF), bits(0xFFFFFFFFFFFFFFFF),
    bits(0x7FF8000000000001), bits(0xFFFFFE0000000001),
    // infinities, extremes, subnormals
    std::numeric_limits<double>::infinity(), -0.0, std::numeric_limits<double>::max(),
    std::numeric_limits<double>::min(), std::numeric_limits<double>::denorm_min(), bits(0x000FFFFFFFFFFFFF),
    std::numeric_limits<double>::epsilon(),
    // guards of the solvers: smallest divisors and factors, square and cube
    // roots of the largest double, the cash-flow bound, exponent bounds
    1.491668147e-154, 1.4916681462400413e-154, 1.3407807929943e154, 1.3407807929942597e152, 5.643803094122288e102,
    2.812644285236322e-102, 709.782712893384, 708.3964185, 72.0873067782343,
    // integer limits
    2147483647.0, 2147483646.0, 2147483648.0, 9007199254740992.0, 9007199254740994.0, 4294967296.0, 32767.0, 32768.0,
    32766.0,
    // rate bounds, tolerances, factors
    0.999999999, 0.99999999, 0.9999999, 1.0000000000000007, 0.9999999999, 1e-10, 1e-9, 1e-8, 1e-12, 1e-15, 1e-20,
    0.03125, 1.0000000000001137, 4.547473508864643e-13, 2.000000000001, 0.999999999999, 1.000000000001, 0.99,
    2.2737367544323216e-13, 0.3629244535057, 0.0100001,
    // far out
    1e200, 1e-200, 1e300, 1e155, 1e154, 1e-300, 1e100, 1e-100, 1e16, 1e-16};
static_assert(kSpecials.size() == 104);

constexpr int kSelNegated = static_cast<int>(kSpecials.size());  // 104..207: negated specials
constexpr int kSelSmallInt = 2 * kSelNegated;                    // 208..223: -4..11
constexpr int kSelRaw = 224;                                     // 8 raw bytes
constexpr int kSelUlps = 225;                                    // special, moved by a signed number of ulps
constexpr int kSelInt16 = 226;                                   // signed 16-bit integer
constexpr int kSelDecimal = 227;                                 // int32 / 10^k
constexpr int kSelNaN = 228;                                     // NaN of a chosen payload
constexpr int kSelSubnormal = 229;                               // subnormal of a chosen mantissa
constexpr int kSelUnit = 230;                                    // in [0, 1)
constexpr int kSelPow10 = 231;                                   // +-10^k
// 232..247: more small integers, 12..27
constexpr int kCharFirst = 248;  // 248..255: character arguments

void put_le(ByteWriter& out, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

constexpr std::array<uint8_t, 8> kCallerKinds = {0x48, 0x58, 0x68, 0x88, 0x00, 0x01, 0x49, 0xFF};

double pow10(int k) {
    double r = 1.0;
    for (int i = 0; i < (k < 0 ? -k : k); ++i) r *= 10.0;  // exact up to 1e22, rounded beyond
    return k < 0 ? 1.0 / r : r;
}

double decode_double(int sel, ByteReader& in) {
    if (sel < kSelNegated) return kSpecials[sel];
    if (sel < kSelSmallInt) return -kSpecials[sel - kSelNegated];
    if (sel < kSelRaw) return sel - kSelSmallInt - 4;
    switch (sel) {
        case kSelRaw: return bits(in.u64());
        case kSelUlps: {
            const uint64_t b = std::bit_cast<uint64_t>(kSpecials[in.byte() % kSpecials.size()]);
            const int8_t steps = static_cast<int8_t>(in.byte());
            return bits(b + static_cast<uint64_t>(static_cast<int64_t>(steps)));
        }
        case kSelInt16: return static_cast<int16_t>(in.u16());
        case kSelDecimal: {
            const int32_t m = static_cast<int32_t>(in.u32());
            return m / pow10(in.byte() % 16);
        }
        case kSelNaN: {
            const uint64_t payload = in.u64() & 0x000FFFFFFFFFFFFFull;
            const uint64_t sign = (payload & 1) ? 0x8000000000000000ull : 0;
            return bits(sign | 0x7FF0000000000000ull | (payload == 0 ? 1 : payload));
        }
        case kSelSubnormal: return bits(in.u64() & 0x800FFFFFFFFFFFFFull);
        case kSelUnit: return bits(0x3FF0000000000000ull | (in.u64() & 0x000FFFFFFFFFFFFFull)) - 1.0;
        case kSelPow10: {
            const uint16_t v = in.u16();
            return (v & 1 ? -1.0 : 1.0) * pow10((v >> 1) % 617 - 308);
        }
        default: return sel - kSelPow10 + 11;  // 232..247: 12..27
    }
}

int32_t read_int(ByteReader& in) {
    const uint8_t b = in.byte();
    constexpr int32_t kInts[] = {INT32_MIN, INT32_MAX, 32767, 32768, 32766, 4096, 65535, -32768};  // 0xE1..0xE8
    if (b < 0xE0) return static_cast<int32_t>(b) - 0x20;
    if (b == 0xE0) return static_cast<int32_t>(in.u32());
    return b <= 0xE8 ? kInts[b - 0xE1] : static_cast<int32_t>(in.u16());
}

ArgValue read_arg(ByteReader& in) {
    const int sel = in.byte();
    if (sel < kCharFirst) return ArgValue{true, decode_double(sel, in), {}};
    ArgValue a;
    a.numeric = false;
    switch (sel - kCharFirst) {
        case 0: break;                                      // empty
        case 1: a.text.assign(in.byte() % 24, ' '); break;  // blanks
        case 2:
            a.text.assign(in.byte() % 24, ' ');
            a.text += static_cast<char>(in.byte());
            break;
        case 3: {  // explicit bytes
            size_t n = in.byte();
            if (n == 0xFF) n = in.u16();
            for (size_t i = 0; i < n; ++i) a.text += static_cast<char>(in.byte());
            break;
        }
        case 4: {  // long blanks: up to 8191, or within 255 of the largest length, 65535
            const uint16_t v = in.u16();
            a.text.assign((v & 0xE000) == 0xE000 ? 0xFFFF - (v & 0xFF) : v % 8192, ' ');
            break;
        }
        case 5: a.text = std::to_string(static_cast<int16_t>(in.u16())); break;
        case 6: a.text.assign(in.byte() % 24 + 1, static_cast<char>(in.byte())); break;
        default: a.text.assign(1, static_cast<char>(in.byte())); break;
    }
    return a;
}

int32_t read_length(ByteReader& in) {
    const uint8_t b = in.byte();
    return b < 0xE0 ? b % 32 : 32 + in.u16() % (kMaxLength - 31);
}

// The writers choose the shortest form the readers above decode exactly.
void write_double(ByteWriter& out, double x) {
    const auto special = std::find_if(kSpecials.begin(), kSpecials.end(),
                                      [&](double s) { return std::bit_cast<uint64_t>(s) == std::bit_cast<uint64_t>(x); });
    if (special != kSpecials.end()) return out.push_back(static_cast<uint8_t>(special - kSpecials.begin()));
    out.push_back(kSelRaw);
    put_le(out, std::bit_cast<uint64_t>(x), 8);
}

void write_int(ByteWriter& out, int32_t v) {
    if (v >= -0x20 && v < 0xE0 - 0x20) return out.push_back(static_cast<uint8_t>(v + 0x20));
    out.push_back(0xE0);
    put_le(out, static_cast<uint32_t>(v), 4);
}

void write_arg(ByteWriter& out, const ArgValue& a) {
    if (a.numeric) return write_double(out, a.number);
    out.push_back(kCharFirst + 3);
    out.push_back(static_cast<uint8_t>(std::min<size_t>(a.text.size(), 0xFF)));
    if (a.text.size() >= 0xFF) put_le(out, a.text.size(), 2);
    for (char c : a.text) out.push_back(static_cast<uint8_t>(c));
}

void write_length(ByteWriter& out, int32_t n) {
    if (n < 32) return out.push_back(static_cast<uint8_t>(n));
    out.push_back(0xE0);
    put_le(out, static_cast<uint64_t>(n - 32), 2);
}

}  // namespace

std::span<const double> special_values() { return kSpecials; }

OpRecord read_record(ByteReader& in) {
    OpRecord r;
    r.op = in.byte();
    r.flags = in.byte();
    r.site = in.byte();
    const int nints = in.byte() % 4;
    for (int i = 0; i < nints; ++i) r.ints.push_back(read_int(in));
    r.length = read_length(in);
    const int32_t explicit_count = r.length <= kExplicitValues ? r.length : 1 + in.byte() % kExplicitValues;
    r.values.reserve(static_cast<size_t>(explicit_count));
    for (int32_t i = 0; i < explicit_count; ++i) r.values.push_back(read_arg(in));
    // The texts of a repeated list are short: the scans read every byte of
    // every argument, and thousands of 64 KiB texts would only make each
    // input slow, not different.
    if (r.length > kExplicitValues)
        for (auto& a : r.values)
            if (a.text.size() > kRepeatedTextMax) a.text.resize(kRepeatedTextMax);
    return r;
}

void write_record(ByteWriter& out, const OpRecord& r) {
    out.push_back(r.op);
    out.push_back(r.flags);
    out.push_back(r.site);
    out.push_back(static_cast<uint8_t>(r.ints.size()));
    for (int32_t v : r.ints) write_int(out, v);
    write_length(out, r.length);
    if (r.length > kExplicitValues) out.push_back(static_cast<uint8_t>(r.values.size() - 1));
    for (const auto& a : r.values) write_arg(out, a);
}

uint8_t site_caller_kind(uint8_t site) { return kCallerKinds[(site >> 3) & 7]; }

uint8_t make_site(int index, bool fresh, uint8_t caller_kind) {
    const auto it = std::find(kCallerKinds.begin(), kCallerKinds.end(), caller_kind);
    if (it == kCallerKinds.end()) throw std::invalid_argument("caller kind unknown to the decoder");
    return static_cast<uint8_t>((index & 3) | (fresh ? 4 : 0) | ((it - kCallerKinds.begin()) << 3));
}

}  // namespace qelfin::fuzz
