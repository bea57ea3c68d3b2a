#ifndef KA_BUFFERED_FILE_H
#define KA_BUFFERED_FILE_H

#include "engine/core/KaBaseFile.h"
#include "engine/core/KaStream.h"

// A file read through a buffer as large as the file: the first read loads the
// whole file, later reads and seeks inside the loaded bytes never touch the
// file again. Made for reading; writes go straight to the file and leave the
// buffered bytes as they were.
//
// One thread at a time.
class KaBufferedFile : public KaStream {
public:
    KaBufferedFile();
    // Opens at once; test isOpened() for the result.
    KaBufferedFile(const KaPath& path, KaFileSystem::OpenMode mode);
    ~KaBufferedFile() override;

    // Straight to the file, past the buffer.
    unsigned int writeData(const void* bytes, unsigned long count) override;
    unsigned int readData(void* destination, unsigned long count) override;
    // Inside the loaded bytes: no file access.
    bool seek(unsigned long position) override;
    unsigned long getPos() const override;
    // False while loaded bytes remain, whatever the file says; true once they
    // are used up at the end of the file.
    bool isAtEnd() const override;
    // The file's size when it was opened.
    unsigned long size() const override;

    // Closes first. False when the file does not open or its buffer cannot be
    // had (a message says which).
    virtual bool open(const KaPath& path, KaFileSystem::OpenMode mode);
    virtual bool isOpened() const;
    // Keeps the size and position for getPos() and size().
    virtual void close();

private:
    // Marks the buffer as holding nothing valid.
    static const unsigned long long kInvalid = ~0ull;

    KaBaseFile mFile;
    unsigned long long mMaxBufferSize;
    unsigned char* mBuffer;
    unsigned long long mBufferPosition;
    unsigned long long mBufferCapacity;
    unsigned long long mBufferFill;
    unsigned long long mFileSize;
    unsigned long long mFilePosition;
};

#endif
