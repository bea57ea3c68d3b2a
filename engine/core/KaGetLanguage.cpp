#include "engine/core/KaGetLanguage.h"

#include <cstdlib>

namespace {

// The first non-empty entry of a ':' separated list; its length in *length.
const char* firstListEntry(const char* list, unsigned long* length)
{
    const char* entry = list;
    while (*entry != '\0') {
        const char* end = entry;
        while (*end != '\0' && *end != ':')
            ++end;
        if (end != entry) {
            *length = static_cast<unsigned long>(end - entry);
            return entry;
        }
        entry = *end == ':' ? end + 1 : end;
    }
    *length = 0;
    return nullptr;
}

// The locale name that decides the language of messages, or null.
const char* preferredLocale(unsigned long* length)
{
    const char* list = std::getenv("LANGUAGE");
    if (list) {
        const char* entry = firstListEntry(list, length);
        if (entry)
            return entry;
    }
    static const char* const variables[] = { "LC_ALL", "LC_MESSAGES", "LANG" };
    for (const char* variable : variables) {
        const char* value = std::getenv(variable);
        if (value && *value != '\0') {
            *length = KaStrlen(value);
            return value;
        }
    }
    *length = 0;
    return nullptr;
}

bool sameText(const char* text, unsigned long length, const char* word)
{
    return KaStrlen(word) == length && KaStrncmp(text, word, length) == 0;
}

} // namespace

KaString KaGetLanguage()
{
    unsigned long length = 0;
    const char* locale = preferredLocale(&length);
    if (!locale)
        return KaString("en");

    // language[_territory][.codeset][@modifier]
    unsigned long name = 0;
    while (name < length && locale[name] != '.' && locale[name] != '@')
        ++name;
    if (name == 0 || sameText(locale, name, "C") || sameText(locale, name, "POSIX"))
        return KaString("en");

    unsigned long code = 0;
    while (code < name && locale[code] != '-' && locale[code] != '_')
        ++code;
    if (code == 0)
        return KaString("en");
    return KaString(locale, code);
}
