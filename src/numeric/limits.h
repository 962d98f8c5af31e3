// The module's named limits: the bounds that keep every solver's arithmetic
// inside the double range, and the few fixed words of the host services.
// Each figure is written here once; the solvers and entries use the names.
// The decimal literals are part of the results (a bound accepted on one side
// and refused on the other), so they stay exactly as written.
#pragma once

#include <cstdint>

namespace qelfin::numeric {

// Just above 2^-511, the square root of the smallest normal double: the
// smallest accepted divisor, life, growth factor or rate factor, and the
// magnitude below which a rate counts as zero.  Any product of two values
// above it stays normal.
inline constexpr double kRootOfSmallest = 1.491668147e-154;

// Just above 2^512, about the square root of the largest double: the largest
// accepted life, rate factor or value, and the largest residual of a rate
// search.  The product of two values below it stays finite.
inline constexpr double kRootOfLargest = 1.3407807929943e+154;

// The cube root of the largest double: inputs and powers below it leave room
// for two more multiplications.
inline constexpr double kCubeRootOfLargest = 5.643803094122288e+102;

// Ten times the cube root of the smallest normal double: the smallest rate
// and growth factor a Newton step on a power divides by.
inline constexpr double kTenCubeRootOfSmallest = 2.812644285236322e-102;

// ln of the largest double: an exponent at or above it overflows e^x.
inline constexpr double kLnOfLargest = 709.782712893384;

// ln 2.
inline constexpr double kLn2 = 0.6931471805599453;

// 1 + 3 * 2^-52, three units in the last place above 1: a safety factor on
// logarithms and the largest accepted sum of fractions that should be 1.
inline constexpr double kOnePlusThreeUlps = 1.0000000000000007;

// 2^31 - 1, the largest 32-bit integer: periods, lives and exponents from
// here on are not counted as whole numbers of 32 bits.
inline constexpr double kInt32Max = 2147483647.0;

// 2^31 and -2^31: a double converts to a 32-bit integer when it lies in
// [kInt32Low, kInt32End).
inline constexpr double kInt32End = 2147483648.0;
inline constexpr double kInt32Low = -2147483648.0;

// 2^53: whole numbers up to here are exact doubles.
inline constexpr double kLargestExactWhole = 9007199254740992.0;

// Flags of every request to a host pool (0x2006): the function vector and
// the per-call-site counter of IRR and INTRR.
inline constexpr uint32_t kHostPoolFlags = 8198;

}  // namespace qelfin::numeric
