// The host library's schedules and rates for the C glue (see
// schedules_bridge.h): figures copied into the server's memory, every
// exception turned into a return code and a reason.
#include "schedules_bridge.h"

#include "bridge.h"

#include "host/rates.h"
#include "host/schedule.h"

#include <cstdio>
#include <cstring>
#include <new>

// The backend's module, loaded by qelfin_ensure_loaded (bridge.cpp).
const qelfin::host::Module& qelfin_bridge_module();

namespace {

using qelfin::host::Schedule;

template <class Make>
int guarded(char* reason, size_t len, Make make) {
    try {
        return make();
    } catch (const std::bad_alloc&) {
        return -2;
    } catch (const std::exception& e) {
        std::snprintf(reason, len, "%s", e.what());
        return -1;
    }
}

int copy_table(const Schedule& s, void* mcxt, QelfinTable* out) {
    out->rows = static_cast<int>(s.rows.size());
    out->width = static_cast<int>(s.columns.size());
    out->cells = static_cast<double*>(qelfin_pg_alloc(mcxt, sizeof(double) * s.rows.size() * s.columns.size() + 1));
    if (out->cells == nullptr) return -2;
    for (size_t i = 0; i < s.rows.size(); ++i)
        std::memcpy(out->cells + i * s.columns.size(), s.rows[i].data(), sizeof(double) * s.columns.size());
    return 0;
}

}  // namespace

extern "C" {

int qelfin_bridge_loan_schedule(const double* args, int decimals, void* mcxt, QelfinTable* out, char* reason, size_t len) {
    return guarded(reason, len, [&] {
        return copy_table(qelfin::host::loan_schedule(qelfin_bridge_module(), {args, 4}, decimals), mcxt, out);
    });
}

int qelfin_bridge_depreciation_schedule(const char* method, const double* args, int count, int decimals, void* mcxt,
                                 QelfinTable* out, char* reason, size_t len) {
    return guarded(reason, len, [&] {
        const std::span<const double> given(args, static_cast<size_t>(count));
        return copy_table(qelfin::host::depreciation_schedule(qelfin_bridge_module(), method, given, decimals), mcxt,
                          out);
    });
}

int qelfin_bridge_irr_rates(double freq, const double* flows, int count, void* mcxt, double** rates, int* rate_count,
                     char* reason, size_t len) {
    return guarded(reason, len, [&] {
        const auto found = qelfin::host::irr_rates(qelfin_bridge_module(), freq, {flows, static_cast<size_t>(count)});
        *rate_count = static_cast<int>(found.size());
        *rates = static_cast<double*>(qelfin_pg_alloc(mcxt, sizeof(double) * found.size() + 1));
        if (*rates == nullptr) return -2;
        std::memcpy(*rates, found.data(), sizeof(double) * found.size());
        return 0;
    });
}

}  // extern "C"
