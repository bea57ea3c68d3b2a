#include "engine/scene/KaModelAnimation.h"

#include <cmath>
#include <cstring>

#include "engine/base/KaStd.h"
#include "engine/core/KaFile.h"
#include "engine/core/KaStream.h"
#include "engine/core/KaZLibStream.h"
#include "engine/graphics/KaMaterial.h"
#include "engine/scene/KaModel.h"

namespace {

const int mNoFirstLimit = -1;
const int mNoLastLimit = 2147483647;

// Bytes of the smallest bone record: "BONE", an empty name, "BTRA" and "BROT"
// with their counts.
const unsigned long mSmallestBone = 4 + 4 + 4 + 4 + 4 + 4;
const unsigned long mTranslationKeyBytes = 16;
// A table holds about one key per row: the rows all its tracks may add are
// the keys read so far plus this many, so that a few keys cannot ask for
// millions of rows however much the wrapper inflates to.
const unsigned long mTableRowSlack = 1024;
// The highest frame of a table: over 36 minutes at 30 frames a second.
const double mMaxTableFrame = 65535.0;
const unsigned long mRotationKeyBytes = 20;

bool writeTag(KaStream& stream, const char* tag) { return stream.writeData(tag, 4) == 4; }

bool readU32(KaStream& stream, unsigned int& value) { return stream.read(value) == sizeof(value); }

bool readFloat(KaStream& stream, float& value) { return stream.read(value) == sizeof(value); }

bool readVector(KaStream& stream, KaVector3f32& v)
{
    return readFloat(stream, v.x) && readFloat(stream, v.y) && readFloat(stream, v.z);
}

bool readQuaternion(KaStream& stream, KaQuaternion& q)
{
    return readFloat(stream, q.x) && readFloat(stream, q.y) && readFloat(stream, q.z) && readFloat(stream, q.w);
}

bool writeVector(KaStream& stream, const KaVector3f32& v)
{
    return stream.write(v.x) == 4 && stream.write(v.y) == 4 && stream.write(v.z) == 4;
}

bool writeQuaternion(KaStream& stream, const KaQuaternion& q)
{
    return stream.write(q.x) == 4 && stream.write(q.y) == 4 && stream.write(q.z) == 4 && stream.write(q.w) == 4;
}

// A string padded to a multiple of 4 of the stream position.
bool readPaddedString(KaStream& stream, KaString& text)
{
    unsigned int length = 0;
    if (!readU32(stream, length) || length > stream.remainingBytes())
        return false;
    KaArray<char> bytes;
    if (length != 0) {
        bytes.resize(length);
        if (stream.readFully(bytes.data(), length) != length)
            return false;
        text = KaString(bytes.constData(), length);
    } else {
        text = KaString();
    }
    return KaMaterial::loadAlign(stream);
}

bool writePaddedString(KaStream& stream, const KaString& text)
{
    bool ok = KaString::serialize(stream, text);
    return KaMaterial::saveAlign(stream) && ok;
}

} // namespace

KaModelAnimation::KaModelAnimation()
    : mFrameComputed(false)
    , mModel()
    , mName()
    , mCurrentFrame(0)
    , mLoopCount(0)
    , mFrameRate(0.0f)
    , mKeyed(0)
    , mFrameCount(0)
    , mPreviousFrame(0)
    , mLooped(false)
    , mFirstFrameLimit(mNoFirstLimit)
    , mLastFrameLimit(mNoLastLimit)
    , mLoopsSeen(0)
{
}

KaModelAnimation::~KaModelAnimation() { }

bool KaModelAnimation::load(const KaPath& path)
{
    KaFile file(path, KaFileSystem::Read);
    if (!file.isOpened()) {
        KaPrintf("[KaModel::loadAnimation] File not found : %s\n", path.c_str());
        return false;
    }
    file.setMode(KaStream::Binary);
    bool loaded = false;
    if (file.readTag("KAZ0")) {
        KaZLibStream inflated;
        loaded = inflated.open(file) && load(inflated);
    } else {
        loaded = file.seek(0) && load(static_cast<KaStream&>(file));
    }
    if (!loaded)
        destroy();
    // Named after the path even when empty: callers find a failed load again
    // by its path rather than retrying it every time.
    mName = path;
    if (loaded)
        setAccessName(path);
    return loaded;
}

bool KaModelAnimation::load(KaStream& stream)
{
    destroy();
    const KaStream::Mode mode = stream.mode();
    stream.setMode(KaStream::Binary);
    const bool loaded = read(stream);
    stream.setMode(mode);
    // A file refused halfway leaves nothing half-read behind.
    if (!loaded)
        destroy();
    return loaded;
}

bool KaModelAnimation::read(KaStream& stream)
{
    if (!stream.readTag("KAAN")) {
        KaPrintf("[KaModelAnimation::load] Unknown format.\n");
        return false;
    }
    unsigned int version = 0;
    if (!readU32(stream, version) || version != mVersion) {
        KaPrintf("[KaModelAnimation::load] Unsupported version.\n");
        return false;
    }
    unsigned int type = 0;
    unsigned int frameCount = 0;
    unsigned int boneCount = 0;
    float frameRate = 0.0f;
    if (!readU32(stream, type) || !readU32(stream, frameCount) || !readU32(stream, boneCount)
        || !readFloat(stream, frameRate))
        return false;
    if (boneCount > stream.remainingBytes() / mSmallestBone) {
        KaPrintf("[KaModelAnimation::load] Corrupt file.\n");
        return false;
    }
    mKeyed = type;
    if (type == 1)
        mFrameCount = frameCount;
    mFrameRate = frameRate;
    if (keyed())
        resizeNMOArrays(boneCount);
    else
        resizeFBXArrays(boneCount);
    // The frame table's rows, all tracks together, are bounded by the keys
    // the file really holds (see mTableRowSlack): sparse keys are allowed,
    // a key that would cost gigabytes is not.
    unsigned long rowBudget = mTableRowSlack;
    for (unsigned int track = 0; track < boneCount; ++track) {
        if (!readBone(stream, track, rowBudget))
            return false;
    }
    return true;
}

bool KaModelAnimation::acceptableFrame(float frame, unsigned long track, unsigned long& rowBudget) const
{
    if (!(frame >= 0.0f))
        return false;
    if (keyed())
        return static_cast<double>(frame) <= 2.0 * static_cast<double>(mFrameCount) + 1.0;
    if (static_cast<double>(frame) > mMaxTableFrame)
        return false;
    // Each key pays for one row.
    ++rowBudget;
    const unsigned long rows = static_cast<unsigned long>(frame) + 1;
    const unsigned long have = track < mFrameTable.size() ? mFrameTable[track].size() : 0;
    if (rows <= have)
        return true;
    if (rows - have > rowBudget)
        return false;
    rowBudget -= rows - have;
    return true;
}

bool KaModelAnimation::readBone(KaStream& stream, unsigned int track, unsigned long& rowBudget)
{
    KaString name;
    if (!stream.readTag("BONE") || !readPaddedString(stream, name))
        return false;
    setBoneName(track, name);

    unsigned int count = 0;
    if (!stream.readTag("BTRA") || !readU32(stream, count))
        return false;
    if (count > stream.remainingBytes() / mTranslationKeyBytes) {
        KaPrintf("[KaModelAnimation::load] Corrupt file.\n");
        return false;
    }
    if (keyed())
        mTranslations[track].reserve(count);
    for (unsigned int k = 0; k < count; ++k) {
        float frame = 0.0f;
        KaVector3f32 translation;
        if (!readFloat(stream, frame) || !readVector(stream, translation))
            return false;
        if (!acceptableFrame(frame, track, rowBudget)) {
            KaPrintf("[KaModelAnimation::load] Corrupt file.\n");
            return false;
        }
        setTranslation(track, frame, translation);
    }

    if (!stream.readTag("BROT") || !readU32(stream, count))
        return false;
    if (count > stream.remainingBytes() / mRotationKeyBytes) {
        KaPrintf("[KaModelAnimation::load] Corrupt file.\n");
        return false;
    }
    if (keyed())
        mRotations[track].reserve(count);
    for (unsigned int k = 0; k < count; ++k) {
        float frame = 0.0f;
        KaQuaternion rotation;
        if (!readFloat(stream, frame) || !readQuaternion(stream, rotation))
            return false;
        if (!acceptableFrame(frame, track, rowBudget)) {
            KaPrintf("[KaModelAnimation::load] Corrupt file.\n");
            return false;
        }
        setRotation(track, frame, rotation);
    }
    return true;
}

bool KaModelAnimation::save(KaStream& stream) const
{
    const KaStream::Mode mode = stream.mode();
    stream.setMode(KaStream::Binary);
    const unsigned long tracks = trackCount();
    bool ok = writeTag(stream, "KAAN");
    ok = stream.write(mVersion) == 4 && ok;
    ok = stream.write(mKeyed) == 4 && ok;
    ok = stream.write(nbFrames()) == 4 && ok;
    ok = stream.write(static_cast<unsigned int>(tracks)) == 4 && ok;
    ok = stream.write(mFrameRate) == 4 && ok;
    for (unsigned long track = 0; track < tracks; ++track)
        ok = saveBone(stream, static_cast<unsigned int>(track)) && ok;
    stream.setMode(mode);
    return ok;
}

bool KaModelAnimation::saveBone(KaStream& stream, unsigned int track) const
{
    bool ok = writeTag(stream, "BONE");
    ok = writePaddedString(stream, boneName(track)) && ok;
    ok = writeTag(stream, "BTRA") && ok;
    if (keyed()) {
        const KaArray<translationKey>& translations = mTranslations[track];
        ok = stream.write(static_cast<unsigned int>(translations.size())) == 4 && ok;
        for (const translationKey& key : translations)
            ok = stream.write(key.frame) == 4 && writeVector(stream, key.translation) && ok;
        ok = writeTag(stream, "BROT") && ok;
        const KaArray<rotationKey>& rotations = mRotations[track];
        ok = stream.write(static_cast<unsigned int>(rotations.size())) == 4 && ok;
        for (const rotationKey& key : rotations)
            ok = stream.write(key.frame) == 4 && writeQuaternion(stream, key.rotation) && ok;
        return ok;
    }
    const KaArray<KaTRS>& rows = mFrameTable[track];
    const unsigned int count = static_cast<unsigned int>(rows.size());
    ok = stream.write(count) == 4 && ok;
    for (unsigned int row = 0; row < count; ++row)
        ok = stream.write(static_cast<float>(row)) == 4 && writeVector(stream, rows[row].getTranslation()) && ok;
    ok = writeTag(stream, "BROT") && ok;
    ok = stream.write(count) == 4 && ok;
    for (unsigned int row = 0; row < count; ++row)
        ok = stream.write(static_cast<float>(row)) == 4 && writeQuaternion(stream, rows[row].getRotation()) && ok;
    return ok;
}

void KaModelAnimation::bind(KaIntrusivePtr<KaModel> model) { mModel = model; }

void KaModelAnimation::unbind() { mModel = nullptr; }

void KaModelAnimation::cont()
{
    if (isRunning() && isListed())
        return;
    // From idle the clock starts at 0 and so does the count; a paused
    // animation goes on with the loops it had.
    if (timer().getTimeFromStart() == 0.0) {
        mLoopCount = 0;
        mLoopsSeen = 0;
    }
    KaAnimation::cont();
}

void KaModelAnimation::reset()
{
    KaAnimation::reset();
    mCurrentFrame = 0;
    mPreviousFrame = 0;
    mLooped = false;
    mLoopCount = 0;
    mLoopsSeen = 0;
    mFirstFrameLimit = mNoFirstLimit;
    mLastFrameLimit = mNoLastLimit;
}

void KaModelAnimation::update(double milliseconds)
{
    if (nbFrames() == 0)
        return;
    mFrameComputed = false;
    mCurrentFrame = calcCurrentFrame(milliseconds);
    if (mLooped) {
        mLooped = false;
        onFinished.call();
    }
}

void KaModelAnimation::setFrameLimits(int first, int last)
{
    mFirstFrameLimit = first;
    mLastFrameLimit = last;
}

unsigned int KaModelAnimation::lastFrame() const
{
    const unsigned int frames = nbFrames();
    if (frames == 0)
        return 0;
    const unsigned int limit = static_cast<unsigned int>(mLastFrameLimit);
    return limit < frames - 1 ? limit : frames - 1;
}

unsigned int KaModelAnimation::firstFrame() const
{
    if (mFirstFrameLimit < 0)
        return 0;
    const unsigned int first = static_cast<unsigned int>(mFirstFrameLimit);
    const unsigned int last = lastFrame();
    return first < last ? first : last;
}

unsigned int KaModelAnimation::nbFrames() const
{
    if (keyed())
        return mFrameCount;
    return mFrameTable.size() != 0 ? static_cast<unsigned int>(mFrameTable[0].size()) : 0;
}

unsigned int KaModelAnimation::calcCurrentFrame(double milliseconds)
{
    if (mFrameComputed)
        return mPreviousFrame;
    const unsigned int first = firstFrame();
    const unsigned int last = lastFrame();
    const uint64_t length = static_cast<uint64_t>(last) + 1 - first;

    // Frames elapsed; a negative or NaN time is the start, and a time beyond
    // any play is capped well inside the integer range.
    const double frames = std::trunc(milliseconds / 1000.0 * static_cast<double>(mFrameRate));
    uint64_t elapsed = 0;
    if (frames > 0.0)
        elapsed = frames < 9.0e15 ? static_cast<uint64_t>(frames) : static_cast<uint64_t>(9.0e15);
    const uint64_t loops = elapsed / length;
    const uint64_t offset = elapsed % length;
    unsigned int f = reversed() ? last - static_cast<unsigned int>(offset) : first + static_cast<unsigned int>(offset);

    const int repeat = static_cast<int>(repeatCount());
    const bool finite = repeat >= 1;
    if (loops > mLoopsSeen) {
        // Loops past the end of a finite animation were already reported.
        if (!(finite && mLoopsSeen >= static_cast<uint64_t>(repeat)))
            mLooped = true;
        mLoopsSeen = loops;
    }
    // The count is kept for finite plays only, and stops at the repeat count.
    mLoopCount = finite ? static_cast<int>(mLoopsSeen < static_cast<uint64_t>(repeat) ? mLoopsSeen : repeat) : 0;
    if (finite && mLoopsSeen >= static_cast<uint64_t>(repeat))
        f = reversed() ? first : last;

    mFrameComputed = true;
    mPreviousFrame = f;
    return f;
}

unsigned long KaModelAnimation::findBone(const KaString& name) const
{
    for (unsigned long i = 0; i < mBoneNames.size(); ++i) {
        if (mBoneNames[i] == name)
            return i;
    }
    return mNoBone;
}

unsigned long KaModelAnimation::trackCount() const { return keyed() ? mTranslations.size() : mFrameTable.size(); }

KaTRS KaModelAnimation::getTRS(unsigned long track, unsigned long frame, bool table) const
{
    KaTRS transform;
    if (table || !keyed()) {
        // Each track answers from its own rows: a shorter one than the first
        // gives the identity past its end.
        if (track < mFrameTable.size() && frame < mFrameTable[track].size())
            transform = mFrameTable[track][frame];
        return transform;
    }
    transform.setTranslation(getNMOTranslation(track, static_cast<float>(frame)));
    transform.setRotation(getNMORotation(track, static_cast<float>(frame)));
    transform.setScale(KaVector3f32(1.0f, 1.0f, 1.0f));
    return transform;
}

KaTRS KaModelAnimation::getTRS(KaString& name, unsigned long frame, bool table) const
{
    const unsigned long track = findBone(name);
    if (track == mNoBone)
        return KaTRS();
    return getTRS(track, frame, table);
}

KaMatrix4x4 KaModelAnimation::getMatrix(KaString& name, unsigned long frame, bool table) const
{
    KaMatrix4x4 matrix;
    matrix.fromTRS(getTRS(name, frame, table));
    return matrix;
}

KaVector3f32 KaModelAnimation::getNMOTranslation(unsigned long track, float frame) const
{
    if (track >= mTranslations.size() || mTranslations[track].size() == 0)
        return KaVector3f32(0.0f, 0.0f, 0.0f);
    const KaArray<translationKey>& keys = mTranslations[track];
    const unsigned long count = keys.size();
    unsigned long k = 0;
    while (k < count && !(keys[k].frame >= frame))
        ++k;
    if (k == count)
        return keys[count - 1].translation;
    if (k == 0 || keys[k].frame == frame)
        return keys[k].translation;
    const translationKey& p = keys[k - 1];
    const float f = (frame - p.frame) / (keys[k].frame - p.frame);
    return p.translation * (1.0f - f) + keys[k].translation * f;
}

KaQuaternion KaModelAnimation::getNMORotation(unsigned long track, float frame) const
{
    if (track >= mRotations.size() || mRotations[track].size() == 0)
        return KaQuaternion(0.0f, 0.0f, 0.0f, 1.0f);
    const KaArray<rotationKey>& keys = mRotations[track];
    const unsigned long count = keys.size();
    unsigned long k = 0;
    while (k < count && !(keys[k].frame >= frame))
        ++k;
    if (k == count)
        return keys[count - 1].rotation;
    if (k == 0 || keys[k].frame == frame)
        return keys[k].rotation;
    const rotationKey& p = keys[k - 1];
    const float f = (frame - p.frame) / (keys[k].frame - p.frame);
    return p.rotation.slerp(keys[k].rotation, f, false);
}

KaVector3f32 KaModelAnimation::getNMOScale(unsigned long, float) const { return KaVector3f32(1.0f, 1.0f, 1.0f); }

void KaModelAnimation::setBoneName(unsigned int track, const KaString& name)
{
    if (mBoneNames.size() < static_cast<unsigned long>(track) + 1)
        mBoneNames.resize(static_cast<unsigned long>(track) + 1);
    mBoneNames[track] = name;
}

const KaString& KaModelAnimation::boneName(unsigned int track) const
{
    static const KaString empty;
    return track < mBoneNames.size() ? mBoneNames[track] : empty;
}

KaArray<KaTRS>& KaModelAnimation::tableRow(unsigned long track, float frame)
{
    if (mFrameTable.size() <= track)
        mFrameTable.resize(track + 1);
    KaArray<KaTRS>& rows = mFrameTable[track];
    const unsigned long row = static_cast<unsigned long>(frame);
    if (rows.size() < row + 1)
        rows.resize(row + 1);
    return rows;
}

void KaModelAnimation::setTranslation(unsigned long track, float frame, KaVector3f32& translation)
{
    if (keyed()) {
        if (mTranslations.size() <= track)
            mTranslations.resize(track + 1);
        mTranslations[track].pushBack(translationKey { frame, translation });
        return;
    }
    if (!(frame >= 0.0f))
        return;
    tableRow(track, frame)[static_cast<unsigned long>(frame)].setTranslation(translation);
}

void KaModelAnimation::setRotation(unsigned long track, float frame, KaQuaternion& rotation)
{
    if (keyed()) {
        if (mRotations.size() <= track)
            mRotations.resize(track + 1);
        mRotations[track].pushBack(rotationKey { frame, rotation });
        return;
    }
    if (!(frame >= 0.0f))
        return;
    tableRow(track, frame)[static_cast<unsigned long>(frame)].setRotation(rotation);
}

void KaModelAnimation::setScale(unsigned long track, float frame, KaVector3f32&)
{
    if (keyed() || !(frame >= 0.0f))
        return;
    tableRow(track, frame)[static_cast<unsigned long>(frame)].setScale(KaVector3f32(1.0f, 1.0f, 1.0f));
}

void KaModelAnimation::resizeNMOArrays(unsigned long count)
{
    mTranslations.resize(count);
    mRotations.resize(count);
    mScales.resize(count);
}

void KaModelAnimation::resizeFBXArrays(unsigned long count) { mFrameTable.resize(count); }

void KaModelAnimation::destroy()
{
    mName = KaString();
    mBoneNames.clear();
    mTranslations.clear();
    mRotations.clear();
    mScales.clear();
    mFrameTable.clear();
    mFrameCount = 0;
    mCurrentFrame = 0;
    mLoopCount = 0;
}
