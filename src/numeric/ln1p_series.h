// The rational series for ln(1 + x) near zero shared by zln1px and
// zlnSumOfExp: with s = x / (x/2 + 1), ln(1 + x) = 2 atanh(s/2) expanded as
// s + s^3 (c0 + c1 s^2) / (1 + d1 s^2).  Used for |x| <= 2^-5, where it is
// accurate to the last bits and avoids the cancellation of log(1 + x).
#pragma once

namespace qelfin::numeric {

inline constexpr double kLn1pSeriesBound = 0.03125;        // 2^-5: the series serves |x| up to here
inline constexpr double kLn1pC0 = 0.08333333333333427;     // close to 1/12
inline constexpr double kLn1pC1 = -0.0023812878804825234;
inline constexpr double kLn1pD1 = -0.178575454351365;

inline double ln1p_series(double x) {
    const double s = x / (0.5 * x + 1.0);
    const double s2 = s * s;
    return s + (s2 * s) * ((kLn1pC1 * s2 + kLn1pC0) / (kLn1pD1 * s2 + 1.0));
}

}  // namespace qelfin::numeric
