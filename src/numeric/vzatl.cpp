// vzatl(c, p, n): 1 when each of the n bytes at p, read unsigned, equals c;
// 0 at the first byte that differs.  n <= 0 gives 1 (an empty value passes);
// a c outside 0..255 matches no byte.  The missing-value scans use it with
// c = ' ' to recognise an all-blank character value.
#include <qelfin/qelfin.h>

extern "C" QELFIN_API int vzatl(int c, const uint8_t* p, int32_t n) {
    for (int32_t i = 0; i < n; ++i)
        if (static_cast<int>(p[i]) != c) return 0;
    return 1;
}
