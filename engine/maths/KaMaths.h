#ifndef KA_MATHS_H
#define KA_MATHS_H

// The engine's scalar helpers, used everywhere instead of the standard
// library's: one definition of rounding, clamping and the like keeps layouts
// and animations identical on every platform.

#include <cstdint>

inline float KaMin(float a, float b) { return a < b ? a : b; }
inline float KaMax(float a, float b) { return a > b ? a : b; }
inline int KaMin(int a, int b) { return a < b ? a : b; }
// Without it KaMax(int, int) would be ambiguous between the float and the size forms.
inline int KaMax(int a, int b) { return a > b ? a : b; }
inline unsigned long KaMin(unsigned long a, unsigned long b) { return a < b ? a : b; }
inline unsigned long KaMax(unsigned long a, unsigned long b) { return a < b ? b : a; }

// The upper bound is tested first: with lo above hi, values above hi give hi
// and all others lo.
inline float KaClamp(float value, float lo, float hi) { return value > hi ? hi : (lo > value ? lo : value); }
inline uint32_t KaClamp(uint32_t value, uint32_t lo, uint32_t hi)
{
    return value > hi ? hi : (lo > value ? lo : value);
}

// The most negative int has no positive counterpart and comes back unchanged.
int KaAbs(int value);
// -0.0 and NaN come back unchanged.
inline float KaAbs(float value) { return value < 0.0f ? -value : value; }

// 1 for positive values, -1 for negative ones, 0 for zero, -0 and NaN.
float KaSgn(float value);

// Rounding is always downwards (floor): -0.5 gives -1, 2.999 gives 2. Layout
// and text code depend on it; do not "fix" it into round-to-nearest.
double KaRound(double value);
float KaRoundf(float value);

// A pseudo-random value from rand() (never seeded here); KaRand(0, b) lies
// in [0, b). A non-zero a is an offset added to a draw below b, not the low
// end of a range that ends at b.
uint32_t KaRand(uint32_t a, uint32_t b);

// The remainder made non-negative for a positive divisor: -7, 3 gives 2.
// b must not be 0.
int KaModulo(int a, int b);
// Euclid by alternating remainders; negative arguments may give a negative
// result. b must not be 0.
int KaGCD(int a, int b);

#endif
