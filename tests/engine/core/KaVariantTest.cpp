#include "engine/core/KaVariant.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/containers/KaArray.h"
#include "engine/core/KaObject.h"

namespace {

// Counts live instances, so a test sees whether a variant deleted an object.
class KaCountedObject : public KaObject {
public:
    KaCountedObject() { ++sAlive; }
    ~KaCountedObject() override { --sAlive; }
    static int sAlive;
};
int KaCountedObject::sAlive = 0;

std::string textOf(const KaString& text) { return std::string(text.c_str(), text.length()); }

// What every reader answers for one variant: "-" where the reader refuses
// (zero value, ok false), the value otherwise.
std::vector<std::string> readings(const KaVariant& v)
{
    std::vector<std::string> out;
    bool ok = true;
    bool b = v.toBoolean(&ok);
    out.push_back(ok ? (b ? "true" : "false") : (b ? "?" : "-"));
    int s32 = v.toSigned32(&ok);
    out.push_back(ok ? std::to_string(s32) : (s32 ? "?" : "-"));
    unsigned int u32 = v.toUnsigned32(&ok);
    out.push_back(ok ? std::to_string(u32) : (u32 ? "?" : "-"));
    long long s64 = v.toSigned64(&ok);
    out.push_back(ok ? std::to_string(s64) : (s64 ? "?" : "-"));
    unsigned long long u64 = v.toUnsigned64(&ok);
    out.push_back(ok ? std::to_string(u64) : (u64 ? "?" : "-"));
    float f32 = v.toFloat32(&ok);
    out.push_back(ok ? std::to_string(f32) : (f32 != 0.0f ? "?" : "-"));
    double f64 = v.toFloat64(&ok);
    out.push_back(ok ? std::to_string(f64) : (f64 != 0.0 ? "?" : "-"));
    KaString s = v.toString(&ok);
    out.push_back(ok ? "'" + textOf(s) + "'" : (s.length() ? "?" : "-"));
    return out;
}

} // namespace

TEST(KaVariant, EachTypeReadsBackOnlyAsItself)
{
    struct Case {
        const char* name;
        KaVariant variant;
        KaVariant::ObjectType type;
        std::vector<std::string> readings;
    };
    const std::vector<Case> cases = {
        {"invalid", KaVariant(), KaVariant::Invalid, {"-", "-", "-", "-", "-", "-", "-", "-"}},
        {"bool", KaVariant(true), KaVariant::Boolean, {"true", "-", "-", "-", "-", "-", "-", "-"}},
        {"int", KaVariant(-7), KaVariant::Signed32, {"-", "-7", "-", "-", "-", "-", "-", "-"}},
        {"uint", KaVariant(4000000000u), KaVariant::Unsigned32,
         {"-", "-", "4000000000", "-", "-", "-", "-", "-"}},
        {"llong", KaVariant(-5000000000ll), KaVariant::Signed64,
         {"-", "-", "-", "-5000000000", "-", "-", "-", "-"}},
        {"ullong", KaVariant(18000000000000000000ull), KaVariant::Unsigned64,
         {"-", "-", "-", "-", "18000000000000000000", "-", "-", "-"}},
        {"float", KaVariant(2.5f), KaVariant::Float32, {"-", "-", "-", "-", "-", "2.500000", "-", "-"}},
        {"double", KaVariant(-0.25), KaVariant::Float64, {"-", "-", "-", "-", "-", "-", "-0.250000", "-"}},
        {"string", KaVariant(KaString("hi")), KaVariant::String, {"-", "-", "-", "-", "-", "-", "-", "'hi'"}},
        {"literal", KaVariant("lit"), KaVariant::String, {"-", "-", "-", "-", "-", "-", "-", "'lit'"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.variant.type(), c.type);
        EXPECT_EQ(readings(c.variant), c.readings);
        for (int tag : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 127})
            EXPECT_FALSE(c.variant.canConvert(static_cast<KaVariant::ObjectType>(tag))) << tag;
    }
}

TEST(KaVariant, ReadersAcceptANullOkPointer)
{
    KaVariant v(3);
    EXPECT_EQ(v.toSigned32(), 3);
    EXPECT_EQ(v.toUnsigned32(), 0u);
    EXPECT_EQ(v.toString().length(), 0u);
    KaVariant copyOfV(v);
    EXPECT_FALSE(copyOfV.convert(KaVariant::Float64));
    EXPECT_EQ(copyOfV.type(), KaVariant::Signed32);
}

TEST(KaVariant, ValidityAndNullness)
{
    struct Case {
        const char* name;
        KaVariant variant;
        bool valid;
        bool null;
    };
    const std::vector<Case> cases = {
        {"default", KaVariant(), false, true},
        {"int 0", KaVariant(0), true, true},
        {"false", KaVariant(false), true, true},
        {"+0.0", KaVariant(0.0), true, true},
        {"-0.0", KaVariant(-0.0), true, false},
        {"float +0", KaVariant(0.0f), true, true},
        {"int 1", KaVariant(1), true, false},
        {"empty string", KaVariant(KaString("")), true, false},
        {"null user object", KaVariant(5, nullptr), true, true},
        {"tag only", KaVariant(KaVariant::Float64), true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.variant.isValid(), c.valid);
        EXPECT_EQ(c.variant.isNull(), c.null);
    }
}

// Only the value's own bytes are set: the rest of the word stays zero, so
// data() of a small value is the value itself.
TEST(KaVariant, DataIsTheStoredValueWord)
{
    unsigned long long word;
    void* data = KaVariant(true).data();
    std::memcpy(&word, &data, sizeof word);
    EXPECT_EQ(word, 1u);
    data = KaVariant(-1).data();
    std::memcpy(&word, &data, sizeof word);
    EXPECT_EQ(word, 0xFFFFFFFFull);
    data = KaVariant(1.0f).data();
    std::memcpy(&word, &data, sizeof word);
    EXPECT_EQ(word, 0x3F800000ull);
}

TEST(KaVariant, UserObjectIsPointedAtAndNeverDeleted)
{
    KaCountedObject::sAlive = 0;
    KaCountedObject* object = new KaCountedObject();
    {
        KaVariant v(42, object);
        EXPECT_EQ(v.type(), KaVariant::UserObject);
        EXPECT_EQ(v.userType(), 42);
        EXPECT_EQ(v.data(), object);
        EXPECT_EQ(v.constData(), object);
        KaVariant copyOfV(v);
        EXPECT_EQ(copyOfV.data(), object);
        EXPECT_EQ(copyOfV.userType(), 42);
        v.clear();
        EXPECT_EQ(v.type(), KaVariant::UserObject);
        EXPECT_EQ(v.data(), nullptr);
    }
    EXPECT_EQ(KaCountedObject::sAlive, 1);
    delete object;
}

TEST(KaVariant, EveryCopyOwnsItsOwnStringObject)
{
    KaVariant* first = new KaVariant(KaString("shared bytes"));
    KaVariant second(*first);
    KaVariant third;
    third = *first;
    EXPECT_NE(second.data(), first->data());
    EXPECT_NE(third.data(), first->data());
    EXPECT_NE(third.data(), second.data());
    delete first;
    EXPECT_EQ(textOf(second.toString()), "shared bytes");
    EXPECT_EQ(textOf(third.toString()), "shared bytes");
}

TEST(KaVariant, StringVariantKeepsItsTextWhenTheSourceChanges)
{
    KaString source("before");
    KaVariant v(source);
    source += " and after";
    EXPECT_EQ(textOf(v.toString()), "before");
}

TEST(KaVariant, AssignmentReleasesTheOldString)
{
    // Leak detection runs under the sanitiser build: an old string that is
    // not deleted shows up there.
    KaVariant v(KaString("one"));
    v = KaVariant(KaString("two"));
    EXPECT_EQ(textOf(v.toString()), "two");
    v = KaVariant(3);
    EXPECT_EQ(v.type(), KaVariant::Signed32);
    EXPECT_EQ(v.toSigned32(), 3);
    v.copy(KaVariant(KaString("three")));
    EXPECT_EQ(textOf(v.toString()), "three");
}

TEST(KaVariant, SelfAssignmentKeepsTheValue)
{
    KaVariant text(KaString("self"));
    KaVariant& alias = text;
    text = alias;
    EXPECT_EQ(text.type(), KaVariant::String);
    EXPECT_EQ(textOf(text.toString()), "self");
    text.copy(alias);
    EXPECT_EQ(textOf(text.toString()), "self");

    KaVariant number(9ll);
    KaVariant& numberAlias = number;
    number = numberAlias;
    EXPECT_EQ(number.toSigned64(), 9);
}

TEST(KaVariant, ClearedStringVariantReadsAndCopiesAsEmpty)
{
    KaVariant v(KaString("gone"));
    v.clear();
    EXPECT_EQ(v.type(), KaVariant::String);
    EXPECT_TRUE(v.isNull());
    bool ok = false;
    EXPECT_EQ(v.toString(&ok).length(), 0u);
    EXPECT_TRUE(ok);

    KaVariant copyOfV(v);
    EXPECT_EQ(copyOfV.type(), KaVariant::String);
    EXPECT_TRUE(copyOfV.isNull());
    EXPECT_EQ(copyOfV.toString().length(), 0u);

    KaVariant assigned(1);
    assigned = v;
    EXPECT_TRUE(assigned.isNull());
    v.clear();
}

TEST(KaVariant, TagOnlyStringVariantCopiesWithoutAString)
{
    KaVariant tagOnly(KaVariant::String);
    KaVariant copyOfTag(tagOnly);
    EXPECT_EQ(copyOfTag.type(), KaVariant::String);
    EXPECT_TRUE(copyOfTag.isNull());
    EXPECT_EQ(copyOfTag.toString().length(), 0u);
}

TEST(KaVariant, CreateForgetsWithoutReleasing)
{
    KaVariant original(KaString("moved"));
    // Move the bytes by hand, as an array relocation does, then make the
    // source forget what it held.
    alignas(KaVariant) unsigned char storage[sizeof(KaVariant)];
    std::memcpy(storage, static_cast<void*>(&original), sizeof(KaVariant));
    original.create();
    EXPECT_FALSE(original.isValid());
    EXPECT_TRUE(original.isNull());
    EXPECT_EQ(original.userType(), 0);

    KaVariant* moved = reinterpret_cast<KaVariant*>(storage);
    EXPECT_EQ(textOf(moved->toString()), "moved");
    moved->~KaVariant();
}

TEST(KaVariant, VariantsSurviveArrayRelocation)
{
    KaArray<KaVariant> values;
    for (int k = 0; k < 50; ++k) {
        if (k % 2)
            values.pushBack(KaVariant(k));
        else
            values.pushBack(KaVariant(KaString(std::to_string(k).c_str())));
    }
    values.insert(KaVariant(KaString("front")), 0);
    values.removeAt(10);
    ASSERT_EQ(values.size(), 50u);
    EXPECT_EQ(textOf(values[0].toString()), "front");
    EXPECT_EQ(textOf(values[1].toString()), "0");
    EXPECT_EQ(values[2].toSigned32(), 1);
    EXPECT_EQ(values[9].toSigned32(), 0); // "8", a string
    EXPECT_EQ(textOf(values[9].toString()), "8");
    EXPECT_EQ(textOf(values[10].toString()), "10");
    EXPECT_EQ(values[11].toSigned32(), 11);
    EXPECT_EQ(values[49].toSigned32(), 49);
}
