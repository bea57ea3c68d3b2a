#ifndef KA_PATH_H
#define KA_PATH_H

#include "engine/containers/KaIsRelocatable.h"
#include "engine/core/KaString.h"

// A string kept in canonical path form: "/" is the only separator and never
// doubled, whatever came in ("a\\b//c" becomes "a/b/c", "//x" becomes "/x").
// Every construction, set and append normalises; copies share the bytes and
// are not normalised again.
//
// The extension is whatever follows the last dot anywhere in the path, also
// when that dot lies in a folder name ("a.d/file" has the extension "d/file").
class KaPath : public KaString {
public:
    KaPath();
    KaPath(const char* text);
    // Shares the string's bytes until normalising changes them.
    KaPath(const KaString& text);
    KaPath(const KaPath& other);
    ~KaPath() override;

    KaPath& operator=(const KaPath& other);
    KaPath& operator=(const char* text) override;

    void set(const KaString& text);
    void set(const unsigned char* bytes, unsigned long count) override;
    void set(const KaBytesArray& bytes, Encoding encoding = EncodingUtf8) override;

    KaPath& operator+=(const KaString& other) override;
    KaPath& operator+=(const char* text) override;
    KaPath& operator+=(char byte) override;

    // Backslashes become slashes, then every run of slashes one slash.
    void convertInPathFormat();

    // The text before the last "/" ("" when there is none; "" for "/x").
    KaPath directory() const;
    // The text after the last "/" (the whole path when there is none).
    KaPath fileName() const;
    // The text after the last "." ("" when there is none).
    KaString extension() const;
    // The text after the first "." ("jpg.zlib" for "x.jpg.zlib").
    KaString completeExtension() const;
    // Cuts the path at its last ".", in place.
    void removeExtension();
    // Replaces the extension, adding one when there was none ("a" -> "a.jpg").
    void changeExtension(const KaString& extension);

    static const KaString mSeparator;
    static const KaString mDoubleSeparator;
    static const KaString mWin32Separator;
    static const KaString mPoint;
};

KA_RELOCATABLE(KaPath);

#endif
