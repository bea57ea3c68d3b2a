#ifndef KA_OBJECT_H
#define KA_OBJECT_H

#include "engine/containers/KaArray.h"

// Root of deletable engine objects. Objects that may still be referenced
// during the current frame are handed to deleteLater(); the frame loop calls
// deleteNow() as its last step, which destroys them all.
class KaObject {
public:
    KaObject() = default;
    KaObject(const KaObject&) = default;
    KaObject& operator=(const KaObject&) = default;
    virtual ~KaObject();

    // Queues this object for destruction at the end of the frame. Queuing an
    // object that is already queued (or being destroyed by deleteNow) does
    // nothing: an intrusive pointer whose deleter is deleteLater can queue
    // the same object twice without any caller error.
    void deleteLater();

    // Destroys every queued object: the first one queued, then repeatedly the
    // one last in the queue. Objects queued by those destructors go too.
    static void deleteNow();

    static unsigned long pendingDeleteCount();

private:
    static KaArray<KaObject*>& pendingDeleteList();
};

#endif
