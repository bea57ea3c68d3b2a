#include <gtest/gtest.h>

#include <string>

#include "engine/base/KaReferencesCounter.h"
#include "engine/containers/KaArray.h"
#include "engine/containers/KaIntrusivePtr.h"
#include "engine/containers/KaIsRelocatable.h"
#include "engine/containers/KaList.h"
#include "engine/containers/KaMap.h"
#include "engine/containers/KaSmartPointer.h"
#include "engine/core/KaFileInfo.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaString.h"
#include "engine/core/KaVariant.h"

namespace {

struct Plain {
    int a;
    float b;
    const char* c;
};

struct Counted : public KaReferencesCounter {
    virtual ~Counted() = default;
};

// Not trivially copyable and not declared: refused.
struct Undeclared {
    Undeclared() = default;
    Undeclared(const Undeclared&) {}
};

// The same shape, declared.
struct Declared {
    Declared() = default;
    Declared(const Declared&) {}
};

} // namespace

KA_RELOCATABLE(Declared);

// Plain data qualifies by itself.
static_assert(KaIsRelocatable<int>::value, "");
static_assert(KaIsRelocatable<const char*>::value, "");
static_assert(KaIsRelocatable<Plain>::value, "");
static_assert(KaIsRelocatable<KaList<int>*>::value, "a pointer to anything moves");

// The engine's own value types say so themselves, templates for every argument.
static_assert(KaIsRelocatable<KaString>::value, "");
static_assert(KaIsRelocatable<KaPath>::value, "");
static_assert(KaIsRelocatable<KaVariant>::value, "");
static_assert(KaIsRelocatable<KaFileInfo>::value, "");
static_assert(KaIsRelocatable<KaSmartPointer<Counted> >::value, "");
static_assert(KaIsRelocatable<KaIntrusivePtr<Counted> >::value, "");
static_assert(KaIsRelocatable<KaArray<int> >::value, "");
static_assert(KaIsRelocatable<KaArray<KaArray<KaString> > >::value, "");
static_assert(KaIsRelocatable<Declared>::value, "");

// Types that hold their own address or are registered by it do not.
static_assert(!KaIsRelocatable<Undeclared>::value, "");
static_assert(!KaIsRelocatable<KaList<int> >::value, "");
static_assert(!KaIsRelocatable<KaList<int>::KaIterator>::value, "");
static_assert(!KaIsRelocatable<KaMap<int, int> >::value, "");
static_assert(!KaIsRelocatable<std::string>::value, "");

// Counted handles moved by every reallocation of their array keep their
// counts: nothing is copied, nothing released on the way.
TEST(KaIsRelocatable, CountedHandlesSurviveTheirArrayGrowing)
{
    Counted* object = new Counted();
    {
        KaSmartPointer<Counted> one(object);
        KaArray<KaSmartPointer<Counted> > handles;
        for (int i = 0; i < 100; ++i)
            handles.pushBack(one);
        handles.insert(one, 0);
        handles.removeAt(50);
        handles.removeFastAt(3);
        EXPECT_EQ(handles.size(), 99u);
        EXPECT_EQ(object->counter(), 100u);
        handles.shrink();
        EXPECT_EQ(object->counter(), 100u);
    }

    KaArray<KaString> texts;
    const KaString word("relocated");
    for (int i = 0; i < 50; ++i)
        texts.pushBack(word);
    texts.insert(KaString("first"), 0);
    EXPECT_EQ(texts[0], "first");
    EXPECT_EQ(texts[50], "relocated");
}
