#include "game/application/OptionsValues.h"

#include <cstring>

namespace {

bool asciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool asciiDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

bool OptionsValues::languageCode(const KaString& value)
{
    const char* c = value.c_str();
    const unsigned long length = value.length();
    if (std::strlen(c) != length || length < 2 || length > 10)
        return false;
    // Two or three letters, then at most one region or script part.
    unsigned long letters = 0;
    while (letters < length && asciiLetter(c[letters]))
        ++letters;
    if (letters < 2 || letters > 3)
        return false;
    if (letters == length)
        return true;
    if (c[letters] != '_' && c[letters] != '-')
        return false;
    const unsigned long rest = length - letters - 1;
    if (rest < 2 || rest > 4)
        return false;
    for (unsigned long i = letters + 1; i < length; ++i)
        if (!asciiLetter(c[i]) && !asciiDigit(c[i]))
            return false;
    return true;
}

bool OptionsValues::artworkPath(const KaString& value)
{
    const char* c = value.c_str();
    const unsigned long length = value.length();
    if (length == 0 || length > 255 || std::strlen(c) != length)
        return false;
    // Each '/'-separated part is a plain name: no empty part (so no leading
    // '/'), no "." or "..", nothing but letters, digits, '_', '-' and '.'.
    unsigned long start = 0;
    while (start <= length) {
        unsigned long end = start;
        while (end < length && c[end] != '/')
            ++end;
        const unsigned long part = end - start;
        if (part == 0 || (part == 1 && c[start] == '.') || (part == 2 && c[start] == '.' && c[start + 1] == '.'))
            return false;
        for (unsigned long i = start; i < end; ++i)
            if (!asciiLetter(c[i]) && !asciiDigit(c[i]) && c[i] != '_' && c[i] != '-' && c[i] != '.')
                return false;
        start = end + 1;
    }
    return true;
}

