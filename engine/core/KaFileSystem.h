#ifndef KA_FILE_SYSTEM_H
#define KA_FILE_SYSTEM_H

class KaPath;

// Abstract base of the engine's files: the open modes and the four operations
// every kind of file provides.
class KaFileSystem {
public:
    // A file that is not open holds NoMode.
    enum OpenMode { Read = 1, Write = 2, Append = 3, NoMode = 4 };

    virtual ~KaFileSystem();

    // Resolves the content path, then opens it.
    virtual bool open(const KaPath& path, OpenMode mode) = 0;
    // Opens the path on disk exactly as given.
    virtual bool nativeOpen(const KaPath& path, OpenMode mode) = 0;
    virtual bool isOpened() const = 0;
    virtual void close() = 0;
};

#endif
