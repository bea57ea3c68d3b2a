#ifndef KA_COLOR_H
#define KA_COLOR_H

class KaStream;
class TiXmlElement;

// Four 8-bit channels, red, green, blue, alpha (255 is opaque). A plain
// value, copied freely.
//
// The arithmetic never clamps: every channel, alpha included, keeps the low
// 8 bits of its result (200 + 100 gives 44, 200 * 1.5 gives 44). Colour
// animations and stored scene colours were tuned against exactly this, so a
// saturating version would change what is on screen.
class KaColor {
public:
    // Opaque black.
    KaColor()
        : r(0)
        , g(0)
        , b(0)
        , a(255)
    {
    }
    KaColor(unsigned char red, unsigned char green, unsigned char blue, unsigned char alpha)
        : r(red)
        , g(green)
        , b(blue)
        , a(alpha)
    {
    }
    // From the word 0xRRGGBBAA.
    explicit KaColor(unsigned int rgba);
    // From a 15-bit word with red in bits 10-14, green 5-9, blue 0-4. Each
    // channel keeps its five bits at the top; alpha is 0, not 255.
    explicit KaColor(unsigned short packed);

    // Red in bits 10-14, green 5-9, blue 0-4: the inverse of
    // KaColor(unsigned short). Colours that differ only in the low three
    // bits of a channel, or in alpha, pack alike (the mesh optimiser relies
    // on that to merge vertices).
    unsigned short getPacked() const;

    // Palette words: red in the LOW field here, the opposite of getPacked.
    static unsigned short rgb24to15(unsigned char red, unsigned char green, unsigned char blue);
    // Red bits 0-4, green 5-10, blue 11-15.
    static unsigned short rgb24to16(unsigned char red, unsigned char green, unsigned char blue);
    // The same word as rgb24to15: alpha is ignored and bit 15 stays 0.
    static unsigned short rgb32to16(unsigned char red, unsigned char green, unsigned char blue, unsigned char alpha);

    // Four raw bytes r, g, b, a in either stream mode. False when the
    // stream took or gave fewer; the channels read before the end keep
    // their new values.
    static bool serialize(KaStream& stream, const KaColor& color);
    static bool deserialize(KaStream& stream, KaColor& color);
    // The element's text as "r,g,b,a" decimal integers, each reduced to its
    // low 8 bits. Channels that the text does not reach keep their values.
    // False only for a null element.
    static bool deserialize(const TiXmlElement* element, KaColor& color);

    unsigned char r;
    unsigned char g;
    unsigned char b;
    unsigned char a;
};

bool operator==(const KaColor& left, const KaColor& right);
bool operator!=(const KaColor& left, const KaColor& right);
// (x + y) modulo 256 per channel.
KaColor operator+(const KaColor& left, const KaColor& right);
// floor(x * y / 255) per channel: 255 is neutral, 0 absorbs.
KaColor operator*(const KaColor& left, const KaColor& right);
// floor(x * 255 / y) per channel, at most 255; a zero divisor gives 255
// (0 for a zero channel), so no channel ever divides by zero.
KaColor operator/(const KaColor& left, const KaColor& right);
// x * factor in single precision, truncated toward zero to a 32-bit integer
// of which the low 8 bits remain. A result outside the 32-bit range, or NaN,
// gives 0 (what the processor's own truncation leaves in the low byte).
KaColor operator*(const KaColor& color, float factor);
// x / divisor, truncated and reduced like the product.
KaColor operator/(const KaColor& color, float divisor);

// a * (1 - t) + b * t with the operators above: each term is truncated, so
// two opaque colours blend to alpha 254 half-way. Colour curve animations
// evaluate it every frame.
KaColor linearInterpolation(const KaColor& from, const KaColor& to, float t);

#endif
