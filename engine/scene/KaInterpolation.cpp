#include "engine/scene/KaInterpolation.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <tinyxml.h>

#include "engine/core/KaFile.h"
#include "engine/core/KaStream.h"

KaInterpolation::KaInterpolation() { }

KaInterpolation::KaInterpolation(const KaInterpolation& other)
    : mSamples(other.mSamples)
{
}

KaInterpolation& KaInterpolation::operator=(const KaInterpolation& other)
{
    mSamples = other.mSamples;
    return *this;
}

KaInterpolation::~KaInterpolation() { }

bool KaInterpolation::load(KaStream& stream)
{
    mSamples.clear();
    const KaStream::Mode mode = stream.mode();
    stream.setMode(KaStream::Binary);
    int count = 0;
    bool ok = stream.read(count) == sizeof(count);
    if (ok) {
        const unsigned long length = stream.contentLength();
        const unsigned long position = stream.getPos();
        const unsigned long left = length > position ? length - position : 0;
        // A curve cut short is allowed (its tail reads 0), but not a count
        // that claims far more than the stream holds.
        ok = count >= 0 && count <= mMaxSamples && static_cast<unsigned long>(count) <= left / sizeof(double) + 1;
    }
    if (ok) {
        mSamples.resize(static_cast<unsigned long>(count));
        for (unsigned long i = 0; i < static_cast<unsigned long>(count); ++i)
            mSamples[i] = 0.0;
        for (unsigned long i = 0; i < static_cast<unsigned long>(count) && !stream.isAtEnd(); ++i) {
            double value = 0.0;
            if (stream.read(value) != sizeof(value))
                break;
            mSamples[i] = value;
        }
    }
    stream.setMode(mode);
    return ok;
}

bool KaInterpolation::load(const KaString& path)
{
    KaFile file(path, KaFileSystem::Read);
    if (!file.isOpened())
        return false;
    return load(static_cast<KaStream&>(file));
}

bool KaInterpolation::load(const TiXmlElement& element)
{
    const char* text = element.GetText();
    if (!text)
        return true;
    const char* p = text;
    while (*p) {
        while (*p == ',' || *p == ' ')
            ++p;
        mSamples.pushBack(std::atof(p));
        while (*p && *p != ',')
            ++p;
        if (*p == ',')
            ++p;
    }
    return true;
}

double KaInterpolation::interpole(double time, double duration) const
{
    const unsigned long n = mSamples.size();
    if (n == 0)
        return 0.0;
    const double last = mSamples[n - 1];
    if (time >= duration)
        return last;
    const double x = static_cast<double>(n - 1) * time / duration;
    if (!(x == x))
        return mSamples[0];
    const double i = std::trunc(x);
    double a;
    if (x < 0.0)
        a = mSamples[0];
    else if (i >= static_cast<double>(n))
        a = last;
    else
        a = mSamples[static_cast<unsigned long>(i)];
    double b;
    if (x < -1.0)
        b = mSamples[0];
    else if (i + 1.0 >= static_cast<double>(n))
        b = last;
    else
        b = mSamples[static_cast<unsigned long>(i + 1.0)];
    return (x - i) * b + (i + 1.0 - x) * a;
}
