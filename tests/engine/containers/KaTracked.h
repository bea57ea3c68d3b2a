#ifndef KA_TRACKED_H
#define KA_TRACKED_H

#include <string>
#include <vector>

#include "engine/containers/KaIsRelocatable.h"

// Element type that records what the containers do to it.
struct KaTracked {
    static int constructions; // default + value + copy
    static int copies;
    static int assignments;
    static int destructions;
    static std::vector<int> destroyed; // values, in order of destruction
    static void reset()
    {
        constructions = copies = assignments = destructions = 0;
        destroyed.clear();
    }
    static int alive() { return constructions - destructions; }

    int value;
    KaTracked() : value(-1) { ++constructions; }
    KaTracked(int v) : value(v) { ++constructions; }
    KaTracked(const KaTracked& other) : value(other.value)
    {
        ++constructions;
        ++copies;
    }
    KaTracked& operator=(const KaTracked& other)
    {
        value = other.value;
        ++assignments;
        return *this;
    }
    ~KaTracked()
    {
        ++destructions;
        destroyed.push_back(value);
    }
    bool operator==(const KaTracked& other) const { return value == other.value; }
};

KA_RELOCATABLE(KaTracked);

#endif
