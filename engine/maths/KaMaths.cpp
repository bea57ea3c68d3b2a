#include "engine/maths/KaMaths.h"

#include <cmath>
#include <cstdlib>

namespace {

// The processor's remainder, except that a divisor of -1 gives 0 directly:
// the most negative int divided by -1 overflows and traps on x86.
int remainderOf(int a, int b) { return b == -1 ? 0 : a % b; }

} // namespace

int KaAbs(int value)
{
    if (value > 0)
        return value;
    // Negated through unsigned arithmetic so the most negative value wraps
    // onto itself instead of overflowing.
    return static_cast<int>(0u - static_cast<unsigned int>(value));
}

float KaSgn(float value)
{
    static const float negativeOrZero[2] = { 0.0f, -1.0f };
    if (value > 0.0f)
        return 1.0f;
    return negativeOrZero[value < 0.0f ? 1 : 0];
}

double KaRound(double value) { return std::floor(value); }

float KaRoundf(float value) { return std::floor(value); }

uint32_t KaRand(uint32_t a, uint32_t b)
{
    // In double precision: in single precision the largest draws of rand()
    // round up to 2^31, and KaRand(0, b) then returned b itself. With 53 bits
    // the quotient stays below b for every draw.
    double r = static_cast<double>(std::rand());
    double quotient = static_cast<double>(b) * r / (static_cast<double>(a) + 2147483648.0);
    return a + static_cast<uint32_t>(quotient);
}

int KaModulo(int a, int b)
{
    int r = remainderOf(a, b);
    if (r >= 0)
        return r;
    // Wraps rather than overflows for a negative divisor near the int limit.
    return static_cast<int>(static_cast<unsigned int>(r) + static_cast<unsigned int>(b));
}

int KaGCD(int a, int b)
{
    for (;;) {
        a = remainderOf(a, b);
        if (a == 0)
            return b;
        b = remainderOf(b, a);
        if (b == 0)
            return a;
    }
}
