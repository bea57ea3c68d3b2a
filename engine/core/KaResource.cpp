#include "engine/core/KaResource.h"

#include "engine/core/KaResourceManager.h"

uint64_t KaResource::mIdCounter = 0;

KaResource::KaResource()
    : KaObject()
    , KaReferencesCounter()
{
    generateAccessName();
}

KaResource::KaResource(const KaResource& other)
    : KaObject(other)
    , KaReferencesCounter(other)
{
    generateAccessName();
}

KaResource::~KaResource() { resourceManager.get()->removeResource(*this); }

void KaResource::generateAccessName()
{
    static const char digits[] = "0123456789ABCDEF";
    char name[17];
    uint64_t value = mIdCounter;
    for (int i = 15; i >= 0; --i) {
        name[i] = digits[value & 0xF];
        value >>= 4;
    }
    name[16] = '\0';
    mAccessName = name;
    ++mIdCounter;
}

void KaResource::setAccessName(const KaPath& name) { mAccessName = name; }

const KaPath& KaResource::getAccessName() const { return mAccessName; }
