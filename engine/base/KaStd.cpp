#include "engine/base/KaStd.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

int KaPrintf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int count = vprintf(format, args);
    va_end(args);
    return count;
}

int KaVaragsPrintf(const char* format, va_list args)
{
    return vprintf(format, args);
}

int consolePrintf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int count = vprintf(format, args);
    va_end(args);
    fflush(stdout);
    return count;
}

int KaSprintf(char* destination, size_t size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int count = vsnprintf(destination, size, format, args);
    va_end(args);
    return count;
}

int KaGetLastError()
{
    return errno;
}

void KaSetLastError(int error)
{
    errno = error;
}

char* KaStrcpy(char* destination, const char* source)
{
    return strcpy(destination, source);
}

char* KaStrcat(char* destination, const char* source)
{
    return strcat(destination, source);
}

const char* KaStrchr(const char* string, int character)
{
    return strchr(string, character);
}

char* KaStrchr(char* string, int character)
{
    return strchr(string, character);
}

int KaStrncmp(const char* a, const char* b, size_t count)
{
    return strncmp(a, b, count);
}

const char* KaStrstr(const char* haystack, const char* needle)
{
    if (needle[0] == '\0')
        return haystack;
    size_t rest = strlen(needle + 1);
    for (const char* p = strchr(haystack, needle[0]); p; p = strchr(p + 1, needle[0])) {
        if (strncmp(p + 1, needle + 1, rest) == 0)
            return p;
    }
    return nullptr;
}

char* KaStrstr(char* haystack, const char* needle)
{
    return const_cast<char*>(KaStrstr(static_cast<const char*>(haystack), needle));
}
