#include "engine/core/KaXMLLoad.h"
#include "engine/core/KaXMLLoadPlain.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "engine/base/KaStd.h"
#include "engine/core/KaFile.h"

unsigned char* KaXMLBuffer = nullptr;

const char* const KaXMLTooDeepText = "elements nested too deeply";

namespace {

// A reading of text that follows TinyXML's own parser step by step, keeping
// only what decides how deep it recurses. Wherever TinyXML would stop with an
// error the reading stops too: nothing after that point is parsed.
class NestingReader {
public:
    NestingReader(const char* text, TiXmlEncoding encoding, unsigned int limit)
        : p(reinterpret_cast<const unsigned char*>(text))
        , mEncoding(encoding)
        , mLimit(limit)
    {
    }

    unsigned int document()
    {
        if (mEncoding == TIXML_ENCODING_UNKNOWN && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
            mEncoding = TIXML_ENCODING_UTF8;
        skipSpace();
        while (*p && mDeepest <= mLimit) {
            if (*p != '<')
                break;
            bool declaration = false;
            if (!node(declaration))
                break;
            // The first declaration of a document read without an encoding
            // decides how the rest is read.
            if (declaration && mEncoding == TIXML_ENCODING_UNKNOWN)
                mEncoding = utf8Name(mDeclaredEncoding) ? TIXML_ENCODING_UTF8 : TIXML_ENCODING_LEGACY;
            skipSpace();
        }
        return mDeepest;
    }

    TiXmlEncoding encoding() const { return mEncoding; }

    // The content of an element whose tag has just been read (TinyXML's
    // ReadValue): false on an error.
    unsigned int content()
    {
        while (*p && mDeepest <= mLimit) {
            skipSpace();
            if (!*p)
                return mDeepest;
            if (*p != '<') {
                if (!text())
                    return mDeepest;
                continue;
            }
            if (p[1] == '/')
                return mDeepest;
            bool declaration = false;
            if (!node(declaration))
                return mDeepest;
        }
        return mDeepest;
    }

private:
    static bool space(unsigned char c) { return std::isspace(c) || c == '\n' || c == '\r'; }
    static bool alpha(unsigned char c) { return c >= 127 || std::isalpha(c); }
    static bool nameChar(unsigned char c) { return alpha(c) || std::isdigit(c) || c == '_' || c == '-' || c == '.' || c == ':'; }

    static bool utf8Name(const std::string& name)
    {
        if (name.empty())
            return true;
        std::string upper;
        for (char c : name)
            upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return upper.compare(0, 5, "UTF-8") == 0 || upper.compare(0, 4, "UTF8") == 0;
    }

    bool starts(const char* tag, bool ignoreCase = false) const
    {
        for (unsigned long i = 0; tag[i]; ++i) {
            unsigned char c = p[i];
            if (!c)
                return false;
            if (ignoreCase ? std::tolower(c) != std::tolower(static_cast<unsigned char>(tag[i])) : c != static_cast<unsigned char>(tag[i]))
                return false;
        }
        return true;
    }

    void skipSpace()
    {
        for (;;) {
            if (mEncoding == TIXML_ENCODING_UTF8 && p[0] == 0xEF
                && ((p[1] == 0xBB && p[2] == 0xBF) || (p[1] == 0xBF && (p[2] == 0xBE || p[2] == 0xBF)))) {
                p += 3;
                continue;
            }
            if (*p && space(*p)) {
                ++p;
                continue;
            }
            return;
        }
    }

    // One character of text, as TinyXML's GetChar steps over it: a whole
    // UTF-8 sequence at once (never past the text's end here; TinyXML's texts
    // are padded for that).
    void step()
    {
        int length = 1;
        if (mEncoding == TIXML_ENCODING_UTF8)
            length = TiXmlBase::utf8ByteTable[*p];
        if (length < 1)
            length = 1;
        for (int i = 0; i < length && *p; ++i)
            ++p;
    }

    bool bytesTo(const char* end)
    {
        while (*p && !starts(end))
            ++p;
        if (!*p)
            return false;
        p += std::strlen(end);
        return true;
    }

    // Text content up to the next '<'.
    bool text()
    {
        while (*p && *p != '<')
            step();
        return *p != 0;
    }

    // A node that starts with '<' (TinyXML's Identify, then the node's own
    // Parse); false on an error.
    bool node(bool& declaration)
    {
        if (starts("<?xml", true)) {
            declaration = true;
            return declarationNode();
        }
        if (starts("<!--")) {
            // Byte by byte: TinyXML keeps a comment's bytes as they are.
            p += 4;
            return bytesTo("-->");
        }
        if (starts("<![CDATA[")) {
            p += 9;
            return bytesTo("]]>");
        }
        if (starts("<!") || !(alpha(p[1]) || p[1] == '_'))
            return bytesTo(">");
        return element();
    }

    bool element()
    {
        // Every element TinyXML starts, an empty one too, is one call deeper
        // than its parent.
        if (mDepth + 1 > mDeepest)
            mDeepest = mDepth + 1;
        if (mDeepest > mLimit)
            return false;
        ++p;
        std::string name;
        if (!readName(&name))
            return false;
        for (;;) {
            skipSpace();
            if (!*p)
                return false;
            if (*p == '/')
                return p[1] == '>' ? (p += 2, true) : false;
            if (*p == '>') {
                ++p;
                ++mDepth;
                content();
                if (mDeepest > mLimit || !starts("</"))
                    return false;
                p += 2;
                if (!starts(name.c_str()))
                    return false;
                p += name.size();
                skipSpace();
                if (*p != '>')
                    return false;
                ++p;
                --mDepth;
                return true;
            }
            if (!attribute(nullptr))
                return false;
        }
    }

    bool readName(std::string* name)
    {
        if (!(alpha(*p) || *p == '_'))
            return false;
        while (*p && nameChar(*p)) {
            if (name)
                *name += static_cast<char>(*p);
            ++p;
        }
        return true;
    }

    bool attribute(std::string* value)
    {
        skipSpace();
        if (!readName(nullptr))
            return false;
        skipSpace();
        if (*p != '=')
            return false;
        ++p;
        skipSpace();
        if (*p == '\'' || *p == '"') {
            const char end[2] = { static_cast<char>(*p), 0 };
            ++p;
            const unsigned char* start = p;
            while (*p && !starts(end))
                step();
            if (value)
                value->assign(reinterpret_cast<const char*>(start), p - start);
            if (*p)
                ++p;
            return true;
        }
        const unsigned char* start = p;
        while (*p && !space(*p) && *p != '/' && *p != '>') {
            if (*p == '\'' || *p == '"')
                return false;
            ++p;
        }
        if (value)
            value->assign(reinterpret_cast<const char*>(start), p - start);
        return true;
    }

    bool declarationNode()
    {
        p += 5;
        mDeclaredEncoding.clear();
        while (*p) {
            if (*p == '>') {
                ++p;
                return true;
            }
            skipSpace();
            if (starts("version", true)) {
                if (!attribute(nullptr))
                    return false;
            } else if (starts("encoding", true)) {
                std::string raw;
                if (!attribute(&raw))
                    return false;
                // TinyXML decodes entities in the value before it compares.
                TiXmlDocument decoder;
                const std::string probe = "<e v=\"" + raw + "\"/>";
                decoder.Parse(probe.c_str(), nullptr, TIXML_ENCODING_LEGACY);
                const TiXmlElement* decoded = decoder.RootElement();
                const char* value = decoded ? decoded->Attribute("v") : nullptr;
                mDeclaredEncoding = value ? value : raw;
            } else if (starts("standalone", true)) {
                if (!attribute(nullptr))
                    return false;
            } else {
                while (*p && *p != '>' && !space(*p))
                    ++p;
            }
        }
        return false;
    }

    const unsigned char* p;
    TiXmlEncoding mEncoding;
    unsigned int mLimit;
    unsigned int mDepth = 0;
    unsigned int mDeepest = 0;
    std::string mDeclaredEncoding;
};

// TinyXML steps over the whole length a UTF-8 lead byte announces (up to four
// bytes) before it looks for the end of the text, and some of its scanners
// then peek a byte or two further: a text that ends inside a sequence would
// send it past the end of its buffer. Every text handed to it ends with this
// many zero bytes, so each of those steps lands on a terminator.
const unsigned long kTextPadding = 8;

// Parses text whose last kTextPadding bytes are zeros.
void parsePadded(TiXmlDocument& document, const char* text)
{
    KaXMLParse(document, text, TIXML_ENCODING_UNKNOWN);
}

} // namespace

unsigned int KaXMLNestingDepth(const char* text, TiXmlEncoding encoding, unsigned int limit, TiXmlEncoding* used)
{
    if (used)
        *used = encoding;
    if (!text)
        return 0;
    NestingReader reader(text, encoding, limit);
    // An element parsed on its own reads its content the same way.
    const unsigned int depth = reader.document();
    if (used)
        *used = reader.encoding();
    return depth;
}

const char* KaXMLParse(TiXmlNode& node, const char* text, TiXmlEncoding encoding)
{
    if (KaXMLNestingDepth(text, encoding) > KaXMLMaxDepth) {
        node.Clear();
        if (TiXmlDocument* document = node.ToDocument()) {
            document->ClearError();
            document->SetError(TiXmlBase::TIXML_ERROR_PARSING_ELEMENT, nullptr, nullptr, encoding);
        }
        return nullptr;
    }
    return node.Parse(text, nullptr, encoding);
}

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

    if (KaXMLNestingDepth(reinterpret_cast<const char*>(bytes), TIXML_ENCODING_UNKNOWN) > KaXMLMaxDepth) {
        KaPrintf("%s file :%s error : %s ligne : %d colonne : %d\n", prefix, path.c_str(), KaXMLTooDeepText, 0, 0);
        KaXMLParse(document, reinterpret_cast<const char*>(bytes), TIXML_ENCODING_UNKNOWN);
        if (target == &KaXMLBuffer)
            KaXMLFreeBuffer();
        return false;
    }
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
// what the game's next load refuses), and pass the caller's own checks.
bool readsBack(const KaPath& path, const KaXMLCheck& accept, KaString* refusal)
{
    std::string text;
    const bool read = readWhole(path.c_str(), text);
    text.append(kTextPadding, '\0');

    TiXmlDocument check;
    parsePadded(check, text.c_str());
    if (!read || check.Error()) {
        if (refusal)
            *refusal = check.Error() ? check.ErrorDesc() : "the written file could not be read";
        return false;
    }
    KaString reason;
    if (accept && !accept(KaString(text.data(), text.size() - kTextPadding), reason)) {
        if (refusal)
            *refusal = reason;
        return false;
    }
    return true;
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

bool KaXMLSave(const KaPath& path, const TiXmlDocument& document, const KaXMLCheck& check, KaString* refusal)
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
    if (written && !readsBack(temporary, check, refusal)) {
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

void KaXMLSetAttribute(TiXmlElement& element, const char* name, const char* bytes, unsigned long length)
{
    // Some builds of TinyXML copy a value's "&#x" sequence as it stands
    // instead of escaping its ampersand; there such an ampersand goes in
    // already escaped, as the one reference the writer leaves alone.
    static const bool copiesReferences = [] {
        std::string written;
        TiXmlBase::EncodeString("&#x41;", &written);
        return written == "&#x41;";
    }();
    std::string value;
    value.reserve(length);
    for (unsigned long i = 0; i < length; ++i) {
        if (copiesReferences && bytes[i] == '&' && i + 2 < length && bytes[i + 1] == '#' && bytes[i + 2] == 'x')
            value += "&#x26;";
        else
            value += bytes[i];
    }
    element.SetAttribute(std::string(name), value);
}

bool KaXMLAttribute(const TiXmlElement& element, const char* name, KaString& value)
{
    const std::string* text = element.Attribute(std::string(name));
    if (!text)
        return false;
    value = KaString(text->data(), text->size());
    return true;
}
