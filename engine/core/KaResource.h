#ifndef KA_RESOURCE_H
#define KA_RESOURCE_H

#include <cstdint>

#include "engine/base/KaReferencesCounter.h"
#include "engine/core/KaObject.h"
#include "engine/core/KaPath.h"

// A shared, reference-counted piece of loaded content (image, texture, font,
// palette, music...) known by its access name, normally the path it was
// loaded from. KaResourceManager lists the live ones so that a second request
// for the same name shares the first object.
//
// A resource carries its own count: hold it through KaIntrusivePtr, which
// deletes it when the last reference goes; its destructor takes it off the
// manager's list, which holds its address. Main thread only.
class KaResource : public KaReferencesCounter, public virtual KaObject {
public:
    // Uncounted, with a fresh default access name.
    KaResource();
    // A copy is a different resource: it gets its own default access name.
    KaResource(const KaResource& other);
    KaResource& operator=(const KaResource&) = delete;
    ~KaResource() override;

    // Reads the content and, when it succeeds, names the resource after the
    // path, so that the manager finds it again by that path.
    virtual bool load(const KaPath& path) = 0;

    // Gives the resource the next default name: a run-wide counter written
    // as 16 upper-case hexadecimal digits ("0000000000000000", then
    // "0000000000000001", ...).
    void generateAccessName();
    void setAccessName(const KaPath& name);
    const KaPath& getAccessName() const;

private:
    KaPath mAccessName;

    static uint64_t mIdCounter;
};

#endif
