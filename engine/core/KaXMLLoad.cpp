#include "engine/core/KaXMLLoad.h"
#include "engine/core/KaXMLLoadPlain.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "engine/base/KaStd.h"
#include "engine/core/KaFile.h"

unsigned char* KaXMLBuffer = nullptr;

namespace {

// TinyXML steps over the whole length a UTF-8 lead byte announces (up to four
// bytes) before it looks for the end of the text, and some of its scanners
// then peek a byte or two further: a text that ends inside a sequence would
// send it past the end of its buffer. Every text handed to it ends with this
// many zero bytes, so each of those steps lands on a terminator.
const unsigned long kTextPadding = 8;

// Parses text whose last kTextPadding bytes are zeros.
void parsePadded(TiXmlDocument& document, const char* text)
{
    document.Parse(text, nullptr, TIXML_ENCODING_UNKNOWN);
}

} // namespace

void KaXMLFreeBuffer()
{
    delete[] KaXMLBuffer;
    KaXMLBuffer = nullptr;
}

bool KaXMLLoad(const KaPath& path, TiXmlDocument& document, const char* prefix, unsigned char** buffer)
{
    if (!prefix)
        prefix = "";
    unsigned char** target = buffer;
    if (!target) {
        KaXMLFreeBuffer();
        target = &KaXMLBuffer;
    }

    KaFile file;
    if (!file.open(path, KaFileSystem::Read)) {
        KaPrintf("%s file :%s error : could not open file\n", prefix, path.c_str());
        return false;
    }

    unsigned long size = file.size();
    unsigned char* bytes = new (std::nothrow) unsigned char[size + kTextPadding];
    if (!bytes) {
        KaPrintf("%s file :%s error : could not open file\n", prefix, path.c_str());
        return false;
    }
    *target = bytes;
    // A short read must not leave unread bytes for the parser to wander into:
    // the text ends where the data really ends.
    unsigned long read = file.readData(bytes, size);
    file.close();
    std::memset(bytes + read, 0, size - read + kTextPadding);

    parsePadded(document, reinterpret_cast<const char*>(bytes));
    if (document.Error()) {
        // TinyXML's ErrorRow and ErrorCol already count from 1 (0 when the
        // error has no place in the text).
        KaPrintf("%s file :%s error : %s ligne : %d colonne : %d\n", prefix, path.c_str(), document.ErrorDesc(),
            document.ErrorRow(), document.ErrorCol());
        if (target == &KaXMLBuffer)
            KaXMLFreeBuffer();
        return false;
    }
    return true;
}

namespace {

// The file's bytes straight from the disk, without the content path's
// resolution or the activity record of KaFile. False when it cannot be read.
bool readWhole(const char* path, std::string& text)
{
    FILE* file = fopen(path, "rb");
    if (!file)
        return false;
    char chunk[4096];
    size_t count;
    while ((count = fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, count);
    const bool read = ferror(file) == 0;
    fclose(file);
    return read;
}

// The written file must parse the way KaXMLLoad parses it (TinyXML's own
// LoadFile would turn carriage returns into newlines first, and so accept
// what the game's next load refuses).
bool readsBack(const KaPath& path)
{
    std::string text;
    const bool read = readWhole(path.c_str(), text);
    text.append(kTextPadding, '\0');

    TiXmlDocument check;
    parsePadded(check, text.c_str());
    return read && !check.Error();
}

bool hasMarkup(const char* value)
{
    return std::strpbrk(value, "&<>\"'") != nullptr;
}

// TinyXML decodes entities in a declaration's values but writes them back
// raw, so a stray '&' or quote there would not survive the next load.
bool declarationNeedsEscaping(const TiXmlNode* node)
{
    for (const TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling()) {
        if (const TiXmlDeclaration* declaration = child->ToDeclaration()) {
            if (hasMarkup(declaration->Version()) || hasMarkup(declaration->Encoding()) ||
                hasMarkup(declaration->Standalone()))
                return true;
        } else if (declarationNeedsEscaping(child)) {
            return true;
        }
    }
    return false;
}

std::string escaped(const char* value)
{
    std::string out;
    TiXmlBase::EncodeString(value, &out);
    return out;
}

void escapeDeclarations(TiXmlNode* node)
{
    for (TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling()) {
        if (const TiXmlDeclaration* declaration = child->ToDeclaration()) {
            const TiXmlDeclaration written(
                escaped(declaration->Version()), escaped(declaration->Encoding()), escaped(declaration->Standalone()));
            child = node->ReplaceChild(child, written);
        } else {
            escapeDeclarations(child);
        }
    }
}

bool write(FILE* file, const TiXmlDocument& document)
{
    if (!declarationNeedsEscaping(&document))
        return document.SaveFile(file);
    TiXmlDocument copy(document);
    escapeDeclarations(&copy);
    return copy.SaveFile(file);
}

} // namespace

bool KaXMLSave(const KaPath& path, const TiXmlDocument& document)
{
    if (path.length() == 0) {
        errno = ENOENT;
        return false;
    }
    KaPath temporary(path);
    temporary += ".tmp";

    FILE* file = fopen(temporary.c_str(), "wb");
    if (!file)
        return false;
    bool written = write(file, document);
    written = fflush(file) == 0 && ferror(file) == 0 && written;
    // The new text must be on the disk before it takes the old file's name,
    // or a crash could leave neither.
    written = written && fsync(fileno(file)) == 0;
    int error = errno;
    if (fclose(file) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && !readsBack(temporary)) {
        written = false;
        error = EILSEQ;
    }
    if (written && rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    if (written)
        error = errno;
    remove(temporary.c_str());
    errno = error;
    return false;
}

bool KaXMLLoadPlain(const char* path, TiXmlDocument& document)
{
    std::string bytes;
    if (!readWhole(path, bytes))
        return false;
    // As TinyXML's own LoadFile reads a file: "\r\n" and a lone "\r" are
    // both one newline.
    std::string text;
    text.reserve(bytes.size() + kTextPadding);
    for (std::string::size_type i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r') {
            text += bytes[i];
            continue;
        }
        text += '\n';
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
    }
    text.append(kTextPadding, '\0');
    parsePadded(document, text.c_str());
    return !document.Error();
}
