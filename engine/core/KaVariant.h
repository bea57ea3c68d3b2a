#ifndef KA_VARIANT_H
#define KA_VARIANT_H

#include "engine/containers/KaIsRelocatable.h"
#include "engine/core/KaString.h"

class KaObject;

// A tagged value passed between scripts and the engine. It holds exactly one
// type and reads back only as that type: asking for another type gives the
// zero value and ok = false, there is no conversion.
//
// A string variant owns a heap copy of its string (sharing the bytes), and
// every copy of the variant makes a string object of its own. A user-object
// variant only points at the caller's object and never deletes it.
class KaVariant {
public:
    enum ObjectType {
        Invalid = 0,
        Boolean = 1,
        Signed32 = 2,
        Unsigned32 = 3,
        Signed64 = 4,
        Unsigned64 = 5,
        Float32 = 6,
        Float64 = 7,
        String = 9,
        UserObject = 127
    };

    KaVariant();
    explicit KaVariant(ObjectType type);
    // Not owned: the caller keeps the object alive while the variant is used.
    KaVariant(int userType, const KaObject* object);
    KaVariant(bool value);
    KaVariant(int value);
    KaVariant(unsigned int value);
    KaVariant(long long value);
    KaVariant(unsigned long long value);
    KaVariant(float value);
    KaVariant(double value);
    KaVariant(const KaString& value);
    // A string variant: without it a literal would pick the bool constructor.
    KaVariant(const char* value);
    KaVariant(const KaVariant& other);
    KaVariant& operator=(const KaVariant& other);
    ~KaVariant();

    // Takes other's type and value (a string variant gets its own string
    // object), releasing what this variant held first.
    void copy(const KaVariant& other);
    // Deletes an owned object and zeroes the value; the type stays.
    void clear();
    // Back to the invalid variant WITHOUT releasing anything: for a variant
    // whose bytes were just moved elsewhere, or that was never constructed.
    void create();

    ObjectType type() const { return mType; }
    int userType() const { return mUserType; }
    bool isValid() const { return mType != Invalid; }
    // The value word is 0: false, 0, +0.0, a null pointer, the invalid variant.
    bool isNull() const { return mValue == 0; }

    bool canConvert(ObjectType type) const;
    bool convert(ObjectType type);

    bool toBoolean(bool* ok = nullptr) const;
    int toSigned32(bool* ok = nullptr) const;
    unsigned int toUnsigned32(bool* ok = nullptr) const;
    long long toSigned64(bool* ok = nullptr) const;
    unsigned long long toUnsigned64(bool* ok = nullptr) const;
    float toFloat32(bool* ok = nullptr) const;
    double toFloat64(bool* ok = nullptr) const;
    // A copy sharing the held string's bytes; the empty string otherwise
    // (also for a string variant whose value was cleared).
    KaString toString(bool* ok = nullptr) const;

    // The 8-byte value word as stored: the object pointer for strings and
    // user objects, the value's bits otherwise.
    void* data() const;
    const void* constData() const;

private:
    template <class T>
    void store(T value);
    template <class T>
    T load(ObjectType expected, bool* ok) const;
    KaObject* object() const;
    void release();

    unsigned long long mValue;
    ObjectType mType;
    int mUserType;
    bool mOwned;
};

KA_RELOCATABLE(KaVariant);

#endif
