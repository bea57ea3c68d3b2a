#include "engine/core/KaPath.h"

// The separators are spelled out in the code below rather than taken from
// the class constants: paths built during static initialisation in other
// files may be normalised before those constants exist.
const KaString KaPath::mSeparator("/");
const KaString KaPath::mDoubleSeparator("//");
const KaString KaPath::mWin32Separator("\\");
const KaString KaPath::mPoint(".");

namespace {

const unsigned int kAllOccurrences = 4294967295u;

} // namespace

KaPath::KaPath()
    : KaString()
{
}

KaPath::KaPath(const char* text)
    : KaString(text)
{
    convertInPathFormat();
}

KaPath::KaPath(const KaString& text)
    : KaString(text)
{
    convertInPathFormat();
}

KaPath::KaPath(const KaPath& other)
    : KaString(other)
{
}

KaPath::~KaPath() = default;

KaPath& KaPath::operator=(const KaPath& other)
{
    KaString::operator=(other);
    return *this;
}

KaPath& KaPath::operator=(const char* text)
{
    // Goes through the virtual set, which normalises.
    KaString::operator=(text);
    return *this;
}

void KaPath::set(const KaString& text)
{
    KaString::set(reinterpret_cast<const unsigned char*>(text.c_str()), text.length());
    convertInPathFormat();
}

void KaPath::set(const unsigned char* bytes, unsigned long count)
{
    KaString::set(bytes, count);
    convertInPathFormat();
}

void KaPath::set(const KaBytesArray& bytes, Encoding encoding)
{
    KaString::set(bytes, encoding);
    convertInPathFormat();
}

KaPath& KaPath::operator+=(const KaString& other)
{
    KaString::operator+=(other);
    convertInPathFormat();
    return *this;
}

KaPath& KaPath::operator+=(const char* text)
{
    KaString::operator+=(text);
    convertInPathFormat();
    return *this;
}

KaPath& KaPath::operator+=(char byte)
{
    KaString::operator+=(byte);
    convertInPathFormat();
    return *this;
}

void KaPath::convertInPathFormat()
{
    // Most paths are already canonical: look before building anything.
    const char* text = c_str();
    const bool hasBackslash = KaStrchr(text, '\\') != nullptr;
    if (!hasBackslash && KaStrstr(text, "//") == nullptr)
        return;
    if (hasBackslash)
        replace(KaString("\\"), KaString("/"), kAllOccurrences);
    const KaString doubled("//");
    const KaString single("/");
    while (replace(doubled, single, kAllOccurrences)) { }
}

KaPath KaPath::directory() const
{
    for (unsigned long i = textLength(); i-- > 0;) {
        if ((*this)[i] == '/')
            return KaPath(subString(0, i));
    }
    return KaPath();
}

KaPath KaPath::fileName() const
{
    for (unsigned long i = textLength(); i-- > 0;) {
        if ((*this)[i] == '/')
            return KaPath(subString(i + 1, textLength() - i - 1));
    }
    return *this;
}

KaString KaPath::extension() const
{
    for (unsigned long i = textLength(); i-- > 0;) {
        if ((*this)[i] == '.')
            return subString(i + 1, textLength() - i - 1);
    }
    return KaString();
}

KaString KaPath::completeExtension() const
{
    for (unsigned long i = 0; i < textLength(); ++i) {
        if ((*this)[i] == '.')
            return subString(i + 1, textLength() - i - 1);
    }
    return KaString();
}

void KaPath::removeExtension()
{
    for (unsigned long i = textLength(); i-- > 0;) {
        if (static_cast<const KaPath&>(*this)[i] == '.') {
            truncate(i);
            return;
        }
    }
}

void KaPath::changeExtension(const KaString& extension)
{
    removeExtension();
    KaString suffix(".");
    suffix += extension;
    *this += suffix;
}
