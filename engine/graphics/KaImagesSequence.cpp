#include "engine/graphics/KaImagesSequence.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "engine/base/KaStd.h"
#include "engine/core/KaCore.h"
#include "engine/core/KaDirectory.h"
#include "engine/graphics/KaImage.h"

namespace {

// Names without a number never become the first picture unless nothing else
// is numbered, and then the sequence has no start at all.
const long long kUnnumbered = 65535;

// Reads "%d" from the start of the text as sscanf would (leading blanks, an
// optional sign, digits), without sscanf's undefined result on overflow: the
// value saturates. Returns the index just past the digits, 0 without a number.
unsigned long readNumber(const char* text, unsigned long length, long long& number)
{
    unsigned long i = 0;
    while (i < length && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const unsigned long firstDigit = i;
    long long value = 0;
    while (i < length && std::isdigit(static_cast<unsigned char>(text[i]))) {
        if (value <= INT_MAX)
            value = value * 10 + (text[i] - '0');
        ++i;
    }
    if (i == firstDigit)
        return 0;
    if (value > INT_MAX)
        value = negative ? static_cast<long long>(INT_MAX) + 1 : INT_MAX;
    number = negative ? -value : value;
    return i;
}

// The frame rate of a name such as "0-12.5.png" ("%d-%f"); false when the
// name gives none.
bool readFrameRate(const KaString& fileName, float& rate)
{
    const char* text = fileName.c_str();
    long long number = 0;
    const unsigned long end = readNumber(text, fileName.length(), number);
    if (end == 0 || end >= fileName.length() || text[end] != '-')
        return false;
    const char* start = text + end + 1;
    char* stop = nullptr;
    const float value = std::strtof(start, &stop);
    if (stop == start)
        return false;
    rate = value;
    return true;
}

} // namespace

KaImagesSequence::KaImagesSequence()
    : mFiles()
    , mCurrentIndex(0)
    , mLastFrameNumber(0)
    , mLoaded(false)
    , mAtEnd(false)
    , mFormat(NONE)
    , mWidth(0)
    , mHeight(0)
    , mFrameRate(mDefaultFrameRate)
    , mPath()
    , mFinished()
    , mCodec(nullptr)
{
}

KaImagesSequence::~KaImagesSequence() { unload(); }

bool KaImagesSequence::matchFormat(const KaPath& path) { return matchExtension(path, "anim"); }

bool KaImagesSequence::frameNumber(const KaString& fileName, long long& number)
{
    return readNumber(fileName.c_str(), fileName.length(), number) != 0;
}

void KaImagesSequence::unload()
{
    mFiles.clear();
    mPath = KaPath();
    mLastFrameNumber = 0;
    mLoaded = false;
    mAtEnd = false;
    mFormat = NONE;
    mWidth = 0;
    mHeight = 0;
    delete mCodec;
    mCodec = nullptr;
}

bool KaImagesSequence::load(KaStream&) { return false; }

bool KaImagesSequence::load(const KaPath& path)
{
    unload();
    // A rate read from an earlier folder must not carry over to this one.
    mFrameRate = mDefaultFrameRate;

    KaDirectory::getFilesList(path, mFiles, false, KaString());

    // Keep only what the registry can decode, so that a stray file (notes,
    // thumbnails of the file manager, a format only the image loader knows)
    // can neither become the first picture nor a frame.
    for (KaList<KaFileInfos>::KaIterator it = mFiles.firstElement(); it != mFiles.end(); ++it) {
        KaIVideoCodec* probe = core.get()->createVideoCodec((*it).fullPath);
        if (!probe)
            mFiles.remove(it.node());
        delete probe;
    }

    if (mFiles.isEmpty()) {
        KaPrintf("[KaImagesSequence::load] Warning : any images found in sequence %s\n", path.c_str());
        return false;
    }

    // Frame 0 is taken at once; otherwise the first of the lowest numbers.
    const KaFileInfos* first = nullptr;
    long long firstNumber = kUnnumbered;
    for (KaList<KaFileInfos>::KaIterator it = mFiles.firstElement(); it != mFiles.end(); ++it) {
        long long number = kUnnumbered;
        if (!frameNumber((*it).relativeName, number))
            number = kUnnumbered;
        if (number == 0) {
            first = &*it;
            firstNumber = 0;
            break;
        }
        if (number < firstNumber) {
            first = &*it;
            firstNumber = number;
        }
    }
    if (!first) {
        KaPrintf("[KaImagesSequence::load] Warning : no numbered image in sequence %s\n", path.c_str());
        mFiles.clear();
        return false;
    }

    mCodec = core.get()->createVideoCodec(first->fullPath);
    if (!mCodec || !mCodec->load(first->fullPath)) {
        // The codec has said why; without a first picture there is nothing
        // to size the frames by.
        unload();
        return false;
    }

    int64_t lastFrame = 0;
    for (KaList<KaFileInfos>::KaIterator it = mFiles.firstElement(); it != mFiles.end(); ++it) {
        long long number = -1;
        if (frameNumber((*it).relativeName, number) && number > lastFrame)
            lastFrame = number;
    }

    float rate = 0.0f;
    if (readFrameRate(first->relativeName, rate)) {
        // A rate of 0 would freeze the player and a negative one run it
        // backwards: keep the default instead.
        if (std::isfinite(rate) && rate > 0.0f)
            mFrameRate = rate;
        else
            KaPrintf("[KaImagesSequence::load] Warning : wrong frame rate in %s, %g used\n",
                first->relativeName.c_str(), static_cast<double>(mFrameRate));
    }

    mPath = path;
    mLastFrameNumber = lastFrame;
    mWidth = mCodec->width();
    mHeight = mCodec->height();
    mFormat = mCodec->imageFormat();
    mLoaded = true;
    return true;
}

bool KaImagesSequence::update(unsigned long frame, KaImage& image)
{
    if (!mLoaded || !mCodec)
        return false;
    if (frame > static_cast<uint64_t>(mLastFrameNumber)) {
        mAtEnd = true;
        return false;
    }

    // From the last decoded entry to the end, then from the start up to it:
    // frames asked in listing order are found at the first look. Unnumbered
    // names never match (no frame asked for can equal the number of the
    // numbered entry examined before them, or that entry would have matched).
    const uint64_t count = mFiles.size();
    const uint64_t start = mCurrentIndex < count ? mCurrentIndex : 0;
    const KaFileInfos* found = nullptr;
    uint64_t foundIndex = 0;
    uint64_t index = 0;
    KaList<KaFileInfos>::KaIterator startIt = mFiles.firstElement();
    for (; index < start; ++index)
        ++startIt;
    KaList<KaFileInfos>::KaIterator it = startIt;
    for (uint64_t examined = 0; examined < count && !found; ++examined) {
        if (it == mFiles.end()) {
            it = mFiles.firstElement();
            index = 0;
        }
        long long number = -1;
        if (frameNumber((*it).relativeName, number) && number >= 0 && static_cast<uint64_t>(number) == frame) {
            found = &*it;
            foundIndex = index;
        }
        ++it;
        ++index;
    }
    if (!found)
        return false;

    if (!mCodec->load(found->fullPath))
        return false;
    // A picture of another size or format than the first would not fill the
    // frame the caller sized for the sequence.
    if (mCodec->width() != mWidth || mCodec->height() != mHeight || mCodec->imageFormat() != mFormat)
        return false;
    if (!mCodec->update(0, image))
        return false;
    mCurrentIndex = foundIndex;
    return true;
}
