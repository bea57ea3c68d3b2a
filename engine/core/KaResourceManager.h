#ifndef KA_RESOURCE_MANAGER_H
#define KA_RESOURCE_MANAGER_H

#include "engine/containers/KaArray.h"
#include "engine/containers/KaIntrusivePtr.h"
#include "engine/containers/KaSingleton.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaResource.h"

// The list of live resources, newest first, reached through the holder
// `resourceManager`. It holds plain pointers and no reference: a resource is
// kept alive by the KaIntrusivePtr of its users only, and leaves the list
// when it is destroyed.
//
// getResource<T>(path) shares: it returns the listed resource of class T
// whose access name is the path (or lookupName<T>(path)), and only when
// there is none creates a T, loads it from the path and lists it.
// Resources of different classes never stand in for each other, even under
// the same name.
//
// Lookups are linear scans; the list holds tens to hundreds of entries.
// Main thread only.
class KaResourceManager {
public:
    KaResourceManager();
    KaResourceManager(const KaResourceManager&) = delete;
    KaResourceManager& operator=(const KaResourceManager&) = delete;
    // Destroys every resource still listed, whatever its count: only for the
    // end of the program.
    virtual ~KaResourceManager();

    // Puts the resource at the front of the list; no test for duplicates.
    void addResource(KaResource& resource);
    // True when a listed resource, of any class, has this access name.
    bool exists(const KaPath& name) const;
    // Takes this very object off the list; nothing when it is not listed.
    void removeResource(const KaResource& resource);
    unsigned long resourceCount() const;

    // The listed resource of class T (or derived from it) named path, with
    // its count raised. Otherwise:
    // - while the core's flags-on switch is off, the file must exist at the
    //   path, or in the current language's folder beside it, or in the "en"
    //   folder beside it ("dir/name" -> "dir/fr/name", "name" ->
    //   "fr/name"); when it is in none, the result is null, silently;
    // - a new T loads the path that was asked for (its own lookup finds the
    //   variant). When the load succeeds it is listed; when it fails it is
    //   still returned, non-null, for the caller to hold, but not listed, so
    //   the next request for the path tries again.
    //
    // A class that lists its resources under another name than the path
    // they were loaded from (a texture is its image's path plus ".3dtex")
    // declares static KaPath accessNameForPath(const KaPath&): the lookup
    // then uses that name, so a loaded resource is found again by the path.
    template <class T> KaIntrusivePtr<T> getResource(const KaPath& path)
    {
        T* listed = findResource<T>(lookupName<T>(path));
        if (listed)
            return KaIntrusivePtr<T>(listed);
        if (!mayLoad(path))
            return KaIntrusivePtr<T>();
        T* created = new T();
        KaIntrusivePtr<T> result(created);
        if (created->load(path))
            addResource(*created);
        return result;
    }

    // The first listed resource of class T named name, or null; the count is
    // not touched.
    template <class T> T* findResource(const KaPath& name) const
    {
        const unsigned long count = mResources.size();
        for (unsigned long i = 0; i < count; ++i) {
            KaResource* resource = mResources[i];
            if (!sameName(resource->getAccessName(), name))
                continue;
            T* typed = dynamic_cast<T*>(resource);
            if (typed)
                return typed;
        }
        return nullptr;
    }

    // The file test of getResource: the file KaBaseFile::localizedPath
    // picks exists.
    static bool resourceFileExists(const KaPath& path);

    // The name getResource<T>(path) looks for.
    template <class T> static KaPath lookupName(const KaPath& path) { return lookupNameOf<T>(path, 0); }

private:
    template <class T> static auto lookupNameOf(const KaPath& path, int) -> decltype(KaPath(T::accessNameForPath(path)))
    {
        return T::accessNameForPath(path);
    }
    template <class T> static KaPath lookupNameOf(const KaPath& path, long) { return path; }

    // Byte-wise: names may hold bytes that a C-string comparison would stop at.
    static bool sameName(const KaPath& a, const KaPath& b);
    static bool mayLoad(const KaPath& path);

    KaArray<KaResource*> mResources;
};

extern KaSingleton<KaResourceManager> resourceManager;

#endif
