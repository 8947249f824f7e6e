/* 64-bit division and remainder for 32-bit code: the compiler calls these
   for every "/" and "%" of long long operands. Written with 32-bit divisions
   and 64-bit shifts and compares only, which the compiler does inline, so
   they never call themselves. Division by zero divides by a 32-bit zero, so
   it traps exactly as the processor's own division does. */

typedef unsigned long long u64;
typedef long long s64;

static u64 divide_unsigned(u64 n, u64 d, u64* remainder)
{
    if (d == 0) {
        volatile unsigned zero = 0;
        *remainder = 0;
        return 1u / zero;
    }
    if ((n >> 32) == 0 && (d >> 32) == 0) {
        unsigned n32 = (unsigned)n, d32 = (unsigned)d;
        *remainder = n32 % d32;
        return n32 / d32;
    }
    /* Restoring division, one quotient bit per step from the top. */
    u64 q = 0, r = 0;
    for (int bit = 63; bit >= 0; --bit) {
        r = (r << 1) | ((n >> bit) & 1);
        if (r >= d) {
            r -= d;
            q |= (u64)1 << bit;
        }
    }
    *remainder = r;
    return q;
}

static u64 magnitude(s64 v)
{
    return v < 0 ? (u64)0 - (u64)v : (u64)v;
}

u64 __udivdi3(u64 n, u64 d)
{
    u64 r;
    return divide_unsigned(n, d, &r);
}

u64 __umoddi3(u64 n, u64 d)
{
    u64 r;
    divide_unsigned(n, d, &r);
    return r;
}

/* Truncating division: the quotient is negative when the signs differ. */
s64 __divdi3(s64 n, s64 d)
{
    u64 r;
    u64 q = divide_unsigned(magnitude(n), magnitude(d), &r);
    return (s64)(((n < 0) != (d < 0)) ? (u64)0 - q : q);
}

/* The remainder takes the sign of the dividend. */
s64 __moddi3(s64 n, s64 d)
{
    u64 r;
    divide_unsigned(magnitude(n), magnitude(d), &r);
    return (s64)(n < 0 ? (u64)0 - r : r);
}
