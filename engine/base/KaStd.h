#ifndef KA_STD_H
#define KA_STD_H

// The engine's thin wrappers of the C library. Engine code calls these rather
// than the library directly, and every console message goes out through
// KaPrintf, one complete line per call.

#include <cstdarg>
#include <cstddef>
#include <cstring>

#if defined(__GNUC__)
#define KA_PRINTF_LIKE(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define KA_PRINTF_LIKE(fmt, args)
#endif

int KaPrintf(const char* format, ...) KA_PRINTF_LIKE(1, 2);
int KaVaragsPrintf(const char* format, va_list args) KA_PRINTF_LIKE(1, 0);
// As KaPrintf, then flushes standard output.
int consolePrintf(const char* format, ...) KA_PRINTF_LIKE(1, 2);
// Writes at most size bytes, terminator included; returns the formatted length.
int KaSprintf(char* destination, size_t size, const char* format, ...) KA_PRINTF_LIKE(3, 4);

int KaGetLastError();
void KaSetLastError(int error);

// Inline, so that the compiler sees copies and comparisons of a known size
// (a typed value, a byte) and does them in place. A count of 0 touches
// nothing, so a null pointer may go with it.
inline void* KaMemcpy(void* destination, const void* source, size_t count)
{
    return count ? std::memcpy(destination, source, count) : destination;
}
inline void* KaMemmove(void* destination, const void* source, size_t count)
{
    return count ? std::memmove(destination, source, count) : destination;
}
inline void* KaMemset(void* destination, int value, size_t count)
{
    return count ? std::memset(destination, value, count) : destination;
}
inline int KaMemcmp(const void* a, const void* b, size_t count) { return count ? std::memcmp(a, b, count) : 0; }

// 0 for a null pointer.
inline size_t KaStrlen(const char* string) { return string ? std::strlen(string) : 0; }
char* KaStrcpy(char* destination, const char* source);
char* KaStrcat(char* destination, const char* source);
const char* KaStrchr(const char* string, int character);
char* KaStrchr(char* string, int character);
inline int KaStrcmp(const char* a, const char* b) { return std::strcmp(a, b); }
int KaStrncmp(const char* a, const char* b, size_t count);
// First occurrence of needle; an empty needle matches at the start.
const char* KaStrstr(const char* haystack, const char* needle);
char* KaStrstr(char* haystack, const char* needle);

#endif
