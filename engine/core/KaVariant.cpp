#include "engine/core/KaVariant.h"

#include <cstring>

#include "engine/core/KaObject.h"

static_assert(sizeof(void*) == sizeof(unsigned long long), "the value word holds a pointer");

// Values sit at the start of the word (so a bool is its first byte on this
// little-endian platform) and the rest of the word is zero.
template <class T>
void KaVariant::store(T value)
{
    static_assert(sizeof(T) <= sizeof(mValue), "a value fits the word");
    mValue = 0;
    std::memcpy(&mValue, &value, sizeof(T));
}

template <class T>
T KaVariant::load(ObjectType expected, bool* ok) const
{
    bool matches = mType == expected;
    if (ok)
        *ok = matches;
    T value = T();
    if (matches)
        std::memcpy(&value, &mValue, sizeof(T));
    return value;
}

KaVariant::KaVariant() : mValue(0), mType(Invalid), mUserType(0), mOwned(false) {}

KaVariant::KaVariant(ObjectType type) : mValue(0), mType(type), mUserType(0), mOwned(false) {}

KaVariant::KaVariant(int userType, const KaObject* object)
    : mValue(0), mType(UserObject), mUserType(userType), mOwned(false)
{
    store(const_cast<KaObject*>(object));
}

KaVariant::KaVariant(bool value) : mValue(0), mType(Boolean), mUserType(0), mOwned(false) { store(value); }

KaVariant::KaVariant(int value) : mValue(0), mType(Signed32), mUserType(0), mOwned(false) { store(value); }

KaVariant::KaVariant(unsigned int value) : mValue(0), mType(Unsigned32), mUserType(0), mOwned(false)
{
    store(value);
}

KaVariant::KaVariant(long long value) : mValue(0), mType(Signed64), mUserType(0), mOwned(false) { store(value); }

KaVariant::KaVariant(unsigned long long value) : mValue(0), mType(Unsigned64), mUserType(0), mOwned(false)
{
    store(value);
}

KaVariant::KaVariant(float value) : mValue(0), mType(Float32), mUserType(0), mOwned(false) { store(value); }

KaVariant::KaVariant(double value) : mValue(0), mType(Float64), mUserType(0), mOwned(false) { store(value); }

KaVariant::KaVariant(const KaString& value) : mValue(0), mType(String), mUserType(0), mOwned(true)
{
    store(static_cast<KaObject*>(new KaString(value)));
}

KaVariant::KaVariant(const char* value) : mValue(0), mType(String), mUserType(0), mOwned(true)
{
    store(static_cast<KaObject*>(new KaString(value)));
}

KaVariant::KaVariant(const KaVariant& other) : mValue(0), mType(Invalid), mUserType(0), mOwned(false)
{
    copy(other);
}

KaVariant& KaVariant::operator=(const KaVariant& other)
{
    copy(other);
    return *this;
}

KaVariant::~KaVariant() { release(); }

void KaVariant::copy(const KaVariant& other)
{
    // Releasing first would free the very string about to be copied.
    if (&other == this)
        return;
    release();
    mType = other.mType;
    mUserType = other.mUserType;
    mValue = other.mValue;
    mOwned = other.mOwned;
    if (mType == String) {
        // Never share the string object: each variant deletes its own. A
        // cleared string variant has no object to copy.
        const KaObject* source = other.object();
        if (source) {
            store(static_cast<KaObject*>(new KaString(*static_cast<const KaString*>(source))));
            mOwned = true;
        } else {
            mValue = 0;
        }
    }
}

void KaVariant::release()
{
    KaObject* held = object();
    if (mOwned && held)
        delete held;
    mValue = 0;
}

void KaVariant::clear() { release(); }

void KaVariant::create()
{
    mValue = 0;
    mType = Invalid;
    mUserType = 0;
    mOwned = false;
}

KaObject* KaVariant::object() const
{
    if (mType != String && mType != UserObject)
        return nullptr;
    KaObject* pointer;
    std::memcpy(&pointer, &mValue, sizeof pointer);
    return pointer;
}

bool KaVariant::canConvert(ObjectType) const { return false; }

bool KaVariant::convert(ObjectType) { return false; }

bool KaVariant::toBoolean(bool* ok) const { return load<bool>(Boolean, ok); }

int KaVariant::toSigned32(bool* ok) const { return load<int>(Signed32, ok); }

unsigned int KaVariant::toUnsigned32(bool* ok) const { return load<unsigned int>(Unsigned32, ok); }

long long KaVariant::toSigned64(bool* ok) const { return load<long long>(Signed64, ok); }

unsigned long long KaVariant::toUnsigned64(bool* ok) const { return load<unsigned long long>(Unsigned64, ok); }

float KaVariant::toFloat32(bool* ok) const { return load<float>(Float32, ok); }

double KaVariant::toFloat64(bool* ok) const { return load<double>(Float64, ok); }

KaString KaVariant::toString(bool* ok) const
{
    if (ok)
        *ok = mType == String;
    const KaObject* held = object();
    if (mType != String || !held)
        return KaString();
    return KaString(*static_cast<const KaString*>(held));
}

void* KaVariant::data() const
{
    void* word;
    std::memcpy(&word, &mValue, sizeof word);
    return word;
}

const void* KaVariant::constData() const { return data(); }
