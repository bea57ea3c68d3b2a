#include "engine/core/KaResourceManager.h"

#include <cstring>

#include "engine/core/KaBaseFile.h"
#include "engine/core/KaCore.h"

KaSingleton<KaResourceManager> resourceManager;

KaResourceManager::KaResourceManager() { }

KaResourceManager::~KaResourceManager()
{
    // Taken off the list before it goes, so that the loop ends even when
    // the resource's destructor reaches another manager than this one.
    while (mResources.size() != 0) {
        KaResource* resource = static_cast<const KaArray<KaResource*>&>(mResources)[0];
        mResources.removeAt(0);
        delete resource;
    }
}

void KaResourceManager::addResource(KaResource& resource) { mResources.insert(&resource, 0); }

bool KaResourceManager::exists(const KaPath& name) const
{
    const unsigned long count = mResources.size();
    for (unsigned long i = 0; i < count; ++i) {
        if (sameName(mResources[i]->getAccessName(), name))
            return true;
    }
    return false;
}

void KaResourceManager::removeResource(const KaResource& resource)
{
    const long index = mResources.indexOf(const_cast<KaResource*>(&resource));
    if (index >= 0)
        mResources.removeAt(static_cast<unsigned long>(index));
}

unsigned long KaResourceManager::resourceCount() const { return mResources.size(); }

bool KaResourceManager::resourceFileExists(const KaPath& path)
{
    return KaBaseFile::fileExist(KaBaseFile::localizedPath(path));
}

bool KaResourceManager::sameName(const KaPath& a, const KaPath& b)
{
    const unsigned long length = a.length();
    return length == b.length() && (length == 0 || std::memcmp(a.c_str(), b.c_str(), length) == 0);
}

bool KaResourceManager::mayLoad(const KaPath& path) { return core.get()->flagsOn() || resourceFileExists(path); }
