#ifndef KA_MATRICES_STACK_H
#define KA_MATRICES_STACK_H

#include "engine/containers/KaArray.h"
#include "engine/maths/KaMatrix4x4.h"

// The renderer's stack for one matrix mode, with the fixed-function
// pipeline's push, pop, load and multiply. Never empty: it starts with one
// identity and popping the last matrix does nothing. No depth limit.
class KaMatricesStack {
public:
    KaMatricesStack();

    bool isEmpty() const { return mMatrices.isEmpty(); }
    unsigned long size() const { return mMatrices.size(); }
    const KaMatrix4x4& currentMatrix() const { return mMatrices[mMatrices.size() - 1]; }

    // Pushes a copy of the top.
    void pushMatrix();
    void popMatrix();

    void loadIdentity();
    void loadMatrix(const KaMatrix4x4& matrix);
    // top = top * matrix, and likewise below: each operation post-multiplies.
    void multiplyMatrix(const KaMatrix4x4& matrix);
    void translate(const KaVector3f32& t);
    void scale(const KaVector3f32& s);
    void rotate(const KaQuaternion& q);
    void rotate(float angle, const KaVector3f32& axis);

private:
    KaMatrix4x4& top() { return mMatrices[mMatrices.size() - 1]; }

    KaArray<KaMatrix4x4> mMatrices;
};

#endif
