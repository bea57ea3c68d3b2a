#ifndef KA_SERIALIZE_H
#define KA_SERIALIZE_H

class KaStream;

// Objects that write themselves into a stream and read themselves back
// (images, palettes). Both return the number of bytes written or read, so a
// caller can tell a short read from a complete one.
class KaSerialize {
public:
    KaSerialize() = default;
    KaSerialize(const KaSerialize&) = default;
    KaSerialize& operator=(const KaSerialize&) = default;
    virtual ~KaSerialize() = default;

    virtual unsigned long serialize(KaStream& stream) = 0;
    virtual unsigned long deSerialize(KaStream& stream) = 0;
};

#endif
