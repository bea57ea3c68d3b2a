#include "engine/scene/KaModelVertexAnimation.h"

#include <cmath>
#include <cstring>

#include "engine/base/KaStd.h"
#include "engine/core/KaFile.h"
#include "engine/core/KaStream.h"
#include "engine/scene/KaModel.h"
#include "engine/scene/KaModelAnimation.h"

namespace {

const unsigned long mVertexBytes = 12;
const unsigned long mMatrixBytes = 64;

bool readFloats(KaStream& stream, float* values, unsigned long count)
{
    for (unsigned long i = 0; i < count; ++i) {
        if (stream.read(values[i]) != sizeof(float))
            return false;
    }
    return true;
}

} // namespace

KaModelVertexAnimation::KaModelVertexAnimation()
    : mKeys()
    , mModel()
    , mName()
    , mTime(0.0)
    , mRotation(KaQuaternion::fromAxisAndAngle(KaVector3f32(0.0f, 1.0f, 0.0f), -1.5707964f))
    , mLinkedAnimation()
{
}

KaModelVertexAnimation::~KaModelVertexAnimation() { }

KaArray<KaVector3f32>& KaModelVertexAnimation::sharedVertices()
{
    static KaArray<KaVector3f32>* vertices = new KaArray<KaVector3f32>();
    return *vertices;
}

bool KaModelVertexAnimation::load(const KaPath& path)
{
    KaFile file(path, KaFileSystem::Read);
    if (!file.isOpened()) {
        KaPrintf("[KaModelVertexAnimation::load] File not found : %s\n", path.c_str());
        return false;
    }
    if (!load(static_cast<KaStream&>(file)))
        return false;
    setAccessName(path);
    return true;
}

bool KaModelVertexAnimation::load(KaStream& stream)
{
    const KaStream::Mode mode = stream.mode();
    stream.setMode(KaStream::Binary);
    const bool loaded = read(stream);
    stream.setMode(mode);
    // A file refused halfway leaves no partial keys behind.
    if (!loaded)
        destroy();
    return loaded;
}

bool KaModelVertexAnimation::read(KaStream& stream)
{
    destroy();
    if (!stream.readTag("KAVA")) {
        KaPrintf("[KaModelVertexAnimation::load] Unknown format.\n");
        return false;
    }
    unsigned int version = 0;
    if (stream.read(version) != sizeof(version) || (version != mVersion && version != mVersionWithMatrices)) {
        KaPrintf("[KaModelVertexAnimation::load] Unsupported version.\n");
        return false;
    }
    if (!stream.readTag("HEAD")) {
        KaPrintf("[KaModelVertexAnimation::load] Expected HEAD not found.\n");
        return false;
    }
    unsigned int nameLength = 0;
    if (stream.read(nameLength) != sizeof(nameLength) || nameLength > stream.remainingBytes())
        return false;
    KaString name;
    if (nameLength != 0) {
        KaArray<char> bytes;
        bytes.resize(nameLength);
        if (stream.readFully(bytes.data(), nameLength) != nameLength)
            return false;
        name = KaString(bytes.constData(), nameLength);
    }
    unsigned int vertexCount = 0;
    unsigned int keyCount = 0;
    if (stream.read(vertexCount) != sizeof(vertexCount) || stream.read(keyCount) != sizeof(keyCount))
        return false;
    // "TIME", the times, "DATA" and every key's vertices must fit in what is
    // left before anything is allocated.
    const unsigned long perVertex = version == mVersionWithMatrices ? mVertexBytes + mMatrixBytes : mVertexBytes;
    const unsigned long left = stream.remainingBytes();
    const unsigned long long perKey = 4ull + static_cast<unsigned long long>(vertexCount) * perVertex;
    if (left < 8 || static_cast<unsigned long long>(keyCount) > (left - 8) / perKey) {
        KaPrintf("[KaModelVertexAnimation::load] Corrupt file.\n");
        return false;
    }
    mName = name;
    mKeys.resize(keyCount);

    if (!stream.readTag("TIME")) {
        KaPrintf("[KaModelVertexAnimation::load] Expected TIME not found.\n");
        return false;
    }
    for (unsigned int k = 0; k < keyCount; ++k) {
        float time = 0.0f;
        if (stream.read(time) != sizeof(time))
            return false;
        if (!std::isfinite(time)) {
            KaPrintf("[KaModelVertexAnimation::load] Corrupt file.\n");
            return false;
        }
        mKeys[k].time = time;
    }
    if (!stream.readTag("DATA")) {
        KaPrintf("[KaModelVertexAnimation::load] Expected DATA not found.\n");
        return false;
    }
    for (unsigned int k = 0; k < keyCount; ++k) {
        key& current = mKeys[k];
        current.vertices.resize(vertexCount);
        if (version == mVersionWithMatrices)
            current.matrices.resize(vertexCount);
        for (unsigned int v = 0; v < vertexCount; ++v) {
            float position[3];
            if (!readFloats(stream, position, 3))
                return false;
            current.vertices[v] = KaVector3f32(position[0], position[1], position[2]);
            if (version == mVersionWithMatrices) {
                float values[16];
                if (!readFloats(stream, values, 16))
                    return false;
                current.matrices[v] = KaMatrix4x4(values);
            }
        }
    }
    return true;
}

bool KaModelVertexAnimation::save(KaStream& stream) const
{
    const KaStream::Mode mode = stream.mode();
    stream.setMode(KaStream::Binary);
    const unsigned int keyCount = static_cast<unsigned int>(mKeys.size());
    const unsigned int vertexCount = keyCount != 0 ? static_cast<unsigned int>(mKeys[0].vertices.size()) : 0;
    bool ok = stream.writeData("KAVA", 4) == 4;
    ok = stream.write(mVersion) == 4 && ok;
    ok = stream.writeData("HEAD", 4) == 4 && ok;
    ok = KaString::serialize(stream, mName) && ok;
    ok = stream.write(vertexCount) == 4 && ok;
    ok = stream.write(keyCount) == 4 && ok;
    ok = stream.writeData("TIME", 4) == 4 && ok;
    for (unsigned int k = 0; k < keyCount; ++k)
        ok = stream.write(mKeys[k].time) == 4 && ok;
    ok = stream.writeData("DATA", 4) == 4 && ok;
    for (unsigned int k = 0; k < keyCount; ++k) {
        for (unsigned int v = 0; v < vertexCount; ++v) {
            const KaVector3f32 vertex = getKeyVertex(k, v);
            ok = stream.write(vertex.x) == 4 && stream.write(vertex.y) == 4 && stream.write(vertex.z) == 4 && ok;
        }
    }
    stream.setMode(mode);
    return ok;
}

void KaModelVertexAnimation::bind(KaIntrusivePtr<KaModel> model)
{
    mModel = model;
    mTime = 0.0;
}

void KaModelVertexAnimation::setLinkedAnimation(const KaIntrusivePtr<KaModelAnimation>& animation)
{
    mLinkedAnimation = animation;
}

float KaModelVertexAnimation::position(double milliseconds) const
{
    if (mKeys.size() == 0)
        return 0.0f;
    const float last = mKeys[mKeys.size() - 1].time;
    // A single key, or keys that all sit at 0, leave nothing to wrap on.
    if (!(last > 0.0f))
        return 0.0f;
    const float frames = static_cast<float>(milliseconds / 1000.0) * mFramesPerSecond;
    const float p = std::fmod(frames, last);
    return std::isfinite(p) ? p : 0.0f;
}

void KaModelVertexAnimation::update(double milliseconds)
{
    if (mKeys.size() == 0)
        return;
    const float old = position(mTime);
    double t = milliseconds;
    if (mLinkedAnimation)
        t = static_cast<double>(mLinkedAnimation->calcCurrentFrame(milliseconds)) * 1000.0 / 30.0;
    mTime = t;
    if (old > position(t))
        onFinished.call();
}

KaVector3f32 KaModelVertexAnimation::getKeyVertex(unsigned long keyIndex, unsigned int vertex) const
{
    if (keyIndex >= mKeys.size() || vertex >= mKeys[keyIndex].vertices.size())
        return KaVector3f32(0.0f, 0.0f, 0.0f);
    const key& k = mKeys[keyIndex];
    KaVector3f32 result = k.vertices[vertex];
    if (mKeys[0].matrices.size() != 0 && vertex < k.matrices.size()) {
        result = k.matrices[vertex] * result;
        result.rotate(mRotation);
    }
    return result;
}

const KaArray<KaVector3f32>& KaModelVertexAnimation::getVertices() const
{
    KaArray<KaVector3f32>& result = sharedVertices();
    const unsigned long keyCount = mKeys.size();
    if (keyCount == 0) {
        result.clear();
        return result;
    }
    const float p = position(mTime);
    unsigned long b = 0;
    while (b < keyCount - 1 && !(mKeys[b].time > p))
        ++b;
    // The first key is expected at 0; before it (or with one key) the
    // interpolation has no earlier key and stays on key b.
    const unsigned long a = b > 0 ? b - 1 : 0;
    const float span = mKeys[b].time - mKeys[a].time;
    float w = span != 0.0f ? (p - mKeys[a].time) / span : 0.0f;
    if (!std::isfinite(w))
        w = 0.0f;
    const unsigned int count = static_cast<unsigned int>(mKeys[0].vertices.size());
    result.resize(count);
    KaVector3f32* out = count != 0 ? result.data() : nullptr;
    for (unsigned int j = 0; j < count; ++j)
        out[j] = getKeyVertex(a, j) * (1.0f - w) + getKeyVertex(b, j) * w;
    return result;
}

void KaModelVertexAnimation::destroy() { mKeys.clear(); }
