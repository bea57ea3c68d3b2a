#include "engine/core/KaObject.h"

KaObject::~KaObject() = default;

KaArray<KaObject*>& KaObject::pendingDeleteList()
{
    // Built on first use so that objects queued during static initialisation
    // find it; never destroyed, like the queue it stands for.
    static KaArray<KaObject*>* list = new KaArray<KaObject*>();
    return *list;
}

void KaObject::deleteLater()
{
    KaArray<KaObject*>& list = pendingDeleteList();
    if (list.contains(this))
        return;
    list.pushBack(this);
}

void KaObject::deleteNow()
{
    KaArray<KaObject*>& list = pendingDeleteList();
    while (list.size() != 0) {
        // The object stays at index 0 while its destructor runs, so a
        // deleteLater on it from there is recognised as a repeat.
        KaObject* object = list[0];
        delete object;
        list.removeFastAt(0);
    }
    list.resize(0);
}

unsigned long KaObject::pendingDeleteCount()
{
    return pendingDeleteList().size();
}
