#ifndef KA_MAP_H
#define KA_MAP_H

#include <cstdint>

#include "engine/containers/KaList.h"

// Association list: key/value records kept in insertion order in a KaList and
// looked up by a linear scan with K's ==. There is no index, no subscript and
// no removal of one record; a map shrinks only by clear() or destruction.
//
// Keys need not be distinct: pushBack never checks, and find() returns the
// record added first. Callers that want unique keys test with find() first.
//
// Iteration follows KaList: begin() stands on the head sentinel, whose record
// has a default key and a value that means nothing; start from firstElement(),
// or advance begin() once. lastElement() is the record added last.
//
// A record owns copies of its key and value. Pointer values are not owned:
// clearing or destroying the map leaves what they point to alone; an owner
// disposes of its objects itself before clearing.
//
// Iterators should be destroyed before their map. Not thread-safe.
template <class K, class V>
class KaMap {
public:
    class Data {
    public:
        Data() : key(), value() {}
        Data(const K& initialKey, const V& initialValue) : key(initialKey), value(initialValue) {}

        K key;
        V value;
    };

    typedef typename KaList<Data>::KaIterator KaIterator;

    KaMap() = default;
    KaMap(const KaMap& other) : mList(other.mList) {}

    KaMap& operator=(const KaMap& other)
    {
        if (&other != this)
            mList = other.mList;
        return *this;
    }

    virtual ~KaMap() { mList.clear(); }

    void clear() { mList.clear(); }

    void pushBack(const K& key, const V& value) { mList.pushBack(Data(key, value)); }

    // The first record whose key equals key, or end().
    KaIterator find(const K& key) const
    {
        KaIterator it = mList.firstElement();
        KaIterator last = mList.end();
        for (; it != last; ++it) {
            if (it->key == key)
                return it;
        }
        return last;
    }

    // On the head sentinel, before the first record.
    KaIterator begin() const { return mList.begin(); }
    KaIterator end() const { return mList.end(); }
    // Equal to end() on an empty map.
    KaIterator firstElement() const { return mList.firstElement(); }
    // On the head sentinel (like begin()) on an empty map.
    KaIterator lastElement() const { return mList.lastElement(); }

    std::uint64_t count() const { return mList.count(); }
    std::uint64_t size() const { return mList.count(); }
    bool isEmpty() const { return mList.isEmpty(); }

private:
    KaList<Data> mList;
};

#endif
