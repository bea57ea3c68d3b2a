#ifndef KA_VECTOR3S32_H
#define KA_VECTOR3S32_H

#include <cstdint>

// Three integers; only ever converted into a KaVector3f32.
class KaVector3s32 {
public:
    KaVector3s32() : x(0), y(0), z(0) {}
    KaVector3s32(int32_t xValue, int32_t yValue, int32_t zValue) : x(xValue), y(yValue), z(zValue) {}

    int32_t x;
    int32_t y;
    int32_t z;
};

#endif
