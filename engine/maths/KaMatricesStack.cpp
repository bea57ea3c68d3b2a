#include "engine/maths/KaMatricesStack.h"

KaMatricesStack::KaMatricesStack() { mMatrices.pushBack(KaMatrix4x4()); }

void KaMatricesStack::pushMatrix()
{
    KaMatrix4x4 copy(mMatrices[mMatrices.size() - 1]);
    mMatrices.pushBack(copy);
}

void KaMatricesStack::popMatrix()
{
    if (mMatrices.size() >= 2)
        mMatrices.removeEnd();
}

void KaMatricesStack::loadIdentity() { top().setIdentity(); }

void KaMatricesStack::loadMatrix(const KaMatrix4x4& matrix) { top() = matrix; }

void KaMatricesStack::multiplyMatrix(const KaMatrix4x4& matrix) { top() = top() * matrix; }

void KaMatricesStack::translate(const KaVector3f32& t) { top().translate(t); }

void KaMatricesStack::scale(const KaVector3f32& s) { top().scale(s); }

void KaMatricesStack::rotate(const KaQuaternion& q) { top().rotate(q); }

void KaMatricesStack::rotate(float angle, const KaVector3f32& axis) { top().rotate(angle, axis); }
