// The sine and reciprocal tables.
#include "demo/tables.h"

#include <cfloat>
#include <cmath>

// Entry 64 is 4096 only when every step rounds to plain double precision: an x87 build that
// keeps the product in 80-bit extended precision would truncate it to 4095. x86-64 (SSE2),
// including the Windows build, evaluates in the declared type; refuse anything else. (The
// build also passes -ffp-contract=off, so no fused multiply-add changes a rounding.)
#if defined(FLT_EVAL_METHOD)
static_assert(FLT_EVAL_METHOD == 0, "the tables need plain double-precision evaluation");
#elif defined(_M_IX86) && (!defined(_M_IX86_FP) || _M_IX86_FP < 2)
#error "the tables need plain double-precision evaluation (SSE2)"
#endif

int16_t* sine_table = nullptr;
int16_t* recip_table = nullptr;

namespace {

// 3.3 KB that live as long as the process: static storage, so building the tables cannot
// fail for want of memory, and a second call (a test's) refills the same blocks.
int16_t sine_storage[256];
int16_t recip_storage[1400];

}  // namespace

void build_tables() {
    sine_table = sine_storage;
    recip_table = recip_storage;

    // One quarter wave, k = 0..64, mirrored into the other three quarters.
    for (int32_t k = 0; k <= 64; ++k) {
        const double angle = static_cast<double>(2 * k) * 0.0122718462890625;  // 3.14159265 / 256
        const double scaled = std::sin(angle) * 4096.0;
        const auto v = static_cast<int16_t>(static_cast<int32_t>(scaled));  // toward zero
        sine_table[k] = v;
        sine_table[128 - k] = v;
        sine_table[128 + k] = static_cast<int16_t>(-v);
        if (k >= 1) sine_table[256 - k] = static_cast<int16_t>(-v);
    }

    recip_table[0] = 0;
    for (int32_t n = 1; n < 1400; ++n) recip_table[n] = static_cast<int16_t>(4096 / n);
}
